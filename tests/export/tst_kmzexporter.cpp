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

#include <sys/inotify.h>
#include <unistd.h>

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

// The names of the files made in folder while work runs.
QStringList createdDuring(const QString& folder, const std::function<void()>& work)
{
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QStringList names;
    if (watcher < 0)
        return names;
    if (inotify_add_watch(watcher, QFile::encodeName(folder).constData(), IN_CREATE) >= 0) {
        work();
        alignas(inotify_event) char events[64 * 1024];
        ssize_t size = 0;
        while ((size = read(watcher, events, sizeof events)) > 0) {
            for (char* at = events; at < events + size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0)
                    names << QFile::decodeName(event->name);
                at += sizeof(inotify_event) + event->len;
            }
        }
    }
    close(watcher);
    return names;
}

// No export file is left in the project or the temporary folder.
void verifyNoWorkingFiles(const ExportFixture& fixture)
{
    QVERIFY(!QFileInfo::exists(fixture.documentPath()));
    QVERIFY(!QFileInfo::exists(archiveOf(fixture) + QStringLiteral(".part")));
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
        const QString part = archive + QStringLiteral(".part");
        if (cause == QLatin1String("icons")) {
            QDir(temp).removeRecursively();
            QFile file(temp);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (cause == QLatin1String("zip")) {
            QVERIFY(QDir().mkpath(part));
        } else {
            // More than the limit below, and not compressible.
            QFile photo(fixture.project->folder().absoluteFilePath(QStringLiteral("images/a.jpg")));
            QVERIFY(photo.open(QIODevice::WriteOnly));
            photo.write(randomBytes(256 * 1024, 7));
        }
        {
            QFile earlier(archive);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("the last good archive");
        }
        std::unique_ptr<FileSizeLimit> full;
        if (cause == QLatin1String("full"))
            full = std::make_unique<FileSizeLimit>(64 * 1024);
        QVERIFY(!full || full->isSet());
        const ExportRun run = runExport(*fixture.project);
        full.reset();
        QFile::remove(temp);
        QDir().rmdir(part);
        QVERIFY(!run.ok);
        QVERIFY(run.announced.isEmpty());
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
        QTest::newRow("unfinished KMZ archive") << "documents" << "project1.kmz.part" << "file" << true;
        QTest::newRow("unfinished exchange archive") << "documents" << "project1.kiv.part" << "file" << true;
        QTest::newRow("no project of that name") << "documents" << "other.kmz.part" << "file" << false;
        QTest::newRow("a user's part file") << "documents" << "notes.part" << "file" << false;
        QTest::newRow("finished archive") << "documents" << "project1.kmz" << "file" << false;
        QTest::newRow("archive part that is a link") << "documents" << "project1.kmz.part" << "link" << false;
        QTest::newRow("archive part name on a folder") << "documents" << "project1.kmz.part" << "folder" << false;
        QTest::newRow("unfinished CSV file") << "documents" << "project1.qz/plane.csv.k3j2h1.part" << "file" << true;
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
        QTest::newRow("working folder") << "temp" << "export-Ab12Cd" << "folder" << true;
        QTest::newRow("working folder that is a link") << "temp" << "export-Ab12Cd" << "link" << false;
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
        if (kind == "file") {
            QVERIFY(writeFile(path, "PK"));
        } else if (kind == "link") {
            QVERIFY(QFile::link(place == "temp" ? documents.path() : userFile, path));
        } else if (kind == "csv") {
            const QStringList made = createdDuring(path, [&] { QVERIFY(CSVExporter().exportProject(fixture.project.get())); });
            QVERIFY(!made.isEmpty());
            path = QDir(path).filePath(made.first());
            QVERIFY(writeFile(path, "latitude"));
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
