#include "export/ZipWriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using kiv::ZipWriter;

namespace {

constexpr qint64 Mtime = 1623752437; // 2021-06-15 10:20:37 UTC

const char16_t* u16(const QString& s)
{
    return reinterpret_cast<const char16_t*>(s.utf16());
}

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForFinished(120000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

QString python()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                            : QStringLiteral("python3");
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
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(mtime, Qt::UTC),
                             QFileDevice::FileModificationTime));
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
    bool ok = false;
    QString testzip;
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
        "print('testzip', z.testzip())\n"
        "for i in z.infolist():\n"
        "    d = z.read(i)\n"
        "    print('\\t'.join(['entry', i.filename, str(i.compress_type), hex(i.flag_bits),\n"
        "        str(i.create_system), str(i.create_version), str(i.extract_version),\n"
        "        hex(i.external_attr), hashlib.sha256(d).hexdigest(), str(i.compress_size),\n"
        "        str(i.file_size)]))\n");
    QStringList arguments = {QStringLiteral("-c"), script, archive};
    if (!password.isEmpty())
        arguments << password;
    const ToolRun tool = run(python(), arguments);
    PyArchive result;
    result.output = tool.output;
    result.ok = tool.exitCode == 0;
    for (const QString& line : tool.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("testzip ")))
            result.testzip = line.mid(8);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() != 11 || f[0] != QLatin1String("entry"))
            continue;
        PyEntry e;
        e.compressType = f[2].toInt();
        e.flags = f[3].toUInt(nullptr, 0);
        e.createSystem = f[4].toInt();
        e.createVersion = f[5].toInt();
        e.extractVersion = f[6].toInt();
        e.externalAttr = f[7].toUInt(nullptr, 0);
        e.sha = f[8].toLatin1();
        e.compressSize = f[9].toLongLong();
        e.fileSize = f[10].toLongLong();
        result.names << f[1];
        result.entries.insert(f[1], e);
    }
    return result;
}

quint32 le(const QByteArray& data, int offset, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | quint8(data.at(offset + i));
    return value;
}

// The fields of a central directory record, and of its local header.
struct Record
{
    quint32 versionMadeBy = 0;
    quint32 versionNeeded = 0;
    quint32 flags = 0;
    quint32 method = 0;
    quint32 time = 0;
    quint32 date = 0;
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 size = 0;
    QByteArray name;
    QByteArray extra;
    quint32 externalAttributes = 0;
    quint32 offset = 0;
};

struct EndRecord
{
    quint32 entries = 0;
    quint32 directorySize = 0;
    quint32 directoryOffset = 0;
};

EndRecord endRecord(const QByteArray& zip)
{
    const int at = zip.size() - 22;
    EndRecord end;
    if (at < 0 || zip.mid(at, 4) != QByteArray("PK\x05\x06"))
        return end;
    end.entries = le(zip, at + 10, 2);
    end.directorySize = le(zip, at + 12, 4);
    end.directoryOffset = le(zip, at + 16, 4);
    return end;
}

QVector<Record> centralDirectory(const QByteArray& zip)
{
    QVector<Record> records;
    const EndRecord end = endRecord(zip);
    int at = int(end.directoryOffset);
    for (quint32 i = 0; i < end.entries && zip.mid(at, 4) == QByteArray("PK\x01\x02"); ++i) {
        Record r;
        r.versionMadeBy = le(zip, at + 4, 2);
        r.versionNeeded = le(zip, at + 6, 2);
        r.flags = le(zip, at + 8, 2);
        r.method = le(zip, at + 10, 2);
        r.time = le(zip, at + 12, 2);
        r.date = le(zip, at + 14, 2);
        r.crc = le(zip, at + 16, 4);
        r.compressedSize = le(zip, at + 20, 4);
        r.size = le(zip, at + 24, 4);
        const int nameLength = int(le(zip, at + 28, 2));
        const int extraLength = int(le(zip, at + 30, 2));
        const int commentLength = int(le(zip, at + 32, 2));
        r.externalAttributes = le(zip, at + 38, 4);
        r.offset = le(zip, at + 42, 4);
        r.name = zip.mid(at + 46, nameLength);
        r.extra = zip.mid(at + 46 + nameLength, extraLength);
        records << r;
        at += 46 + nameLength + extraLength + commentLength;
    }
    return records;
}

Record localHeader(const QByteArray& zip, quint32 offset)
{
    Record r;
    const int at = int(offset);
    if (zip.mid(at, 4) != QByteArray("PK\x03\x04"))
        return r;
    r.versionNeeded = le(zip, at + 4, 2);
    r.flags = le(zip, at + 6, 2);
    r.method = le(zip, at + 8, 2);
    r.time = le(zip, at + 10, 2);
    r.date = le(zip, at + 12, 2);
    r.crc = le(zip, at + 14, 4);
    r.compressedSize = le(zip, at + 18, 4);
    r.size = le(zip, at + 22, 4);
    const int nameLength = int(le(zip, at + 26, 2));
    r.name = zip.mid(at + 30, nameLength);
    r.extra = zip.mid(at + 30 + nameLength, int(le(zip, at + 28, 2)));
    return r;
}

QByteArray kmlText(int size)
{
    QRandomGenerator random(21);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document>\n";
    for (int i = 0; out.size() < size; ++i)
        out += QStringLiteral("<Placemark><name>L%1</name><Point><coordinates>%2,%3,0"
                              "</coordinates></Point></Placemark>\n")
                   .arg(i)
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
            img.setPixel(x, y, qRgb((x * 3) % 256, (y * 5) % 256, int(random.bounded(64))));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

} // namespace

class TestZipWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void realReaders_data();
    void realReaders();
    void bsdtarExtractsSources();
    void pythonReadsEntries_data();
    void pythonReadsEntries();
    void fileEntriesHaveNoDataDescriptor();
    void emptyArchiveIs22Bytes();
    void singleEntryLayout();
    void dosTimeAndDate_data();
    void dosTimeAndDate();
    void storedSuffixes_data();
    void storedSuffixes();
    void entryNames_data();
    void entryNames();
    void missingSourceKeepsArchive();
    void badArguments_data();
    void badArguments();
    void nullHandle();
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
    // A file archive of the given (name, source) pairs; empty on failure.
    QByteArray fileArchive(const QString& archive, const QList<QPair<QString, QString>>& entries);

    QTemporaryDir m_dir;
    QString m_archive;
    QList<QPair<QString, QString>> m_entries; // name in archive, source file
};

QByteArray TestZipWriter::fileArchive(const QString& archive,
                                      const QList<QPair<QString, QString>>& entries)
{
    ZipWriter* zip = ZipWriter::open(archive);
    if (!zip)
        return QByteArray();
    for (const auto& entry : entries)
        if (ZipWriter::addFile(zip, entry.first, entry.second) != 0) {
            ZipWriter::close(zip);
            return QByteArray();
        }
    if (ZipWriter::close(zip) != 0)
        return QByteArray();
    return readAll(archive);
}

void TestZipWriter::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeFile(path("src/doc.kml"), kmlText(200000));
    writeFile(path("src/a.png"), imageBytes("PNG", 300, 200, 1));
    writeFile(path("src/x.jpg"), imageBytes("JPG", 320, 240, 2));
    writeFile(path("src/sub/pic.jpg"), imageBytes("JPG", 200, 100, 3));
    const QByteArray inner = fileArchive(path("src/inner.ZIP"), {{"doc.kml", path("src/doc.kml")}});
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

void TestZipWriter::realReaders_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unzip") << "unzip" << QStringList{"-t", m_archive} << "No errors detected";
    QTest::newRow("7z") << "7z" << QStringList{"t", m_archive} << "Everything is Ok";
    QTest::newRow("bsdtar") << "bsdtar" << QStringList{"-tvf", m_archive} << "sub/pic.jpg";
}

void TestZipWriter::realReaders()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const ToolRun tool = run(program, arguments);
    QVERIFY2(tool.exitCode == 0, qPrintable(tool.output));
    QVERIFY2(tool.output.contains(expected), qPrintable(tool.output));
}

void TestZipWriter::bsdtarExtractsSources()
{
    const QString out = path("bsdtar-out");
    QVERIFY(QDir().mkpath(out));
    const ToolRun tool = run("bsdtar", {"-xf", m_archive, "-C", out});
    QVERIFY2(tool.exitCode == 0, qPrintable(tool.output));
    for (const auto& entry : m_entries) {
        const QString extracted = out + '/' + QString(entry.first).replace('\\', '/');
        QVERIFY2(readAll(extracted) == readAll(entry.second), qPrintable(extracted));
    }
}

void TestZipWriter::pythonReadsEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("compressType");
    QTest::addColumn<uint>("flags");
    QTest::newRow("doc.kml") << "doc.kml" << path("src/doc.kml") << 8 << 0x2u;
    QTest::newRow("a.png") << "a.png" << path("src/a.png") << 8 << 0x2u;
    QTest::newRow("x.jpg") << "x.jpg" << path("src/x.jpg") << 8 << 0x2u;
    QTest::newRow("inner.ZIP") << "inner.ZIP" << path("src/inner.ZIP") << 0 << 0x0u;
    QTest::newRow("sub/pic.jpg") << "sub/pic.jpg" << path("src/sub/pic.jpg") << 8 << 0x2u;
}

void TestZipWriter::pythonReadsEntries()
{
    QFETCH(QString, name);
    QFETCH(QString, source);
    QFETCH(int, compressType);
    QFETCH(uint, flags);
    const PyArchive py = readWithPython(m_archive);
    QVERIFY2(py.ok, qPrintable(py.output));
    QCOMPARE(py.testzip, QStringLiteral("None"));
    QCOMPARE(py.names.size(), m_entries.size());
    QVERIFY2(py.entries.contains(name), qPrintable(py.names.join(',')));
    const PyEntry e = py.entries.value(name);
    QCOMPARE(e.compressType, compressType);
    QCOMPARE(e.flags, flags);
    QCOMPARE(e.createSystem, 11);
    QCOMPARE(e.createVersion, 23);
    QCOMPARE(e.extractVersion, 20);
    QCOMPARE(e.externalAttr, 0x81800020u);
    QCOMPARE(e.sha, sha256(readAll(source)));
}

void TestZipWriter::fileEntriesHaveNoDataDescriptor()
{
    const QByteArray zip = readAll(m_archive);
    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), m_entries.size());
    quint32 expectedOffset = 0;
    for (const Record& central : records) {
        QCOMPARE(central.offset, expectedOffset);
        const Record local = localHeader(zip, central.offset);
        QCOMPARE(local.flags & 8u, 0u);
        QCOMPARE(local.flags, central.flags);
        QCOMPARE(local.crc, central.crc);
        QCOMPARE(local.compressedSize, central.compressedSize);
        QCOMPARE(local.size, central.size);
        // The next header follows the data directly: no descriptor in between.
        expectedOffset = central.offset + 30 + quint32(local.name.size())
                         + quint32(local.extra.size()) + central.compressedSize;
    }
    QCOMPARE(endRecord(zip).directoryOffset, expectedOffset);
}

void TestZipWriter::emptyArchiveIs22Bytes()
{
    ZipWriter* zip = ZipWriter::open(path("empty.zip"));
    QVERIFY(zip);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(readAll(path("empty.zip")), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    const ToolRun tool = run(python(), {"-c", "import zipfile,sys; "
                                              "print(len(zipfile.ZipFile(sys.argv[1]).namelist()))",
                                        path("empty.zip")});
    QCOMPARE(tool.output.trimmed(), QStringLiteral("0"));
}

void TestZipWriter::singleEntryLayout()
{
    const QByteArray zip = fileArchive(path("single.zip"), {{"doc.kml", path("src/doc.kml")}});
    const QVector<Record> records = centralDirectory(zip);
    QCOMPARE(records.size(), 1);
    const Record& central = records.first();
    QCOMPARE(zip.size(), 138 + int(central.compressedSize));
    QCOMPARE(central.versionMadeBy, 0x0B17u);
    QCOMPARE(central.versionNeeded, 20u);
    QCOMPARE(central.flags, 2u);
    QCOMPARE(central.method, 8u);
    QCOMPARE(central.size, quint32(readAll(path("src/doc.kml")).size()));

    const Record local = localHeader(zip, 0);
    QCOMPARE(local.versionNeeded, 20u);
    QCOMPARE(local.extra.size(), 17);
    QCOMPARE(central.extra.size(), 9);
    QCOMPARE(local.extra.left(5), QByteArray("UT\x0D\x00\x07", 5));
    QCOMPARE(central.extra.left(5), QByteArray("UT\x05\x00\x07", 5));
    QCOMPARE(le(local.extra, 5, 4), quint32(Mtime));
    QCOMPARE(le(central.extra, 5, 4), quint32(Mtime));
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
    QTest::newRow("UTC") << QByteArray("UTC") << Mtime << time << date << uint(Mtime);
    QTest::newRow("Tokyo") << QByteArray("Asia/Tokyo") << Mtime << time << date << uint(Mtime);
    QTest::newRow("Los Angeles")
        << QByteArray("America/Los_Angeles") << Mtime << time << date << uint(Mtime);
    QTest::newRow("1975 clamps to 1980")
        << QByteArray("Europe/Zurich") << qint64(157766400) << 0u << uint((1 << 5) | 1)
        << 157766400u;
    QTest::newRow("2110 clamps to 2107")
        << QByteArray("UTC") << qint64(4417977600) << uint((23 << 11) | (59 << 5) | 29)
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
    QCOMPARE(records[0].time, dosTime);
    QCOMPARE(records[0].date, dosDate);
    const Record local = localHeader(zip, 0);
    QCOMPARE(local.time, dosTime);
    QCOMPARE(local.date, dosDate);
    QCOMPARE(le(local.extra, 5, 4), unixTime);
    QCOMPARE(le(records[0].extra, 5, 4), unixTime);
}

void TestZipWriter::storedSuffixes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("method");
    for (const char* name : {"a.zip", "A.ZIP", "b.Z", "c.z", "d.zoo", "e.ARC", "f.lzh", "g.arj",
                             "h.gz", "i.TGZ", "k.Gz"})
        QTest::newRow(name) << name << 0u;
    for (const char* name : {"doc.kml", "a.png", "x.jpg", "zip", "archive.zipx", "notes.zip.txt",
                             "folder.zip/file", "gz"})
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
    QTest::newRow("backslash") << "sub\\pic.jpg" << "sub/pic.jpg" << false;
    QTest::newRow("nested backslashes") << "a\\b\\c.txt" << "a/b/c.txt" << false;
    QTest::newRow("non-ASCII") << QString::fromUtf8("Straße\\Gneiß é.txt")
                               << QString::fromUtf8("Straße/Gneiß é.txt") << true;
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

    const ToolRun unzip = run("unzip", {"-t", archive});
    QVERIFY2(unzip.output.contains("No errors detected"), qPrintable(unzip.output));
    const PyArchive py = readWithPython(archive);
    QCOMPARE(py.testzip, QStringLiteral("None"));
    QCOMPARE(py.names, QStringList{"doc.kml"});
}

enum BadCall { EmptyName, NullName, KindZero, KindFive, NullSourcePath, NullMemory };
Q_DECLARE_METATYPE(BadCall)

void TestZipWriter::badArguments_data()
{
    QTest::addColumn<BadCall>("call");
    QTest::newRow("empty name") << EmptyName;
    QTest::newRow("null name") << NullName;
    QTest::newRow("source kind 0") << KindZero;
    QTest::newRow("source kind 5") << KindFive;
    QTest::newRow("null source path") << NullSourcePath;
    QTest::newRow("null memory") << NullMemory;
}

void TestZipWriter::badArguments()
{
    QFETCH(BadCall, call);
    const QString archive = path("bad.zip");
    ZipWriter* zip = ZipWriter::open(archive);
    QVERIFY(zip);
    const QString source = path("src/doc.kml");
    uint32_t result = 0;
    switch (call) {
    case EmptyName: result = ZipWriter::addFile(zip, QString(), source); break;
    case NullName: result = ZipWriter::addFile(zip, nullptr, u16(source)); break;
    case KindZero: result = ZipWriter::addFile(zip, u"a.txt", u16(source), 0, 0); break;
    case KindFive: result = ZipWriter::addFile(zip, u"a.txt", u16(source), 0, 5); break;
    case NullSourcePath: result = ZipWriter::addFile(zip, u"a.txt", nullptr); break;
    case NullMemory:
        result = ZipWriter::addFile(zip, u"a.txt", nullptr, 10, ZipWriter::SourceMemory);
        break;
    }
    QCOMPARE(result, 0x10000u);
    QCOMPARE(ZipWriter::lastResult(), 0x10000u);
    QCOMPARE(ZipWriter::close(zip), 0u);
    QCOMPARE(readAll(archive).size(), 22);
}

void TestZipWriter::nullHandle()
{
    QCOMPARE(ZipWriter::addFile(nullptr, "a", path("src/doc.kml")), 0x10000u);
    QCOMPARE(ZipWriter::lastResult(), 0x10000u);
    QCOMPARE(ZipWriter::close(nullptr), 0x10000u);
    const void* data = nullptr;
    size_t length = 0;
    QCOMPARE(ZipWriter::getMemory(nullptr, &data, &length), 0x10000u);
    // A file target has no memory to give.
    ZipWriter* zip = ZipWriter::open(path("nomemory.zip"));
    QCOMPARE(ZipWriter::getMemory(zip, &data, &length), 0x10000u);
    QCOMPARE(ZipWriter::close(zip), 0u);
}

void TestZipWriter::createFailures_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("length");
    QTest::addColumn<uint>("result");
    QTest::newRow("memory of length 0") << 3 << QString() << 0 << 0x30000u;
    QTest::newRow("path in a missing folder") << 2 << path("no/such/dir/a.zip") << 0 << 0x200u;
    QTest::newRow("closed handle") << 1 << QString() << 0 << 0x01000000u;
    QTest::newRow("kind 4") << 4 << path("k4.zip") << 0 << 0x10000u;
    QTest::newRow("kind 0") << 0 << path("k0.zip") << 0 << 0x10000u;
}

void TestZipWriter::createFailures()
{
    QFETCH(int, kind);
    QFETCH(QString, target);
    QFETCH(int, length);
    QFETCH(uint, result);
    const int closedFd = 987; // never opened by this test
    const void* pointer = kind == ZipWriter::TargetHandle ? static_cast<const void*>(&closedFd)
                          : target.isEmpty()             ? nullptr
                                                         : u16(target);
    QVERIFY(!ZipWriter::create(pointer, size_t(length), kind));
    QCOMPARE(ZipWriter::lastResult(), result);
}

void TestZipWriter::memoryTarget_data()
{
    QTest::addColumn<int>("shortBy");
    QTest::addColumn<uint>("addResult");
    QTest::addColumn<uint>("memoryResult");
    QTest::addColumn<int>("memoryLength"); // -1: the whole file archive
    QTest::newRow("exact fit") << 0 << 0u << 0u << -1;
    QTest::newRow("end record one byte short") << 1 << 0u << 0x400u << -1;
    // The entry is dropped and the end record alone still fits.
    QTest::newRow("entry does not fit") << 200 << 0x30000u << 0u << 22;
}

void TestZipWriter::memoryTarget()
{
    QFETCH(int, shortBy);
    QFETCH(uint, addResult);
    QFETCH(uint, memoryResult);
    QFETCH(int, memoryLength);
    const QByteArray expected = fileArchive(path("memory-ref.zip"), {{"doc.kml", path("src/doc.kml")}});
    QVERIFY(!expected.isEmpty());
    QByteArray buffer(expected.size() - shortBy, '\0');
    ZipWriter* zip = ZipWriter::create(buffer.data(), size_t(buffer.size()), ZipWriter::TargetMemory);
    QVERIFY(zip);
    QCOMPARE(ZipWriter::addFile(zip, "doc.kml", path("src/doc.kml")), addResult);
    const void* data = nullptr;
    size_t length = 0;
    QCOMPARE(ZipWriter::getMemory(zip, &data, &length), memoryResult);
    QCOMPARE(data, static_cast<const void*>(buffer.constData()));
    if (memoryLength == -1 && memoryResult == 0)
        QCOMPARE(QByteArray(static_cast<const char*>(data), int(length)), expected);
    if (memoryLength == 22)
        QCOMPARE(QByteArray(buffer.constData(), 22), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
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
    const PyArchive py = readWithPython(archive);
    QCOMPARE(py.testzip, QStringLiteral("None"));
    QCOMPARE(py.names, (QStringList{"doc.kml", "x.jpg"}));
    QCOMPARE(py.entries["x.jpg"].sha, sha256(readAll(path("src/x.jpg"))));
}

void TestZipWriter::handleTargets_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("descriptors");
    QTest::newRow("file at offset 100") << "offset" << false;
    QTest::newRow("pipe") << "pipe" << true;
    QTest::newRow("appending file") << "append" << true;
}

void TestZipWriter::handleTargets()
{
    QFETCH(QString, mode);
    QFETCH(bool, descriptors);
    const QList<QPair<QString, QString>> entries = {{"doc.kml", path("src/doc.kml")},
                                                    {"inner.ZIP", path("src/inner.ZIP")},
                                                    {"x.jpg", path("src/x.jpg")}};
    const QByteArray reference = fileArchive(path("handle-ref.zip"), entries);
    const QString target = path("handle.bin");
    QByteArray written;
    int fd = -1;
    int pipeEnds[2] = {-1, -1};
    std::thread reader;
    if (mode == "pipe") {
        QCOMPARE(pipe(pipeEnds), 0);
        fd = pipeEnds[1];
        reader = std::thread([&] {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
                written.append(buffer, int(n));
        });
    } else {
        writeFile(target, QByteArray(100, 'p'));
        fd = ::open(QFile::encodeName(target).constData(),
                    mode == "append" ? O_WRONLY | O_APPEND : O_RDWR);
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
    if (reader.joinable()) {
        reader.join();
        ::close(pipeEnds[0]);
    } else {
        written = readAll(target).mid(100);
    }

    if (!descriptors) {
        QCOMPARE(written, reference);
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
    const ToolRun unzip = run("unzip", {"-t", archive});
    QVERIFY2(unzip.output.contains("No errors detected"), qPrintable(unzip.output));
    const PyArchive py = readWithPython(archive);
    QCOMPARE(py.testzip, QStringLiteral("None"));
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
    QCOMPARE(ZipWriter::addFile(zip, u"memory.txt", memory.constData(), uint64_t(memory.size()),
                                ZipWriter::SourceMemory),
             0u);
    QCOMPARE(ZipWriter::addFile(zip, u"folder", nullptr, 0, ZipWriter::SourceFolder), 0u);
    QCOMPARE(ZipWriter::addFile(zip, u"memory.gz", memory.constData(), uint64_t(memory.size()),
                                ZipWriter::SourceMemory),
             0u);
    QCOMPARE(ZipWriter::close(zip), 0u);

    const ToolRun unzip = run("unzip", {"-t", archive});
    QVERIFY2(unzip.output.contains("No errors detected"), qPrintable(unzip.output));
    const PyArchive py = readWithPython(archive);
    QCOMPARE(py.testzip, QStringLiteral("None"));
    QCOMPARE(py.names, (QStringList{"handle.kml", "part.kml", "pipe.txt", "memory.txt", "folder/",
                                    "memory.gz"}));
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

    const PyArchive py = readWithPython(archive, "geheim");
    QVERIFY2(py.ok, qPrintable(py.output));
    QCOMPARE(py.testzip, QStringLiteral("None"));
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
    const ToolRun unzip = run("unzip", {"-P", "geheim", "-t", archive});
    QVERIFY2(unzip.output.contains("No errors detected"), qPrintable(unzip.output));
    const ToolRun sevenZip = run("7z", {"t", "-pgeheim", archive});
    QVERIFY2(sevenZip.output.contains("Everything is Ok"), qPrintable(sevenZip.output));
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
    QTest::newRow("header pointer outside")
        << "broken.exe" << program(1000, "PE") << false << 0x81800020u;
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
    const QByteArray zip = fileArchive(path("attr.zip"), {{fileName, source}});
    const QVector<Record> records = centralDirectory(zip);
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
    const QByteArray reference = fileArchive(path("readerror-ref.zip"), {{"doc.kml", path("src/doc.kml")}});
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
    const ToolRun unzip = run("unzip", {"-t", archive});
    QVERIFY2(unzip.output.contains("No errors detected"), qPrintable(unzip.output));
}

void TestZipWriter::storedSizeChangeOnPipe()
{
    // Neither target nor header can be rewound: a stored entry must deliver
    // the size its header announced.
    int target[2];
    QCOMPARE(pipe(target), 0);
    QByteArray written;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(target[0], buffer, sizeof buffer)) > 0)
            written.append(buffer, int(n));
    });
    ZipWriter* zip = ZipWriter::create(&target[1], 0, ZipWriter::TargetHandle);
    QVERIFY(zip);
    int source[2];
    QCOMPARE(pipe(source), 0);
    QCOMPARE(::write(source[1], "only thirty bytes arrive here.", 30), ssize_t(30));
    ::close(source[1]);
    QCOMPARE(ZipWriter::addFile(zip, u"short.zip", &source[0], 100, ZipWriter::SourceHandle),
             0x04000000u);
    QCOMPARE(ZipWriter::lastResult(), 0x04000000u);
    ::close(source[0]);
    QCOMPARE(ZipWriter::close(zip), 0u);
    ::close(target[1]);
    reader.join();
    ::close(target[0]);
    QCOMPARE(endRecord(written).entries, 0u);
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
    const QString archive = path("many.zip");
    writeFile(archive, bytes);
    const ToolRun tool = run(python(), {"-c", "import zipfile,sys; "
                                              "print(len(zipfile.ZipFile(sys.argv[1]).namelist()))",
                                        archive});
    QCOMPARE(tool.output.trimmed(), QStringLiteral("65535"));
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
    const PyArchive py = readWithPython(archive);
    QCOMPARE(py.testzip, QStringLiteral("None"));
    QCOMPARE(py.names, QStringList{"doc.kml"});
}

QTEST_GUILESS_MAIN(TestZipWriter)
#include "tst_zipwriter.moc"
