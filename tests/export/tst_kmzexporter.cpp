#include "Database/Task.h"
#include "app/ApplicationManagerWin.h"
#include "Database/SQLiteDatabase.h"
#include "export/CSVExporter.h"
#include "Database/StartLeftovers.h"
#include "export/ExportLeftovers.h"
#include "export/KMZExporter.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/MergeJournal.h"
#include "model/Project.h"
#include "support/ExportFixture.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QImage>
#include <QtTest>

#include <clocale>

using namespace kiv;
using namespace kiv::test;

namespace {

struct ExportRun
{
    bool ok = false;
    QList<int> progress;
    QList<QStringList> announced;
};

ExportRun runExport(Project& project)
{
    IdleTask task;
    ExportRun run;
    QObject::connect(&task, &Task::progressChanged, [&](Task*, int value) { run.progress << value; });
    QObject::connect(ApplicationManager::instance(), &ApplicationManager::fileSystemChanged,
                     &task, [&](const QStringList& paths) { run.announced << paths; });
    KMZExporter exporter(&task);
    run.ok = exporter.exportProject(&project, false);
    return run;
}

QString archiveOf(const ExportFixture& fixture)
{
    return fixture.parentFolder().absoluteFilePath(QStringLiteral("project1.kmz"));
}

// The entry names in order; empty when Python's zipfile rejects the archive.
QStringList entries(const QString& archive)
{
    const ToolRun run = runTool(python3(), {QStringLiteral("-c"),
                                            QStringLiteral("import sys, zipfile\n"
                                                           "z = zipfile.ZipFile(sys.argv[1])\n"
                                                           "assert z.testzip() is None\n"
                                                           "print('\\n'.join(z.namelist()))"),
                                            archive});
    if (run.exitCode != 0)
        return {};
    return QString::fromUtf8(run.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray entry(const QString& archive, const QString& name)
{
    return runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, name}).output;
}

QString png(int n)
{
    return QString::fromStdString(idOf(n)) + QStringLiteral(".png");
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool appendToJournal(const QDir& project, const QByteArray& lines)
{
    const QStringList journals = project.entryList({".merge-*.journal"}, QDir::Files | QDir::Hidden);
    QFile file(journals.isEmpty() ? QString() : project.filePath(journals.first()));
    return file.open(QIODevice::Append) && file.write(lines) == lines.size();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files directly in a folder, by name, as they were at the first warning
// while it lives: what a kill at that moment would have left.
class FilesAtWarning
{
public:
    explicit FilesAtWarning(const QString& folder)
        : m_folder(folder)
        , m_previous(qInstallMessageHandler(handle))
    {
        s_current = this;
    }
    ~FilesAtWarning()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    // The names that match pattern, written back as they were.
    QStringList restore(const QString& pattern) const
    {
        const QStringList names = files.keys().filter(QRegularExpression(pattern));
        for (const QString& name : names) {
            QFile file(m_folder.filePath(name));
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(files.value(name)) < 0)
                return {};
        }
        return names;
    }

    QMap<QString, QByteArray> files;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        FilesAtWarning* self = s_current;
        if (type == QtWarningMsg && self->files.isEmpty()) {
            for (const QString& name : self->m_folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
                self->files.insert(name, readAll(self->m_folder.filePath(name)));
        }
        if (self->m_previous)
            self->m_previous(type, context, message);
    }

    static inline FilesAtWarning* s_current = nullptr;
    QDir m_folder;
    QtMessageHandler m_previous;
};

// A journal as a killed export leaves it in folder, listing one entry.
QString plantJournal(const QDir& folder, const QByteArray& header, const QByteArray& entry)
{
    const QString path = folder.filePath(".export-0123456789abcdef.journal");
    return writeFile(path, header + "\n" + entry + "\n") ? path : QString();
}

// No export file is left in the project or the temporary folder.
void verifyNoWorkingFiles(const ExportFixture& fixture)
{
    QVERIFY(!QFileInfo::exists(fixture.documentPath()));
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System;
    QCOMPARE(fixture.parentFolder().entryList({"*.part", ".export-*"}, all), QStringList());
    QCOMPARE(fixture.project->folder().entryList({".export-*"}, all), QStringList());
    const QDir temp(ApplicationManager::instance()->tempPath());
    QVERIFY(temp.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

// A locality with one of everything, and one without a position.
void fillProject(ExportFixture& fixture)
{
    auto locality = fixture.addLocality(1);
    locality->setName(QStringLiteral("Gneiss ridge"));
    fixture.project->syncLocalityDetails(locality.get());
    fixture.addPlane(*locality, 10, 30, 120);
    auto lineation = locality->addLineation(idOf(11), 45.5, 9.2, 20, 200, 4, 13, QString());
    fixture.store(lineation);
    fixture.store(locality->addSighting(idOf(12), 45.5, 9.2, 75, 4, 20, QString()));
    fixture.store(locality->addAnnotation(idOf(13), 45.5, 9.2, QStringLiteral("note")));
    fixture.addImage(*locality, 14, 45, QStringLiteral("a.jpg"));
    fixture.addPhoto(QStringLiteral("a.jpg"));
    fixture.addLine(*locality, 20, false, 2);
    fixture.addLine(*locality, 21, true, 3);
    fixture.addLine(*locality, 22, true, 0);
    auto nowhere = fixture.addLocality(2, 999, 999);
    nowhere->setName(QStringLiteral("Nowhere"));
    fixture.project->syncLocalityDetails(nowhere.get());
    fixture.addPlane(*nowhere, 30, 30, 10);
}

} // namespace

class TestKmzExporter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManagerWin> m_application;

private slots:
    void initTestCase()
    {
        m_application = std::make_unique<ApplicationManagerWin>(nullptr);
    }

    void cleanupTestCase() { m_application.reset(); }

    void archive()
    {
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        fixture.addPlane(*locality, 2, 30, 10);
        fixture.addPlane(*locality, 3, 40, 10);
        fixture.addPlane(*locality, 4, 89, 10);
        const ExportRun run = runExport(*fixture.project);
        QVERIFY(run.ok);
        const QString archive = archiveOf(fixture);
        QCOMPARE(run.announced, QList<QStringList>{QStringList{archive}});
        QCOMPARE(run.progress, (QList<int>{25, 50, 75, 100}));
        const QStringList names = entries(archive);
        QCOMPARE(names.size(), 4);
        QCOMPARE(names.first(), png(1));
        QCOMPARE(names.last(), QStringLiteral("doc.kml"));
        QVERIFY(names.contains(png(4)));
        QVERIFY(names.contains(png(2)) != names.contains(png(3)));
        for (const QString& name : names.mid(0, 3)) {
            const QImage icon = QImage::fromData(entry(archive, name), "PNG");
            QCOMPARE(icon.size(), QSize(64, 64));
            QVERIFY(icon.hasAlphaChannel());
            QVERIFY(icon.pixelColor(0, 0).alpha() == 0);
            QVERIFY(icon.pixelColor(32, 32).alpha() > 0 || icon.pixelColor(32, 20).alpha() > 0);
        }
        QCOMPARE(runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), archive}).exitCode, 0);
        verifyNoWorkingFiles(fixture);
    }

    void emptyProject()
    {
        ExportFixture fixture;
        QVERIFY(runExport(*fixture.project).ok);
        QCOMPARE(entries(archiveOf(fixture)), QStringList{QStringLiteral("doc.kml")});
        verifyNoWorkingFiles(fixture);
    }

    void photographs()
    {
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        fixture.addImage(*locality, 2, 10, QStringLiteral("missing.jpg"));
        fixture.addImage(*locality, 3, 10, QStringLiteral("a.jpg"));
        fixture.addImage(*locality, 4, 10, QStringLiteral("a.jpg"));
        fixture.addPhoto(QStringLiteral("a.jpg"));
        QVERIFY(runExport(*fixture.project).ok);
        const QString archive = archiveOf(fixture);
        const QStringList names = entries(archive);
        QCOMPARE(names.last(), QStringLiteral("a.jpg"));
        QCOMPARE(names.count(QStringLiteral("a.jpg")), 1);
        QVERIFY(!names.contains(QStringLiteral("missing.jpg")));
        QCOMPARE(entry(archive, "a.jpg"), QByteArray("photo a.jpg"));
        QCOMPARE(entry(archive, "doc.kml").count("<name>Image</name>"), 3);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("temporary folder is a file") << "icons";
        QTest::newRow("the archive cannot be written") << "zip";
        QTest::newRow("the disk fills while packing") << "full";
    }

    void failures()
    {
        QFETCH(QString, cause);
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        fixture.addPlane(*locality, 2, 30, 10);
        fixture.addImage(*locality, 3, 10, QStringLiteral("a.jpg"));
        fixture.addPhoto(QStringLiteral("a.jpg"));
        const QString temp = ApplicationManager::instance()->tempPath();
        const QString archive = archiveOf(fixture);
        // A folder at the archive's name cannot be replaced.
        const QString kept = cause == QLatin1String("zip") ? archive + QStringLiteral("/kept") : archive;
        if (cause == QLatin1String("icons")) {
            QDir(temp).removeRecursively();
            QFile file(temp);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (cause == QLatin1String("zip")) {
            QVERIFY(QDir().mkpath(archive));
        } else {
            // More than the limit below, and not compressible.
            QFile photo(fixture.project->folder().absoluteFilePath(QStringLiteral("images/a.jpg")));
            QVERIFY(photo.open(QIODevice::WriteOnly));
            photo.write(randomBytes(256 * 1024, 7));
        }
        QVERIFY(writeFile(kept, "the last good archive"));
        std::unique_ptr<FileSizeLimit> full;
        if (cause == QLatin1String("full"))
            full = std::make_unique<FileSizeLimit>(64 * 1024);
        QVERIFY(!full || full->isSet());
        const QDir documents = fixture.parentFolder();
        FilesAtWarning atFailure(documents.path());
        const ExportRun run = runExport(*fixture.project);
        full.reset();
        QFile::remove(temp);
        QVERIFY(!run.ok);
        QVERIFY(run.announced.isEmpty());
        QCOMPARE(readAll(kept), QByteArray("the last good archive"));
        verifyNoWorkingFiles(fixture);
        if (cause != QLatin1String("full"))
            return;
        // Killed there instead, it would have left the part its journal lists.
        const QStringList left = atFailure.restore("^(\\.export-.*|project1\\.kmz\\..*\\.part)$");
        QCOMPARE(left.size(), 2);
        QCOMPARE(atFailure.files.value(left.first()),
                 "quarzel export journal 1\npart " + left.last().toUtf8() + "\n");
        StartLeftovers start;
        ExportLeftovers::feed(start, documents.path(), temp);
        QCOMPARE(start.settle(documents.path()), 1);
        QCOMPARE(readAll(archive), QByteArray("the last good archive"));
        verifyNoWorkingFiles(fixture);
    }

    // What a killed export leaves goes at the next start; the user's files
    // with like names, and what links lead to, stay.
    void leftoversOfStoppedExports_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        QTest::newRow("unfinished KMZ archive")
            << "documents" << "project1.kmz.0123456789abcdef.part" << "journaled file" << true;
        QTest::newRow("unfinished exchange archive")
            << "documents" << "project1.kiv.0123456789abcdef.part" << "journaled file" << true;
        QTest::newRow("unfinished KMZ archive of a project kept elsewhere")
            << "elsewhere" << "project1.kmz.0123456789abcdef.part" << "journaled file" << true;
        // No journal of the program's lists them.
        QTest::newRow("a user's download named like an unfinished archive")
            << "documents" << "project1.kmz.part" << "file" << false;
        QTest::newRow("part listed by a journal of another program")
            << "documents" << "project1.kmz.0123456789abcdef.part" << "foreign-journaled file" << false;
        QTest::newRow("export journal naming a file no export makes")
            << "documents" << "project1.qz/localities.csv" << "journaled file" << false;
        QTest::newRow("no project of that name") << "documents" << "other.kmz.part" << "file" << false;
        QTest::newRow("a user's part file") << "documents" << "notes.part" << "file" << false;
        QTest::newRow("finished archive") << "documents" << "project1.kmz" << "file" << false;
        QTest::newRow("archive part that is a link")
            << "documents" << "project1.kmz.0123456789abcdef.part" << "journaled link" << false;
        QTest::newRow("archive part name on a folder")
            << "documents" << "project1.kmz.0123456789abcdef.part" << "journaled folder" << false;
        QTest::newRow("unfinished CSV file")
            << "documents" << "project1.qz/plane.csv.0123456789abcdef.part" << "journaled file" << true;
        QTest::newRow("a user's file named like a CSV part")
            << "documents" << "project1.qz/localities.csv.1a2b.part" << "file" << false;
        QTest::newRow("working file of a CSV export") << "documents" << "project1.qz" << "csv" << true;
        QTest::newRow("copy of a stopped merge") << "documents" << "project1.qz/images/b.jpg" << "merge" << true;
        QTest::newRow("copy of a merge stopped after it was stored")
            << "documents" << "project1.qz/images/b.jpg" << "stored merge" << false;
        QTest::newRow("merge journal naming a link and a file outside")
            << "documents" << "project1.qz/images/b.jpg" << "hostile merge" << false;
        QTest::newRow("empty copy of a merge killed as it made it")
            << "documents" << "project1.qz/images/b.jpg" << "killed merge" << true;
        QTest::newRow("a user's file at the name of a copy not yet made")
            << "documents" << "project1.qz/images/b.jpg" << "merge killed before its copy" << false;
        QTest::newRow("a user's file that took a copy's name as the merge was killed")
            << "documents" << "project1.qz/images/b.jpg" << "merge killed after its name was taken" << false;
        QTest::newRow("a user's file at a copy's name, the failed copy gone before the kill")
            << "documents" << "project1.qz/images/b.jpg" << "merge killed after its failed copy went" << false;
        QTest::newRow("copy of a merge whose database cannot be read")
            << "documents" << "project1.qz/images/b.jpg" << "merge, database locked" << false;
        // No journal lists it: no merge of the program's made it.
        QTest::newRow("part of a merge without its journal")
            << "documents" << "project1.qz/images/.merge-0123456789abcdef.part" << "file" << false;
        QTest::newRow("part name without a journal in the project folder")
            << "documents" << "project1.qz/.merge-0123456789abcdef.part" << "file" << false;
        QTest::newRow("a user's file named like a merge's part")
            << "documents" << "project1.qz/images/.merge-notes.part" << "file" << false;
        QTest::newRow("copy of a stopped merge in a project kept elsewhere")
            << "elsewhere" << "project1.qz/images/b.jpg" << "merge" << true;
        QTest::newRow("working file of a CSV export in a project kept elsewhere")
            << "elsewhere" << "project1.qz" << "csv" << true;
        QTest::newRow("a user's CSV part file") << "documents" << "project1.qz/field.csv.k3j2h1.part" << "file" << false;
        QTest::newRow("working folder") << "temp" << "export-0123456789abcdef" << "journaled folder" << true;
        QTest::newRow("working folder that is a link")
            << "temp" << "export-0123456789abcdef" << "journaled link" << false;
        QTest::newRow("working folder an earlier version left without a journal")
            << "temp" << "export-Ab12Cd" << "folder" << false;
        QTest::newRow("folder of another name") << "temp" << "export-Ab12" << "folder" << false;
        QTest::newRow("file named like a working folder") << "temp" << "export-Ab12Cd" << "file" << false;
    }

    void leftoversOfStoppedExports()
    {
        QFETCH(QString, place);
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        ExportFixture fixture;
        const QDir documents = fixture.parentFolder();
        const QString temp = ApplicationManager::instance()->tempPath();
        QVERIFY(QDir().mkpath(temp));
        QString path = QDir(place == "temp" ? temp : documents.path()).filePath(name);
        const QString userFile = documents.filePath("field notes.txt");
        QVERIFY(writeFile(userFile, "mine"));
        // A photo a row refers to, and one of the user's beside it.
        fixture.addImage(*fixture.addLocality(1), 2, 10, "a.jpg");
        fixture.addPhoto("a.jpg");
        fixture.addPhoto("mine.jpg");
        const QDir images(fixture.project->folder().absoluteFilePath("images"));
        MergeJournal journal;
        // As a killed export left it, or another program's like it.
        QString exportJournal;
        const bool foreign = kind.startsWith("foreign");
        if (kind.contains("journaled ")) {
            const QByteArray header = foreign ? "other journal 1" : "quarzel export journal 1";
            const QByteArray entry = (place == "temp" ? "folder " : "part ") + QFileInfo(path).fileName().toUtf8();
            QVERIFY(!(exportJournal = plantJournal(QFileInfo(path).dir(), header, entry)).isEmpty());
            kind = kind.section(' ', -1);
        }
        if (kind == "file") {
            QVERIFY(writeFile(path, "PK"));
        } else if (kind == "link") {
            QVERIFY(QFile::link(place == "temp" ? documents.path() : userFile, path));
        } else if (kind == "csv") {
            // Failed at a file it cannot replace, where a kill could stop it too.
            QVERIFY(QDir(path).mkdir("plane.csv"));
            FilesAtWarning atFailure(path);
            QVERIFY(!CSVExporter().exportProject(fixture.project.get()));
            const QStringList left = atFailure.restore("^(\\.export-.*|plane\\.csv\\..*\\.part)$");
            QCOMPARE(left.size(), 2);
            path = QDir(path).filePath(left.last());
        } else if (kind.contains("merge")) {
            // Copied and noted as the merge does it.
            QVERIFY(journal.begin(fixture.project->folder(), fixture.project->database()->connection()));
            QVERIFY(journal.noteLocality(idOf(kind == "stored merge" ? 1 : 9)));
            const QString part = journal.notePart(path);
            QVERIFY(!part.isEmpty());
            if (kind == "hostile merge") {
                QVERIFY(QFile::link(userFile, path));
                // Both the older and the present way of noting a copy.
                const QByteArray listed = fixture.project->folder().relativeFilePath(part).toUtf8();
                QVERIFY(appendToJournal(fixture.project->folder(), "file ../field%20notes.txt\ncopy " + listed
                                            + " images/b.jpg\nplacing " + listed + "\n"));
            } else if (kind == "merge killed before its copy") {
                QVERIFY(writeFile(path, "mine"));
            } else if (kind == "merge killed after its name was taken") {
                QVERIFY(writeFile(part, "copy"));
                QVERIFY(writeFile(path, "mine"));
                QVERIFY(!journal.place(part, path));
                QCOMPARE(readAll(path), QByteArray("mine"));
                QVERIFY(QFile::exists(part));
            } else if (kind == "merge killed after its failed copy went") {
                // As the merge's end notes it, then removes the copy.
                QVERIFY(writeFile(part, "copy"));
                QVERIFY(writeFile(path, "mine"));
                QVERIFY(!journal.place(part, path));
                const QByteArray listed = fixture.project->folder().relativeFilePath(part).toUtf8();
                QVERIFY(appendToJournal(fixture.project->folder(), "unplaced " + listed + "\n"));
                QVERIFY(QFile::remove(part));
            } else if (kind == "killed merge") {
                QVERIFY(writeFile(part, QByteArray()));
                path = part;
            } else {
                QVERIFY(writeFile(part, "copy"));
                QVERIFY(journal.place(part, path));
            }
        } else {
            QVERIFY(QDir().mkpath(path + "/icons"));
        }
        // Inside a working folder: icons, and a link out that is not followed.
        if (kind == "folder") {
            QVERIFY(writeFile(path + "/icons/a.png", "png"));
            QVERIFY(QFile::link(userFile, path + "/doc.kml"));
        }

        {
            const bool blind = kind.endsWith("locked");
            std::unique_ptr<DatabaseLock> lock;
            if (blind)
                lock = std::make_unique<DatabaseLock>(fixture.project->folder().filePath("main.db"), "EXCLUSIVE");
            QVERIFY(!blind || lock->isLocked());
            // A part left beside the user's file goes too.
            const int count = (removed ? 1 : 0) + (kind.endsWith("taken") ? 1 : 0);
            // Opened from elsewhere: only the folders passed in are searched.
            const QTemporaryDir elsewhere;
            StartLeftovers start;
            ExportLeftovers::feed(start, place == "elsewhere" ? elsewhere.path() : documents.path(), temp);
            MergeJournal::feed(start);
            if (place == "elsewhere")
                QCOMPARE(start.settle(elsewhere.path(), {fixture.project->folder().path()}), count);
            else
                QCOMPARE(start.settle(documents.path()), count);
            QStringList journals = fixture.project->folder().entryList({".merge-*"}, QDir::Files | QDir::Hidden);
            journals.removeAll(fixture.project->folder().relativeFilePath(path));
            QCOMPARE(journals.size(), blind ? 1 : 0);
        }
        QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), !removed);
        // Settled, unless it is not the program's.
        QCOMPARE(QFileInfo::exists(exportJournal), foreign);
        if (kind.startsWith("merge killed"))
            QCOMPARE(readAll(path), QByteArray("mine"));
        QCOMPARE(readAll(userFile), QByteArray("mine"));
        QVERIFY(documents.exists("project1.qz/main.db"));
        QCOMPARE(readAll(images.filePath("a.jpg")) + readAll(images.filePath("mine.jpg")),
                 QByteArray("photo a.jpgphoto mine.jpg"));
        QStringList parts = images.entryList({".merge-*"}, QDir::Files | QDir::Hidden);
        parts.removeAll(QFileInfo(path).fileName());
        QCOMPARE(parts, QStringList());
        QFile::remove(path);
        QDir(path).removeRecursively();
        if (foreign)
            QFile::remove(exportJournal);
    }

    void readers_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::newRow("KML") << "KML";
        QTest::newRow("LIBKML") << "LIBKML";
    }

    void readers()
    {
        QFETCH(QString, driver);
        ExportFixture fixture;
        fillProject(fixture);
        QVERIFY(runExport(*fixture.project).ok);
        const QString other = driver == QLatin1String("KML") ? QStringLiteral("LIBKML") : QStringLiteral("KML");
        QString source = archiveOf(fixture);
        if (driver == QLatin1String("KML"))
            source = QStringLiteral("/vsizip/") + source + QStringLiteral("/doc.kml");
        const ToolRun run = runTool(QStringLiteral("ogrinfo"),
                                    {"--config", "OGR_SKIP", other, "-ro", "-al", source});
        const QString text = run.text();
        QVERIFY2(run.exitCode == 0, qPrintable(text));
        // The KML driver drops a folder whose placemarks have no geometry.
        const bool libkml = driver == QLatin1String("LIBKML");
        QCOMPARE(text.count(QStringLiteral("Layer name: ")), libkml ? 2 : 1);
        const QString ridge = text.mid(text.indexOf(QStringLiteral("Layer name: Gneiss ridge")));
        QVERIFY(ridge.contains(QStringLiteral("Feature Count: 9")));
        QCOMPARE(ridge.left(ridge.indexOf(QStringLiteral("Layer name: "), 1)).count(QStringLiteral("POINT (9.2 45.5)")), 6);
        QVERIFY(text.contains(QStringLiteral("Name (String) = 30\u00b0")));
        QVERIFY(text.contains(QStringLiteral("POLYGON ((9.2 45.5,9.21 45.5,9.21 45.51,9.2 45.5))")));
        QVERIFY(text.contains(QStringLiteral("LINESTRING (9.2 45.5,9.21 45.5)")));
        QVERIFY(text.contains(QStringLiteral("POLYGON EMPTY")));
        if (libkml) {
            QVERIFY(text.contains(QStringLiteral("timestamp (DateTime) = 1970/01/01 00:00:01+00")));
            QString nowhere = text.mid(text.indexOf(QStringLiteral("Layer name: Nowhere")));
            nowhere = nowhere.left(nowhere.indexOf(QStringLiteral("Layer name: "), 1));
            QVERIFY(nowhere.contains(QStringLiteral("Feature Count: 2")));
            QVERIFY(!nowhere.contains(QStringLiteral("POINT")));
        }
    }

    // Run again as a child under a German locale, where the C library
    // writes decimal commas.
    void classicNumbersUnderGermanLocale()
    {
        checkUnderGermanLocale(QStringLiteral("classicNumbersUnderGermanLocale"), [this] { exportUnderLocale(); });
    }

private:
    void exportUnderLocale()
    {
        ExportFixture fixture;
        fillProject(fixture);
        QVERIFY(runExport(*fixture.project).ok);
        const QByteArray document = entry(archiveOf(fixture), QStringLiteral("doc.kml"));
        for (const char* text : {"<coordinates>9.200000,45.500000</coordinates>", "<heading>120.000000</heading>",
                                 "<width>2.000000</width>", "Declination: 0.00\xC2\xB0", "Heading: 45.000000"})
            QVERIFY2(document.contains(text), text);
        for (const char* text : {"9,2", "0,00", "120,0", "2,0", "45,0"})
            QVERIFY2(!document.contains(text), text);
    }
};

QTEST_MAIN(TestKmzExporter)
#include "tst_kmzexporter.moc"
