#include "export/Deflater.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : out)
        c = char(random.bounded(256));
    return out;
}

// Word salad: matches of every length at every distance.
QByteArray text(int size, quint32 seed)
{
    static const char* words[] = {"strike", "dip", "outcrop", "schist", "granite", "fold",
                                  "fault", "bedding", "cleavage", "lineation", "sample",
                                  "north", "the", "of", "and", "with", "quartz", "vein"};
    QRandomGenerator random(seed);
    QByteArray out;
    while (out.size() < size) {
        out += words[random.bounded(int(sizeof(words) / sizeof(words[0])))];
        out += random.bounded(10) == 0 ? ".\n" : " ";
        if (random.bounded(20) == 0)
            out += QByteArray::number(random.bounded(100000));
    }
    out.truncate(size);
    return out;
}

QByteArray kml(int size)
{
    QRandomGenerator random(5);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document>\n";
    for (int i = 0; out.size() < size; ++i)
        out += QStringLiteral("<Placemark id=\"%1\"><name>Locality %2</name><description>"
                              "Dip %3 azimuth %4</description><Point><coordinates>"
                              "%5,%6,0</coordinates></Point></Placemark>\n")
                   .arg(i)
                   .arg(random.bounded(1000))
                   .arg(random.bounded(90))
                   .arg(random.bounded(360))
                   .arg(8.0 + random.generateDouble(), 0, 'f', 7)
                   .arg(46.0 + random.generateDouble(), 0, 'f', 7)
                   .toUtf8();
    return out;
}

QByteArray image(const char* format)
{
    QImage img(400, 300, QImage::Format_RGB32);
    QRandomGenerator random(9);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x % 256, (x * y) % 256, int(random.bounded(256))));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

struct Compressed
{
    QByteArray data;
    uint32_t result = 0;
    uint16_t flags = 0;
    uint64_t reportedSize = 0;
    std::string error;
};

Compressed compress(kiv::Deflater& deflater, const QByteArray& input, int level = 8)
{
    Compressed out;
    int offset = 0;
    const kiv::Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        // Short reads on purpose: the compressor must keep asking.
        const int n = std::min({int(size), input.size() - offset, 20000});
        std::memcpy(buffer, input.constData() + offset, size_t(n));
        offset += n;
        return n;
    };
    const kiv::Deflater::Writer writer = [&](const uint8_t* data, size_t size) {
        out.data.append(reinterpret_cast<const char*>(data), int(size));
        return true;
    };
    out.result = deflater.deflateEntry(reader, writer, out.flags, out.reportedSize, level);
    out.error = deflater.errorMessage();
    return out;
}

Compressed compress(const QByteArray& input, int level = 8)
{
    kiv::Deflater deflater;
    return compress(deflater, input, level);
}

QString python()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                            : QStringLiteral("python3");
}

// Inflates with Python's zlib as a raw RFC 1951 stream; empty optional on failure.
bool inflateWithPython(const QByteArray& compressed, QByteArray& inflated, QString& error)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.bin"));
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly) || file.write(compressed) != compressed.size())
        return false;
    file.close();
    QProcess process;
    process.start(python(), {QStringLiteral("-c"),
                             QStringLiteral("import sys, zlib\n"
                                            "data = open(sys.argv[1], 'rb').read()\n"
                                            "d = zlib.decompressobj(-15)\n"
                                            "out = d.decompress(data)\n"
                                            "assert d.eof, 'stream has no final block'\n"
                                            "assert not d.unused_data, 'bytes after the end'\n"
                                            "open(sys.argv[2], 'wb').write(out)\n"),
                             in, out});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        error = QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    QFile result(out);
    if (!result.open(QIODevice::ReadOnly))
        return false;
    inflated = result.readAll();
    return true;
}

} // namespace

class TestDeflater : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void emptyInputIsOneFixedBlock();
    void maximumDistance_data();
    void maximumDistance();
    void incompressibleGrowth_data();
    void incompressibleGrowth();
    void levels_data();
    void levels();
    void badLevel_data();
    void badLevel();
    void reuseMatchesFreshState_data();
    void reuseMatchesFreshState();
    void readErrorFails();
    void writeErrorFails();
};

void TestDeflater::roundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    // Around the output buffer, the window, the slide point and the buffer end.
    for (int size : {16383, 16384, 16385, 32767, 32768, 65273, 65274, 65536, 65537}) {
        QTest::addRow("text %d", size) << text(size, quint32(size));
        QTest::addRow("random %d", size) << randomBytes(size, quint32(size));
    }
    QTest::newRow("text 1MiB") << text(1 << 20, 1);
    QTest::newRow("random 1MiB") << randomBytes(1 << 20, 2);
    QTest::newRow("zeros 1MiB") << QByteArray(1 << 20, '\0');
    QByteArray periodic = randomBytes(32506, 3);
    while (periodic.size() < (1 << 20))
        periodic += periodic.left(32506);
    QTest::newRow("period 32506, 1MiB") << periodic;
    QTest::newRow("png") << image("PNG");
    QTest::newRow("jpeg") << image("JPG");
    QTest::newRow("kml 2MB") << kml(2 * 1000 * 1000);
}

void TestDeflater::roundTrip()
{
    QFETCH(QByteArray, input);
    const Compressed out = compress(input);
    QCOMPARE(out.result, 0u);
    QVERIFY2(out.error.empty(), out.error.c_str());
    QCOMPARE(out.reportedSize, uint64_t(out.data.size()));
    QByteArray inflated;
    QString error;
    QVERIFY2(inflateWithPython(out.data, inflated, error), qPrintable(error));
    QCOMPARE(inflated.size(), input.size());
    QVERIFY(inflated == input);
}

void TestDeflater::emptyInputIsOneFixedBlock()
{
    const Compressed out = compress(QByteArray());
    QCOMPARE(out.result, 0u);
    QCOMPARE(out.data, QByteArray("\x03\x00", 2));
    QCOMPARE(out.reportedSize, uint64_t(2));
}

void TestDeflater::maximumDistance_data()
{
    QTest::addColumn<int>("half");
    QTest::addColumn<double>("minRatio");
    QTest::addColumn<double>("maxRatio");
    // R followed by R: the copy lies exactly at the largest distance, or one past it.
    QTest::newRow("32506") << 32506 << 0.0 << 0.52;
    QTest::newRow("32507") << 32507 << 0.99 << 1.01;
}

void TestDeflater::maximumDistance()
{
    QFETCH(int, half);
    QFETCH(double, minRatio);
    QFETCH(double, maxRatio);
    const QByteArray r = randomBytes(half, 77);
    const QByteArray input = r + r;
    const Compressed out = compress(input);
    QCOMPARE(out.result, 0u);
    const double ratio = double(out.data.size()) / input.size();
    QVERIFY2(ratio >= minRatio && ratio <= maxRatio, qPrintable(QString::number(ratio)));
    QByteArray inflated;
    QString error;
    QVERIFY2(inflateWithPython(out.data, inflated, error), qPrintable(error));
    QVERIFY(inflated == input);
}

void TestDeflater::incompressibleGrowth_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("random 100") << randomBytes(100, 4);
    QTest::newRow("random 70000") << randomBytes(70000, 5);
    QTest::newRow("random 1MiB") << randomBytes(1 << 20, 6);
    QTest::newRow("png") << image("PNG");
    QTest::newRow("jpeg") << image("JPG");
}

void TestDeflater::incompressibleGrowth()
{
    QFETCH(QByteArray, input);
    const Compressed out = compress(input);
    QCOMPARE(out.result, 0u);
    QVERIFY2(out.data.size() <= input.size() + input.size() / 200 + 64,
             qPrintable(QStringLiteral("%1 -> %2").arg(input.size()).arg(out.data.size())));
}

void TestDeflater::levels_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("flagBits");
    for (int level = 1; level <= 8; ++level)
        QTest::addRow("level %d", level) << level << (level == 8 ? 2 : level <= 2 ? 4 : 0);
}

void TestDeflater::levels()
{
    QFETCH(int, level);
    QFETCH(int, flagBits);
    const QByteArray input = text(200000, 8) + randomBytes(40000, 9) + text(100000, 10);
    const Compressed out = compress(input, level);
    QCOMPARE(out.result, 0u);
    QCOMPARE(int(out.flags), flagBits);
    QVERIFY(out.data.size() < input.size());
    QByteArray inflated;
    QString error;
    QVERIFY2(inflateWithPython(out.data, inflated, error), qPrintable(error));
    QVERIFY(inflated == input);
}

void TestDeflater::badLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("0") << 0;
    QTest::newRow("9") << 9;
    QTest::newRow("-1") << -1;
}

void TestDeflater::badLevel()
{
    QFETCH(int, level);
    const Compressed out = compress(QByteArray("abc"), level);
    QCOMPARE(out.result, kiv::Deflater::DeflateFailed);
    QCOMPARE(QString::fromStdString(out.error), QStringLiteral("bad pack level"));
}

void TestDeflater::reuseMatchesFreshState_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::newRow("text after random") << randomBytes(300000, 11) << text(300000, 12);
    QTest::newRow("small after large") << text(500000, 13) << text(1000, 13);
    QTest::newRow("empty after text") << text(100000, 14) << QByteArray();
    QTest::newRow("after a failed level") << QByteArray() << text(70000, 15);
}

void TestDeflater::reuseMatchesFreshState()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    kiv::Deflater reused;
    compress(reused, first, first.isEmpty() ? 9 : 8);
    const Compressed again = compress(reused, second);
    const Compressed fresh = compress(second);
    QCOMPARE(again.result, 0u);
    QVERIFY(again.data == fresh.data);
}

void TestDeflater::readErrorFails()
{
    kiv::Deflater deflater;
    const QByteArray input = text(100000, 16);
    int calls = 0;
    const kiv::Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        if (calls++ > 0)
            return -1;
        const size_t n = std::min(size, size_t(input.size()));
        std::memcpy(buffer, input.constData(), n);
        return int64_t(n);
    };
    const kiv::Deflater::Writer writer = [](const uint8_t*, size_t) { return true; };
    uint16_t flags = 0;
    uint64_t size = 0;
    QCOMPARE(deflater.deflateEntry(reader, writer, flags, size), kiv::Deflater::DeflateFailed);
    QVERIFY(!deflater.errorMessage().empty());
}

void TestDeflater::writeErrorFails()
{
    kiv::Deflater deflater;
    const QByteArray input = randomBytes(100000, 17);
    int offset = 0;
    const kiv::Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        const int n = std::min(int(size), input.size() - offset);
        std::memcpy(buffer, input.constData() + offset, size_t(n));
        offset += n;
        return n;
    };
    const kiv::Deflater::Writer writer = [](const uint8_t*, size_t) { return false; };
    uint16_t flags = 0;
    uint64_t size = 0;
    QCOMPARE(deflater.deflateEntry(reader, writer, flags, size), kiv::Deflater::DeflateFailed);
    QVERIFY(!deflater.errorMessage().empty());
}

QTEST_GUILESS_MAIN(TestDeflater)
#include "tst_deflater.moc"
