#include "export/Deflater.h"
#include "support/SampleData.h"

#include <QtTest>

#include <cstring>

using namespace kiv::test;

namespace {

// Word salad: matches of every length at every distance.
QByteArray text(int size, quint32 seed)
{
    static const char* words[] = {"strike", "dip", "outcrop", "schist", "granite", "fold", "fault", "bedding",
                                  "cleavage", "lineation", "sample", "north", "the", "of", "and", "quartz"};
    QRandomGenerator random(seed);
    QByteArray out;
    while (out.size() < size) {
        out += words[random.bounded(int(std::size(words)))];
        out += random.bounded(10) == 0 ? ".\n" : " ";
        if (random.bounded(20) == 0)
            out += QByteArray::number(random.bounded(100000));
    }
    out.truncate(size);
    return out;
}

// Byte k with probability 2^-(k + 1): skewed enough for Huffman trees deeper
// than deflate allows.
QByteArray geometricBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out(size, '\0');
    for (char& c : out)
        c = char(qCountTrailingZeroBits(random.generate() | 0x80000000u));
    return out;
}

enum Fault { NoFault, ReadFails, WriteFails };

struct Compressed
{
    QByteArray data;
    uint32_t result = 0;
    uint16_t flags = 0;
    uint64_t reportedSize = 0;
    std::string error;
};

Compressed compress(kiv::Deflater& deflater, const QByteArray& input, int level = 8, Fault fault = NoFault)
{
    Compressed out;
    int offset = 0;
    const kiv::Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        if (fault == ReadFails && offset > 0)
            return -1;
        // Short reads on purpose: the compressor must keep asking.
        const int n = std::min({int(size), input.size() - offset, 20000});
        std::memcpy(buffer, input.constData() + offset, size_t(n));
        offset += n;
        return n;
    };
    const kiv::Deflater::Writer writer = [&](const uint8_t* data, size_t size) {
        out.data.append(reinterpret_cast<const char*>(data), int(size));
        return fault != WriteFails;
    };
    out.result = deflater.deflateEntry(reader, writer, out.flags, out.reportedSize, level);
    out.error = deflater.errorMessage();
    return out;
}

Compressed compress(const QByteArray& input, int level = 8, Fault fault = NoFault)
{
    kiv::Deflater deflater;
    return compress(deflater, input, level, fault);
}

// Python's zlib as the reference inflater of a raw RFC 1951 stream.
ToolRun inflateWithPython(const QByteArray& compressed)
{
    return runTool(python3(),
                   {QStringLiteral("-c"), QStringLiteral("import sys, zlib\n"
                                                         "d = zlib.decompressobj(-15)\n"
                                                         "out = d.decompress(sys.stdin.buffer.read())\n"
                                                         "assert d.eof, 'stream has no final block'\n"
                                                         "assert not d.unused_data, 'bytes after the end'\n"
                                                         "sys.stdout.buffer.write(out)\n")},
                   compressed);
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestDeflater : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void failures_data();
    void failures();
    void codeLengthsWithinLimit_data();
    void codeLengthsWithinLimit();
    void reuseMatchesFreshState_data();
    void reuseMatchesFreshState();
};

void TestDeflater::roundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("minRatio");
    QTest::addColumn<double>("maxRatio");
    auto row = [](const char* name, const QByteArray& input, int level = 8, double min = 0, double max = 1e9) {
        QTest::newRow(name) << input << level << min << max;
    };
    row("empty", QByteArray());
    row("one byte", "x");
    // Around the output buffer, the window, the slide point and the buffer end.
    for (int size : {16383, 16384, 16385, 32767, 32768, 65273, 65274, 65536, 65537}) {
        QTest::addRow("text %d", size) << text(size, quint32(size)) << 8 << 0.0 << 1e9;
        QTest::addRow("random %d", size) << randomBytes(size, quint32(size)) << 8 << 0.0 << 1e9;
    }
    row("text 1MiB", text(1 << 20, 1));
    row("random 1MiB", randomBytes(1 << 20, 2));
    row("random 100", randomBytes(100, 4));
    row("random 70000", randomBytes(70000, 5));
    row("zeros 1MiB", QByteArray(1 << 20, '\0'));
    QByteArray periodic = randomBytes(32506, 3);
    while (periodic.size() < (1 << 20))
        periodic += periodic.left(32506);
    row("period 32506, 1MiB", periodic);
    row("png", imageBytes("PNG", 400, 300, 9));
    row("jpeg", imageBytes("JPG", 400, 300, 9));
    row("kml 2MB", kmlText(2 * 1000 * 1000));
    // R followed by R: the copy lies exactly at the largest distance, or one past it.
    const QByteArray r = randomBytes(32507, 77);
    row("R+R, |R| 32506", r.left(32506) + r.left(32506), 8, 0.0, 0.52);
    row("R+R, |R| 32507", r + r, 8, 0.99, 1.01);
    // With seeds 1748 and 2854 a block's tree is two or more levels too deep.
    for (quint32 seed : {1u, 1748u, 2854u})
        QTest::addRow("geometric 300000, seed %u", seed) << geometricBytes(300000, seed) << 8 << 0.0 << 1e9;
    const QByteArray mixed = text(200000, 8) + randomBytes(40000, 9) + text(100000, 10);
    for (int level = 1; level <= 8; ++level)
        QTest::addRow("mixed, level %d", level) << mixed << level << 0.0 << 0.99;
}

void TestDeflater::roundTrip()
{
    QFETCH(QByteArray, input);
    QFETCH(int, level);
    QFETCH(double, minRatio);
    QFETCH(double, maxRatio);
    const Compressed out = compress(input, level);
    QCOMPARE(out.result, 0u);
    QVERIFY2(out.error.empty(), out.error.c_str());
    QCOMPARE(out.reportedSize, uint64_t(out.data.size()));
    QCOMPARE(int(out.flags), level == 8 ? 2 : level <= 2 ? 4 : 0);
    if (input.isEmpty())
        QCOMPARE(out.data, QByteArray("\x03\x00", 2)); // one empty fixed block
    // Incompressible input grows by at most 0.5 % + 64 bytes.
    QVERIFY2(out.data.size() <= input.size() + input.size() / 200 + 64,
             qPrintable(QStringLiteral("%1 -> %2").arg(input.size()).arg(out.data.size())));
    const double ratio = input.isEmpty() ? 1.0 : double(out.data.size()) / input.size();
    QVERIFY2(ratio >= minRatio && ratio <= maxRatio, qPrintable(QString::number(ratio)));
    const ToolRun inflated = inflateWithPython(out.data);
    QVERIFY2(inflated.exitCode == 0, qPrintable(inflated.errors));
    QCOMPARE(inflated.output.size(), input.size());
    QVERIFY(inflated.output == input);
}

void TestDeflater::failures_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message"); // empty: any
    QTest::newRow("level 0") << 0 << NoFault << "bad pack level";
    QTest::newRow("level 9") << 9 << NoFault << "bad pack level";
    QTest::newRow("level -1") << -1 << NoFault << "bad pack level";
    QTest::newRow("read error") << 8 << ReadFails << QString();
    QTest::newRow("write error") << 8 << WriteFails << QString();
}

void TestDeflater::failures()
{
    QFETCH(int, level);
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    const Compressed out = compress(text(100000, 16), level, fault);
    QCOMPARE(out.result, kiv::Deflater::DeflateFailed);
    QVERIFY(!out.error.empty());
    if (!message.isEmpty())
        QCOMPARE(QString::fromStdString(out.error), message);
}

// Fibonacci counts make a tree as deep as it has symbols, less one.
void TestDeflater::codeLengthsWithinLimit_data()
{
    QTest::addColumn<int>("alphabet");
    QTest::addColumn<int>("symbols");
    QTest::addColumn<int>("limit");
    QTest::newRow("code lengths, 8 symbols: fits") << 19 << 8 << 7;
    QTest::newRow("code lengths, 9 symbols: one level over") << 19 << 9 << 7;
    QTest::newRow("code lengths, 11 symbols") << 19 << 11 << 7;
    QTest::newRow("code lengths, all 19") << 19 << 19 << 7;
    QTest::newRow("literals, 16 symbols: fits") << 286 << 16 << 15;
    for (int n = 17; n <= 30; ++n)
        QTest::addRow("literals, %d symbols", n) << 286 << n << 15;
}

void TestDeflater::codeLengthsWithinLimit()
{
    QFETCH(int, alphabet);
    QFETCH(int, symbols);
    QFETCH(int, limit);
    // Spread over the alphabet, with unused symbols between them.
    std::vector<uint32_t> freq(size_t(alphabet), 0);
    uint32_t a = 1, b = 1;
    for (int i = 0; i < symbols; ++i, std::swap(a, b), b += a)
        freq[size_t(i * alphabet / symbols)] = a;
    const std::vector<uint8_t> lengths = kiv::DeflateTrees::codeLengths(freq.data(), alphabet, limit);
    QCOMPARE(int(lengths.size()), alphabet);
    uint64_t kraft = 0;
    int longest = 0;
    for (int i = 0; i < alphabet; ++i) {
        QCOMPARE(lengths[i] != 0, freq[i] != 0);
        if (lengths[i])
            kraft += uint64_t(1) << (limit - lengths[i]);
        longest = std::max<int>(longest, lengths[i]);
        for (int j = 0; j < alphabet && freq[i]; ++j)
            QVERIFY(freq[j] <= freq[i] || lengths[j] <= lengths[i]); // more frequent, no longer
    }
    QCOMPARE(kraft, uint64_t(1) << limit);
    QCOMPARE(longest, std::min(symbols - 1, limit));
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
    QCOMPARE(again.result, 0u);
    QVERIFY(again.data == compress(second).data);
}

QTEST_GUILESS_MAIN(TestDeflater)
#include "tst_deflater.moc"
