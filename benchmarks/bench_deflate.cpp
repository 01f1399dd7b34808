// Compares our deflater with zlib (raw deflate) on the same inputs: output
// size and throughput for zlib levels 1, 6, 8 and 9 against ours.
// Usage: bench_deflate [extra input files...]

#include "export/Deflater.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QString>

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

struct Input
{
    QString name;
    QByteArray data;
};

QByteArray kmlText(int bytes)
{
    QRandomGenerator random(7);
    const char* names[] = {"Granite", "Schist", "Basalt", "Limestone", "Sandstone", "Gneiss"};
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document>\n";
    for (int i = 0; out.size() < bytes; ++i) {
        out += QStringLiteral("<Placemark id=\"%1\"><name>%2 %3</name><description>Dip %4, "
                              "azimuth %5, sample %6</description><Point><coordinates>"
                              "%7,%8,0</coordinates></Point></Placemark>\n")
                   .arg(i)
                   .arg(QLatin1String(names[random.bounded(6)]))
                   .arg(random.bounded(1000))
                   .arg(random.bounded(90))
                   .arg(random.bounded(360))
                   .arg(random.bounded(100000))
                   .arg(8.0 + random.generateDouble(), 0, 'f', 7)
                   .arg(46.0 + random.generateDouble(), 0, 'f', 7)
                   .toUtf8();
    }
    out.truncate(bytes);
    return out;
}

QByteArray image(const char* format, int size)
{
    QImage img(size, size, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            img.setPixel(x, y, qRgb((x * 255) / size, (y * 255) / size,
                                    ((x ^ y) & 0x3F) + int(random.bounded(32))));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

QByteArray randomBytes(int size)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(3);
    random.fillRange(reinterpret_cast<quint32*>(out.data()), size / 4);
    return out;
}

size_t deflateOurs(const QByteArray& input, kiv::Deflater& deflater)
{
    size_t offset = 0;
    size_t produced = 0;
    uint16_t flags = 0;
    uint64_t compressed = 0;
    const kiv::Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        const size_t n = std::min(size, size_t(input.size()) - offset);
        std::memcpy(buffer, input.constData() + offset, n);
        offset += n;
        return int64_t(n);
    };
    const kiv::Deflater::Writer writer = [&](const uint8_t*, size_t size) {
        produced += size;
        return true;
    };
    deflater.deflateEntry(reader, writer, flags, compressed);
    return produced;
}

size_t deflateZlib(const QByteArray& input, int level)
{
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(16384);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = uInt(input.size());
    size_t produced = 0;
    int status;
    do {
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        status = deflate(&stream, Z_FINISH);
        produced += out.size() - stream.avail_out;
    } while (status == Z_OK);
    deflateEnd(&stream);
    return produced;
}

// Runs f until at least half a second has passed; returns (size, MB/s).
std::pair<size_t, double> measure(const QByteArray& input, const std::function<size_t()>& f)
{
    using Clock = std::chrono::steady_clock;
    size_t size = f(); // warm-up
    int runs = 0;
    const auto start = Clock::now();
    double seconds = 0;
    do {
        size = f();
        ++runs;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.5);
    return {size, double(input.size()) * runs / seconds / 1e6};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<Input> inputs = {
        {QStringLiteral("kml 2MB"), kmlText(2 * 1000 * 1000)},
        {QStringLiteral("png"), image("PNG", 600)},
        {QStringLiteral("jpeg"), image("JPG", 800)},
        {QStringLiteral("random 1MiB"), randomBytes(1 << 20)},
        {QStringLiteral("zeros 1MiB"), QByteArray(1 << 20, '\0')},
    };
    QFile self(QCoreApplication::applicationFilePath());
    if (self.open(QIODevice::ReadOnly))
        inputs.push_back({QStringLiteral("this binary"), self.readAll()});
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (file.open(QIODevice::ReadOnly))
            inputs.push_back({file.fileName(), file.readAll()});
    }

    kiv::Deflater deflater;
    std::printf("%-14s %10s | %-18s %-18s %-18s %-18s | %-18s | size vs z8  speed vs z8\n",
                "input", "bytes", "zlib 1", "zlib 6", "zlib 8", "zlib 9", "ours (8)");
    for (const Input& input : inputs) {
        std::printf("%-14s %10d |", qPrintable(input.name), int(input.data.size()));
        std::pair<size_t, double> zlib8;
        for (int level : {1, 6, 8, 9}) {
            const auto r = measure(input.data, [&] { return deflateZlib(input.data, level); });
            if (level == 8)
                zlib8 = r;
            std::printf(" %9zu %6.1fMB/s", r.first, r.second);
        }
        const auto ours = measure(input.data, [&] { return deflateOurs(input.data, deflater); });
        std::printf(" | %9zu %6.1fMB/s | %+6.2f%%     %5.2fx\n", ours.first, ours.second,
                    100.0 * (double(ours.first) - double(zlib8.first)) / double(zlib8.first),
                    ours.second / zlib8.second);
    }
    return 0;
}
