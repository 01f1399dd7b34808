#include "support/SampleData.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>

namespace kiv::test {

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : out)
        c = char(random.bounded(256));
    return out;
}

QByteArray kmlText(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document>\n";
    for (int i = 0; out.size() < size; ++i)
        out += QStringLiteral("<Placemark id=\"%1\"><name>Locality %2</name><description>Dip %3</description>"
                              "<Point><coordinates>%4,%5,0</coordinates></Point></Placemark>\n")
                   .arg(i)
                   .arg(random.bounded(1000))
                   .arg(random.bounded(90))
                   .arg(8.0 + random.generateDouble(), 0, 'f', 7)
                   .arg(46.0 + random.generateDouble(), 0, 'f', 7)
                   .toUtf8();
    return out;
}

QByteArray imageBytes(const char* format, int width, int height, quint32 seed)
{
    QImage img(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb((x * 3) % 256, (x * y) % 256, int(random.bounded(64))));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

ToolRun runTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForStarted(30000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString python3()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                            : QStringLiteral("python3");
}

} // namespace kiv::test
