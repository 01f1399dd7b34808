#include "export/ZipWriter.h"
#include "support/SampleData.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using kiv::ZipWriter;
using namespace kiv::test;

namespace {

constexpr qint64 Mtime = 1623752437; // 2021-06-15 10:20:37 UTC
const QByteArray EmptyArchive = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
using Entries = QList<QPair<QString, QString>>; // name in archive, source file

const char16_t* u16(const QString& s)
{
    return reinterpret_cast<const char16_t*>(s.utf16());
}

QByteArray sha256(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data, qint64 mtime = Mtime)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), qint64(data.size()));
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(mtime, Qt::UTC), QFileDevice::FileModificationTime));
}

// What Python's zipfile makes of one entry.
struct PyEntry
{
    int compressType = -1;
    uint flags = 0;
    int createSystem = -1;
    int createVersion = -1;
    int extractVersion = -1;
    uint externalAttr = 0;
    QByteArray sha;
    qint64 compressSize = -1;
    qint64 fileSize = -1;
};

struct PyArchive
{
    bool ok = false; // read to the end, testzip() found nothing
    QStringList names;
    QMap<QString, PyEntry> entries;
    QString output;
};

PyArchive readWithPython(const QString& archive, const QString& password = QString())
{
    static const QString script = QStringLiteral(
        "import sys, zipfile, hashlib\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "if len(sys.argv) > 2: z.setpassword(sys.argv[2].encode())\n"
        "assert z.testzip() is None\n"
        "for i in z.infolist():\n"
        "    print('\\t'.join([i.filename, str(i.compress_type), hex(i.flag_bits), str(i.create_system),\n"
        "        str(i.create_version), str(i.extract_version), hex(i.external_attr),\n"
        "        hashlib.sha256(z.read(i)).hexdigest(), str(i.compress_size), str(i.file_size)]))\n");
    QStringList arguments = {QStringLiteral("-c"), script, archive};
    if (!password.isEmpty())
        arguments << password;
    const ToolRun tool = runTool(python3(), arguments);
    PyArchive result;
    result.output = tool.text();
    result.ok = tool.exitCode == 0;
    for (const QString& line : QString::fromUtf8(tool.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() != 10)
            continue;
        result.names << f[0];
        result.entries.insert(f[0], {f[1].toInt(), f[2].toUInt(nullptr, 0), f[3].toInt(), f[4].toInt(), f[5].toInt(),
                                     f[6].toUInt(nullptr, 0), f[7].toLatin1(), f[8].toLongLong(), f[9].toLongLong()});
    }
    return result;
}

// unzip finds no errors and Python's testzip() agrees.
bool isValidArchive(const QString& archive, PyArchive* py = nullptr, const QString& password = QString())
{
    QStringList arguments {QStringLiteral("-t"), archive};
    if (!password.isEmpty())
        arguments = QStringList {QStringLiteral("-P"), password} + arguments;
    const ToolRun unzip = runTool(QStringLiteral("unzip"), arguments);
    const PyArchive read = readWithPython(archive, password);
    if (py)
        *py = read;
    if (unzip.output.contains("No errors detected") && read.ok)
        return true;
    qWarning().noquote() << unzip.text() << read.output;
    return false;
}

quint32 le(const QByteArray& data, int offset, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | quint8(data.at(offset + i));
    return value;
}

// The fields of a central directory record, or of a local header.
struct Record
{
    quint32 versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0, crc = 0, compressedSize = 0, size = 0;
    QByteArray name, extra;
    quint32 externalAttributes = 0, offset = 0;
};

// The fields both kinds share, from the "version needed" field at `at` on.
Record commonFields(const QByteArray& zip, int at)
{
    Record r;
    quint32* fields[] = {&r.versionNeeded, &r.flags, &r.method, &r.time, &r.date, &r.crc, &r.compressedSize, &r.size};
    for (int i = 0; i < 8; at += i < 5 ? 2 : 4, ++i)
        *fields[i] = le(zip, at, i < 5 ? 2 : 4);
    return r;
}

struct EndRecord
{
    quint32 entries = 0;
    quint32 directoryOffset = 0;
};

EndRecord endRecord(const QByteArray& zip)
{
    const int at = zip.size() - 22;
    if (at < 0 || zip.mid(at, 4) != QByteArray("PK\x05\x06"))
        return {};
    return {le(zip, at + 10, 2), le(zip, at + 16, 4)};
}

QVector<Record> centralDirectory(const QByteArray& zip)
{
    QVector<Record> records;
    const EndRecord end = endRecord(zip);
    int at = int(end.directoryOffset);
    for (quint32 i = 0; i < end.entries && zip.mid(at, 4) == QByteArray("PK\x01\x02"); ++i) {
        Record r = commonFields(zip, at + 6);
        const int extraLength = int(le(zip, at + 30, 2));
        r.name = zip.mid(at + 46, int(le(zip, at + 28, 2)));
        r.extra = zip.mid(at + 46 + r.name.size(), extraLength);
        r.externalAttributes = le(zip, at + 38, 4);
        r.offset = le(zip, at + 42, 4);
        records << r;
        at += 46 + r.name.size() + extraLength + int(le(zip, at + 32, 2));
    }
    return records;
}

Record localHeader(const QByteArray& zip, quint32 offset)
{
    const int at = int(offset);
    if (zip.mid(at, 4) != QByteArray("PK\x03\x04"))
        return {};
    Record r = commonFields(zip, at + 4);
    r.name = zip.mid(at + 30, int(le(zip, at + 26, 2)));
    r.extra = zip.mid(at + 30 + r.name.size(), int(le(zip, at + 28, 2)));
    return r;
}

// Collects what the writer sends into a pipe.
struct PipeSink
{
    int ends[2] = {-1, -1};
    QByteArray written;
    std::thread reader;

    bool open()
    {
        if (pipe(ends) != 0)
            return false;
        reader = std::thread([this] {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(ends[0], buffer, sizeof buffer)) > 0)
                written.append(buffer, int(n));
        });
        return true;
    }
    // After the write end is closed.
    QByteArray finish()
    {
        reader.join();
        ::close(ends[0]);
        return written;
    }
};

} // namespace

class TestZipWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void realReaders();
    void layout();
    void dosTimeAndDate_data();
    void dosTimeAndDate();
    void storedSuffixes_data();
    void storedSuffixes();
    void entryNames_data();
    void entryNames();
    void missingSourceKeepsArchive();
    void badCalls_data();
    void badCalls();
    void createFailures_data();
    void createFailures();
    void memoryTarget_data();
    void memoryTarget();
    void writerAllocatedMemory();
    void handleTargets_data();
    void handleTargets();
    void sourceKinds();
    void encryptedEntries();
    void externalAttributes_data();
    void externalAttributes();
    void readErrorFailsEntry_data();
    void readErrorFailsEntry();
    void storedSizeChangeOnPipe();
    void entryCountLimit();
    void sourceOf4GiBFails();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // A file archive of the entries; empty on failure.
    QByteArray fileArchive(const QString& archive, const Entries& entries);
    QByteArray docArchive(const QString& archive) { return fileArchive(archive, {{"doc.kml", path("src/doc.kml")}}); }

    QTemporaryDir m_dir;
    QString m_archive;
    Entries m_entries;
};

QByteArray TestZipWriter::fileArchive(const QString& archive, const Entries& entries)
{
    ZipWriter* zip = ZipWriter::open(archive);
    if (!zip)
        return QByteArray();
    for (const auto& entry : entries)
        if (ZipWriter::addFile(zip, entry.first, entry.second) != 0) {
            ZipWriter::close(zip);
            return QByteArray();
        }
    return ZipWriter::close(zip) == 0 ? readAll(archive) : QByteArray();
}

void TestZipWriter::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeFile(path("src/doc.kml"), kmlText(200000));
    writeFile(path("src/a.png"), imageBytes("PNG", 300, 200, 1));
    writeFile(path("src/x.jpg"), imageBytes("JPG", 320, 240, 2));
    writeFile(path("src/sub/pic.jpg"), imageBytes("JPG", 200, 100, 3));
    const QByteArray inner = docArchive(path("src/inner.ZIP"));
    QVERIFY(!inner.isEmpty());
    writeFile(path("src/inner.ZIP"), inner);

    m_entries = {{"doc.kml", path("src/doc.kml")},
                 {"a.png", path("src/a.png")},
                 {"x.jpg", path("src/x.jpg")},
                 {"inner.ZIP", path("src/inner.ZIP")},
                 {"sub\\pic.jpg", path("src/sub/pic.jpg")}};
    m_archive = path("main.zip");
    QVERIFY(!fileArchive(m_archive, m_entries).isEmpty());
}

void TestZipWriter::realReaders()
{
    PyArchive py;
    QVERIFY(isValidArchive(m_archive, &py));
    const ToolRun sevenZip = runTool("7z", {"t", m_archive});
    QVERIFY2(sevenZip.exitCode == 0 && sevenZip.output.contains("Everything is Ok"), qPrintable(sevenZip.text()));
    const QString out = path("bsdtar-out");
    QVERIFY(QDir().mkpath(out));
    const ToolRun bsdtar = runTool("bsdtar", {"-xf", m_archive, "-C", out});
    QVERIFY2(bsdtar.exitCode == 0, qPrintable(bsdtar.text()));

    QCOMPARE(py.names.size(), m_entries.size());
    for (const auto& entry : m_entries) {
        const QString name = QString(entry.first).replace('\\', '/');
        const QByteArray source = readAll(entry.second);
        QVERIFY2(readAll(out + '/' + name) == source, qPrintable(name));
        QVERIFY2(py.entries.contains(name), qPrintable(py.names.join(',')));
        const PyEntry e = py.entries.value(name);
        const bool stored = name == QLatin1String("inner.ZIP");
        QCOMPARE(e.compressType, stored ? 0 : 8);
        QCOMPARE(e.flags, stored ? 0x0u : 0x2u);
        QCOMPARE(e.createSystem, 11);
        QCOMPARE(e.createVersion, 23);
        QCOMPARE(e.extractVersion, 20);
        QCOMPARE(e.externalAttr, 0x81800020u);
        QCOMPARE(e.sha, sha256(source));
    }
}

void TestZipWriter::layout()
{
    QVERIFY(ZipWriter::close(ZipWriter::open(path("empty.zip"))) == 0);
    QCOMPARE(readAll(path("empty.zip")), EmptyArchive);
    const QByteArray single = docArchive(path("single.zip"));
    QCOMPARE(single.size(), 138 + int(centralDirectory(single).value(0).compressedSize));

    const QByteArray zip = readAll(m_archive);
    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), m_entries.size());
    quint32 expectedOffset = 0;
    for (const Record& central : records) {
        QCOMPARE(central.offset, expectedOffset);
        const Record local = localHeader(zip, central.offset);
        QCOMPARE(local.flags & 8u, 0u);
        QCOMPARE(local.versionNeeded, central.versionNeeded);
        QCOMPARE(local.flags, central.flags);
        QCOMPARE(local.crc, central.crc);
        QCOMPARE(local.compressedSize, central.compressedSize);
        QCOMPARE(local.size, central.size);
        // Extended timestamp: all three times locally, the modification time centrally.
        QCOMPARE(local.extra.left(5), QByteArray("UT\x0D\x00\x07", 5));
        QCOMPARE(local.extra.size(), 17);
        QCOMPARE(central.extra, QByteArray("UT\x05\x00\x07", 5) + local.extra.mid(5, 4));
        // The next header follows the data directly: no descriptor in between.
        expectedOffset = central.offset + 30 + quint32(local.name.size() + local.extra.size()) + central.compressedSize;
    }
    QCOMPARE(endRecord(zip).directoryOffset, expectedOffset);
}

void TestZipWriter::dosTimeAndDate_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("mtime");
    QTest::addColumn<uint>("dosTime");
    QTest::addColumn<uint>("dosDate");
    QTest::addColumn<uint>("unixTime");
    const uint time = (10 << 11) | (20 << 5) | 18;
    const uint date = (41 << 9) | (6 << 5) | 15;
    for (const char* zone : {"UTC", "Asia/Tokyo", "America/Los_Angeles"})
        QTest::newRow(zone) << QByteArray(zone) << Mtime << time << date << uint(Mtime);
    QTest::newRow("1975 clamps to 1980")
        << QByteArray("Europe/Zurich") << qint64(157766400) << 0u << uint((1 << 5) | 1) << 157766400u;
    QTest::newRow("2110 clamps to 2107") << QByteArray("UTC") << qint64(4417977600) << uint((23 << 11) | (59 << 5) | 29)
                                         << uint((127 << 9) | (12 << 5) | 31) << 0xFFFFFFFFu;
}

void TestZipWriter::dosTimeAndDate()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, mtime);
    QFETCH(uint, dosTime);
    QFETCH(uint, dosDate);
    QFETCH(uint, unixTime);
    const QByteArray savedZone = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    writeFile(path("time/file.txt"), "some text", mtime);
    const QByteArray zip = fileArchive(path("time.zip"), {{"file.txt", path("time/file.txt")}});
    qputenv("TZ", savedZone);
    tzset();

    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), 1);
    for (const Record& r : {records[0], localHeader(zip, 0)}) {
        QCOMPARE(r.time, dosTime);
        QCOMPARE(r.date, dosDate);
        QCOMPARE(le(r.extra, 5, 4), unixTime);
    }
}

void TestZipWriter::storedSuffixes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("method");
    for (const char* name : {"a.zip", "A.ZIP", "b.Z", "c.z", "d.zoo", "e.ARC", "f.lzh", "g.arj", "h.gz", "i.TGZ",
                             "k.Gz"})
        QTest::newRow(name) << name << 0u;
    for (const char* name : {"doc.kml", "zip", "archive.zipx", "notes.zip.txt", "folder.zip/file", "gz"})
        QTest::newRow(name) << name << 8u;
}

void TestZipWriter::storedSuffixes()
{
    QFETCH(QString, name);
    QFETCH(uint, method);
    const QByteArray zip = fileArchive(path("suffix.zip"), {{name, path("src/doc.kml")}});
    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records[0].method, method);
    QCOMPARE(localHeader(zip, 0).method, method);
    QCOMPARE(records[0].flags, method == 8 ? 2u : 0u);
    if (method == 0)
        QCOMPARE(records[0].compressedSize, records[0].size);
}

void TestZipWriter::entryNames_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("utf8Flag");
    QTest::newRow("nested backslashes") << "a\\b\\c.txt" << "a/b/c.txt" << false;
    QTest::newRow("non-ASCII") << QString::fromUtf8("Straße\\Gneiß é.txt")
                               << QString::fromUtf8("Straße/Gneiß é.txt") << true;
    QTest::newRow("outside the BMP") << QString::fromUtf8("Fossil \U0001F41A\\Ammonit.txt")
                                     << QString::fromUtf8("Fossil \U0001F41A/Ammonit.txt") << true;
    const QString longName = QString(300, 'n') + ".txt";
    QTest::newRow("300 characters") << longName << longName << false;
}

void TestZipWriter::entryNames()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    QFETCH(bool, utf8Flag);
    const QString archive = path("names.zip");
    const QByteArray zip = fileArchive(archive, {{given, path("src/x.jpg")}});
    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records[0].name, stored.toUtf8());
    QCOMPARE(localHeader(zip, 0).name, stored.toUtf8());
    QCOMPARE((records[0].flags & 0x800u) != 0, utf8Flag);
    const PyArchive py = readWithPython(archive);
    QVERIFY2(py.ok, qPrintable(py.output));
    QCOMPARE(py.names, QStringList{stored});
}

void TestZipWriter::missingSourceKeepsArchive()
{
    const QString archive = path("missing.zip");
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), 0u);
    QCOMPARE(ZipWriter::addFile(zip, "nothing.txt", path("src/nothing.txt")), 0x200u);
    QCOMPARE(ZipWriter::lastResult(), 0x200u);
    QCOMPARE(ZipWriter::addFile(zip, "a.png", path("src/a.png")), 0x40000u);
    QCOMPARE(ZipWriter::lastResult(), 0x40000u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(ZipWriter::lastResult(), 0u);
    PyArchive py;
    QVERIFY(isValidArchive(archive, &py));
    QCOMPARE(py.names, QStringList{"doc.kml"});
}

using Call = std::function<uint32_t(ZipWriter* open, const QString& source)>;
Q_DECLARE_METATYPE(Call)

void TestZipWriter::badCalls_data()
{
    QTest::addColumn<Call>("call");
    auto row = [](const char* name, Call call) { QTest::newRow(name) << call; };
    auto memoryOf = [](ZipWriter* zip) {
        const void* data = nullptr;
        size_t length = 0;
        return ZipWriter::getMemory(zip, &data, &length);
    };
    row("empty name", [](ZipWriter* z, const QString& s) { return ZipWriter::addFile(z, QString(), s); });
    row("null name", [](ZipWriter* z, const QString& s) { return ZipWriter::addFile(z, nullptr, u16(s)); });
    row("source kind 0", [](ZipWriter* z, const QString& s) { return ZipWriter::addFile(z, u"a", u16(s), 0, 0); });
    row("source kind 5", [](ZipWriter* z, const QString& s) { return ZipWriter::addFile(z, u"a", u16(s), 0, 5); });
    row("null source path", [](ZipWriter* z, const QString&) { return ZipWriter::addFile(z, u"a.txt", nullptr); });
    row("null memory",
        [](ZipWriter* z, const QString&) { return ZipWriter::addFile(z, u"a", nullptr, 10, ZipWriter::SourceMemory); });
    row("add to null handle", [](ZipWriter*, const QString& s) { return ZipWriter::addFile(nullptr, "a", s); });
    row("close null handle", [](ZipWriter*, const QString&) { return ZipWriter::close(nullptr); });
    row("memory of null handle", [=](ZipWriter*, const QString&) { return memoryOf(nullptr); });
    // A file target has no memory to give.
    row("memory of a file target", [=](ZipWriter* z, const QString&) { return memoryOf(z); });
}

void TestZipWriter::badCalls()
{
    QFETCH(Call, call);
    const QString archive = path("bad.zip");
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);
    QCOMPARE(call(zip, path("src/doc.kml")), 0x10000u);
    QCOMPARE(ZipWriter::lastResult(), 0x10000u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(readAll(archive), EmptyArchive);
}

void TestZipWriter::createFailures_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<uint>("result");
    QTest::newRow("memory of length 0") << 3 << QString() << 0x30000u;
    QTest::newRow("path in a missing folder") << 2 << path("no/such/dir/a.zip") << 0x200u;
    QTest::newRow("closed handle") << 1 << QString() << 0x01000000u;
    QTest::newRow("kind 4") << 4 << path("k4.zip") << 0x10000u;
    QTest::newRow("kind 0") << 0 << path("k0.zip") << 0x10000u;
}

void TestZipWriter::createFailures()
{
    QFETCH(int, kind);
    QFETCH(QString, target);
    QFETCH(uint, result);
    const int closedFd = 987; // never opened by this test
    const void* pointer = kind == ZipWriter::TargetHandle ? static_cast<const void*>(&closedFd)
                          : target.isEmpty()             ? nullptr
                                                         : u16(target);
    QVERIFY(!ZipWriter::create(pointer, 0, kind));
    QCOMPARE(ZipWriter::lastResult(), result);
}

void TestZipWriter::memoryTarget_data()
{
    QTest::addColumn<int>("shortBy");
    QTest::addColumn<uint>("addResult");
    QTest::addColumn<uint>("memoryResult");
    QTest::newRow("exact fit") << 0 << 0u << 0u;
    QTest::newRow("end record one byte short") << 1 << 0u << 0x400u;
    // The entry is dropped and the end record alone still fits.
    QTest::newRow("entry does not fit") << 200 << 0x30000u << 0u;
}

void TestZipWriter::memoryTarget()
{
    QFETCH(int, shortBy);
    QFETCH(uint, addResult);
    QFETCH(uint, memoryResult);
    const QByteArray expected = docArchive(path("memory-ref.zip"));
    QVERIFY(!expected.isEmpty());
    QByteArray buffer(expected.size() - shortBy, '\0');
    ZipWriter* zip = ZipWriter::create(buffer.data(), size_t(buffer.size()), ZipWriter::TargetMemory);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), addResult);
    const void* data = nullptr;
    size_t length = 0;
    QCOMPARE(ZipWriter::getMemory(zip, &data, &length), memoryResult);
    QCOMPARE(data, static_cast<const void*>(buffer.constData()));
    if (memoryResult == 0)
        QCOMPARE(QByteArray(buffer.constData(), int(length)), addResult == 0 ? expected : EmptyArchive);
    QCOMPARE(ZipWriter::close(zip), 0u);
}

void TestZipWriter::writerAllocatedMemory()
{
    ZipWriter* zip = ZipWriter::create(nullptr, 4 << 20, ZipWriter::TargetMemory);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), 0u);
    QCOMPARE(ZipWriter::addFile(zip, "x.jpg", path("src/x.jpg")), 0u);
    const void* data = nullptr;
    size_t length = 0;
    QCOMPARE(ZipWriter::getMemory(zip, &data, &length), 0u);
    // The directory is written: later entries are refused.
    QCOMPARE(ZipWriter::addFile(zip, "a.png", path("src/a.png")), 0x50000u);
    const QString archive = path("memory.zip");
    writeFile(archive, QByteArray(static_cast<const char*>(data), int(length)));
    QCOMPARE(ZipWriter::close(zip), 0u);
    PyArchive py;
    QVERIFY(isValidArchive(archive, &py));
    QCOMPARE(py.names, (QStringList{"doc.kml", "x.jpg"}));
    QCOMPARE(py.entries["x.jpg"].sha, sha256(readAll(path("src/x.jpg"))));
}

void TestZipWriter::handleTargets_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("file at offset 100") << "offset";
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("appending file") << "append";
}

void TestZipWriter::handleTargets()
{
    QFETCH(QString, mode);
    const Entries entries = {{"doc.kml", path("src/doc.kml")},
                             {"inner.ZIP", path("src/inner.ZIP")},
                             {"x.jpg", path("src/x.jpg")}};
    const QString target = path("handle.bin");
    PipeSink sink;
    int fd = -1;
    if (mode == "pipe") {
        QVERIFY(sink.open());
        fd = sink.ends[1];
    } else {
        writeFile(target, QByteArray(100, 'p'));
        fd = ::open(QFile::encodeName(target).constData(), mode == "append" ? O_WRONLY | O_APPEND : O_RDWR);
        QVERIFY(fd >= 0);
        QCOMPARE(lseek(fd, 0, SEEK_END), off_t(100));
    }
    ZipWriter* zip = ZipWriter::create(&fd, 0, ZipWriter::TargetHandle);
    QVERIFY(zip);
    for (const auto& entry : entries)
        QCOMPARE(ZipWriter::addFile(zip, entry.first, entry.second), 0u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(fcntl(fd, F_GETFD), 0); // the caller's handle stays open
    ::close(fd);
    const QByteArray written = mode == "pipe" ? sink.finish() : readAll(target).mid(100);

    if (mode == "offset") { // seekable: headers are rewritten, as in a file archive
        QCOMPARE(written, fileArchive(path("handle-ref.zip"), entries));
        return;
    }
    const QString archive = path("handle.zip");
    writeFile(archive, written);
    const QVector<Record> records = centralDirectory(written);
    QCOMPARE(records.size(), entries.size());
    for (const Record& r : records) {
        QCOMPARE(r.flags & 8u, 8u);
        const quint32 dataEnd = r.offset + 30 + quint32(r.name.size()) + 17 + r.compressedSize;
        QCOMPARE(written.mid(int(dataEnd), 4), QByteArray("PK\x07\x08"));
        QCOMPARE(le(written, int(dataEnd) + 4, 4), r.crc);
    }
    PyArchive py;
    QVERIFY(isValidArchive(archive, &py));
    for (const auto& entry : entries)
        QCOMPARE(py.entries[entry.first].sha, sha256(readAll(entry.second)));
}

void TestZipWriter::sourceKinds()
{
    const QString archive = path("kinds.zip");
    const QByteArray doc = readAll(path("src/doc.kml"));
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);

    const int file = ::open(QFile::encodeName(path("src/doc.kml")).constData(), O_RDONLY);
    QVERIFY(file >= 0);
    QCOMPARE(ZipWriter::addFile(zip, u"handle.kml", &file, 0, ZipWriter::SourceHandle), 0u);
    QCOMPARE(lseek(file, 10, SEEK_SET), off_t(10));
    QCOMPARE(ZipWriter::addFile(zip, u"part.kml", &file, 100, ZipWriter::SourceHandle), 0u);
    ::close(file);

    int ends[2];
    QCOMPARE(pipe(ends), 0);
    const QByteArray piped = "data that arrives through a pipe\n";
    QCOMPARE(::write(ends[1], piped.constData(), size_t(piped.size())), ssize_t(piped.size()));
    ::close(ends[1]);
    QCOMPARE(ZipWriter::addFile(zip, u"pipe.txt", &ends[0], 0, ZipWriter::SourceHandle), 0u);
    ::close(ends[0]);

    const QByteArray memory = "bytes from memory";
    const uint64_t size = uint64_t(memory.size());
    QCOMPARE(ZipWriter::addFile(zip, u"memory.txt", memory.constData(), size, ZipWriter::SourceMemory), 0u);
    QCOMPARE(ZipWriter::addFile(zip, u"folder", nullptr, 0, ZipWriter::SourceFolder), 0u);
    QCOMPARE(ZipWriter::addFile(zip, u"memory.gz", memory.constData(), size, ZipWriter::SourceMemory), 0u);
    QCOMPARE(ZipWriter::close(zip), 0u);

    PyArchive py;
    QVERIFY(isValidArchive(archive, &py));
    QCOMPARE(py.names, (QStringList{"handle.kml", "part.kml", "pipe.txt", "memory.txt", "folder/", "memory.gz"}));
    QCOMPARE(py.entries["handle.kml"].sha, sha256(doc));
    QCOMPARE(py.entries["handle.kml"].externalAttr, 0x81800020u);
    QCOMPARE(py.entries["part.kml"].sha, sha256(doc.mid(10, 100)));
    QCOMPARE(py.entries["pipe.txt"].sha, sha256(piped));
    QCOMPARE(py.entries["pipe.txt"].externalAttr, 0x80000000u);
    QCOMPARE(py.entries["memory.txt"].sha, sha256(memory));
    QCOMPARE(py.entries["memory.gz"].compressType, 0);
    QCOMPARE(py.entries["memory.gz"].sha, sha256(memory));
    QCOMPARE(py.entries["folder/"].externalAttr, 0x41C00010u);
    QCOMPARE(py.entries["folder/"].compressType, 0);
    QCOMPARE(py.entries["folder/"].fileSize, 0);
}

void TestZipWriter::encryptedEntries()
{
    const QString archive = path("secret.zip");
    ZipWriter* zip = ZipWriter::open(archive, "geheim");
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), 0u);
    QCOMPARE(ZipWriter::addFile(zip, "inner.ZIP", path("src/inner.ZIP")), 0u);
    QCOMPARE(ZipWriter::addFile(zip, u"folder", nullptr, 0, ZipWriter::SourceFolder), 0u);
    QCOMPARE(ZipWriter::close(zip), 0u);

    PyArchive py;
    QVERIFY(isValidArchive(archive, &py, "geheim"));
    QCOMPARE(py.entries["doc.kml"].sha, sha256(readAll(path("src/doc.kml"))));
    QCOMPARE(py.entries["doc.kml"].flags, 0xBu);
    const QByteArray inner = readAll(path("src/inner.ZIP"));
    QCOMPARE(py.entries["inner.ZIP"].sha, sha256(inner));
    QCOMPARE(py.entries["inner.ZIP"].flags, 0x9u);
    QCOMPARE(py.entries["inner.ZIP"].compressSize, qint64(inner.size()) + 12);
    QCOMPARE(py.entries["folder/"].flags, 0x0u);

    // The stored entry's local header announces the encrypted size up front.
    const QByteArray zipBytes = readAll(archive);
    for (const Record& r : centralDirectory(zipBytes))
        if (r.name == "inner.ZIP")
            QCOMPARE(localHeader(zipBytes, r.offset).compressedSize, quint32(inner.size() + 12));

    QVERIFY(!readWithPython(archive).ok);
    QVERIFY(!readWithPython(archive, "wrong").ok);
    const ToolRun sevenZip = runTool("7z", {"t", "-pgeheim", archive});
    QVERIFY2(sevenZip.output.contains("Everything is Ok"), qPrintable(sevenZip.text()));
}

void TestZipWriter::externalAttributes_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<uint>("attributes");
    auto program = [](quint32 header, const char* signature) {
        QByteArray bytes(256, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        for (int i = 0; i < 4; ++i)
            bytes[60 + i] = char(header >> (8 * i));
        if (header + 2 <= 256)
            bytes.replace(int(header), 2, signature);
        return bytes;
    };
    QTest::newRow("writable") << "plain.txt" << QByteArray("text") << false << 0x81800020u;
    QTest::newRow("read-only") << "locked.txt" << QByteArray("text") << true << 0x81000021u;
    QTest::newRow("hidden") << ".hidden" << QByteArray("text") << false << 0x81800022u;
    QTest::newRow("PE program") << "tool.exe" << program(128, "PE") << false << 0x81C00020u;
    QTest::newRow("NE program") << "old.exe" << program(64, "NE") << false << 0x81C00020u;
    QTest::newRow("header pointer outside") << "broken.exe" << program(1000, "PE") << false << 0x81800020u;
    QTest::newRow("unknown signature") << "odd.exe" << program(128, "XX") << false << 0x81800020u;
}

void TestZipWriter::externalAttributes()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, readOnly);
    QFETCH(uint, attributes);
    const QString source = path("attr/" + fileName);
    QFile::remove(source);
    writeFile(source, content);
    if (readOnly)
        QVERIFY(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QVector<Record> records = centralDirectory(fileArchive(path("attr.zip"), {{fileName, source}}));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records[0].externalAttributes, attributes);
}

void TestZipWriter::readErrorFailsEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("deflated") << "broken.bin";
    QTest::newRow("stored") << "broken.zip";
}

void TestZipWriter::readErrorFailsEntry()
{
    QFETCH(QString, name);
    const QString archive = path("readerror.zip");
    const QByteArray reference = docArchive(path("readerror-ref.zip"));
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), 0u);
    // Reading a folder's descriptor fails (EISDIR) after the header is written.
    const int folder = ::open(QFile::encodeName(m_dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);
    QCOMPARE(ZipWriter::addFile(zip, u16(name), &folder, 0, ZipWriter::SourceHandle), 0x400u);
    ::close(folder);
    QCOMPARE(ZipWriter::addFile(zip, "x.jpg", path("src/x.jpg")), 0x40000u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    // The failed entry leaves nothing behind.
    QCOMPARE(readAll(archive), reference);
    QVERIFY(isValidArchive(archive));
}

void TestZipWriter::storedSizeChangeOnPipe()
{
    // Neither target nor header can be rewound: a stored entry must deliver
    // the size its header announced.
    PipeSink sink;
    QVERIFY(sink.open());
    ZipWriter* zip = ZipWriter::create(&sink.ends[1], 0, ZipWriter::TargetHandle);
    QVERIFY(zip);
    int source[2];
    QCOMPARE(pipe(source), 0);
    QCOMPARE(::write(source[1], "only thirty bytes arrive here.", 30), ssize_t(30));
    ::close(source[1]);
    QCOMPARE(ZipWriter::addFile(zip, u"short.zip", &source[0], 100, ZipWriter::SourceHandle), 0x04000000u);
    QCOMPARE(ZipWriter::lastResult(), 0x04000000u);
    ::close(source[0]);
    QCOMPARE(ZipWriter::close(zip), 0u);
    ::close(sink.ends[1]);
    QCOMPARE(endRecord(sink.finish()).entries, 0u);
}

void TestZipWriter::entryCountLimit()
{
    ZipWriter* zip = ZipWriter::create(nullptr, 16 << 20, ZipWriter::TargetMemory);
    QVERIFY(zip);
    for (int i = 0; i < 65535; ++i)
        if (ZipWriter::addFile(zip, u16(QString::number(i)), nullptr, 0, ZipWriter::SourceFolder))
            QFAIL(qPrintable(QStringLiteral("entry %1 refused").arg(i)));
    QCOMPARE(ZipWriter::addFile(zip, u"one too many", nullptr, 0, ZipWriter::SourceFolder), 0x400u);
    const void* data = nullptr;
    size_t length = 0;
    QCOMPARE(ZipWriter::getMemory(zip, &data, &length), 0u);
    const QByteArray bytes(static_cast<const char*>(data), int(length));
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(endRecord(bytes).entries, 65535u);
    writeFile(path("many.zip"), bytes);
    QCOMPARE(readWithPython(path("many.zip")).names.size(), 65535);
}

void TestZipWriter::sourceOf4GiBFails()
{
    const QString big = path("big.bin");
    {
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(qint64(1) << 32))
            QSKIP("no room for a sparse 4 GiB file");
    }
    const QString archive = path("big.zip");
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), 0u);
    QCOMPARE(ZipWriter::addFile(zip, "big.bin", big), 0x400u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QFile::remove(big);
    PyArchive py;
    QVERIFY(isValidArchive(archive, &py));
    QCOMPARE(py.names, QStringList{"doc.kml"});
}

QTEST_GUILESS_MAIN(TestZipWriter)
#include "tst_zipwriter.moc"
