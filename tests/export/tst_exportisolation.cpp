#include "app/ApplicationManager.h"
#include "export/CSVExporter.h"
#include "export/KIVExporter.h"
#include "export/KMZExporter.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ExportFixture.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QtTest>

using namespace kiv;
using namespace kiv::test;

namespace {

// What a colleague's project may hold: names from its records and links in
// its folder that lead to the user's other files.
enum class Trap {
    LocalityIdClimbsOut,
    DatumIdClimbsOut,
    DocumentIsLink,
    BaseMapMainXml,
    MainXmlIsLink,
    PhotoNameClimbsOut,
    PhotoIsLink,
    CsvFileIsLink,
};

// Names, link targets and contents of everything under folder, links not
// followed; main.db is left out, as the exports read it.
QByteArray folderHash(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.fileName().startsWith(QLatin1String("main.db")))
            continue;
        QString entry = QDir(folder).relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            entry += " -> " + info.symLinkTarget();
        } else if (info.isFile()) {
            QFile file(info.filePath());
            file.open(QIODevice::ReadOnly);
            entry += " " + QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        }
        entries << entry;
    }
    entries.sort();
    return entries.join('\n').toUtf8();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A record id that climbs from any folder to the neighbour's file.
std::string climbingId(const QDir& neighbour, const QString& name)
{
    return (QStringLiteral("../").repeated(40) + neighbour.absoluteFilePath(name)).toStdString();
}

} // namespace

Q_DECLARE_METATYPE(Trap)

class TestExportIsolation : public QObject
{
    Q_OBJECT

private:
    ExportApplication m_application;

private slots:
    // Each export of a project set with one trap succeeds, leaves the
    // neighbouring folder and the project's own files as they were, keeps no
    // working file and packs nothing from outside images/.
    void nothingOutsideIsTouched_data()
    {
        QTest::addColumn<Trap>("trap");
        QTest::addColumn<QString>("format");
        QTest::newRow("locality id climbing out") << Trap::LocalityIdClimbsOut << "kmz";
        QTest::newRow("datum id climbing out") << Trap::DatumIdClimbsOut << "kmz";
        QTest::newRow("doc.kml is a link") << Trap::DocumentIsLink << "kmz";
        QTest::newRow("main.xml of a base map") << Trap::BaseMapMainXml << "kiv";
        QTest::newRow("main.xml is a link") << Trap::MainXmlIsLink << "kiv";
        QTest::newRow("photo name climbing out, kmz") << Trap::PhotoNameClimbsOut << "kmz";
        QTest::newRow("photo name climbing out, kiv") << Trap::PhotoNameClimbsOut << "kiv";
        QTest::newRow("photo is a link, kmz") << Trap::PhotoIsLink << "kmz";
        QTest::newRow("photo is a link, kiv") << Trap::PhotoIsLink << "kiv";
        QTest::newRow("plane.csv is a link") << Trap::CsvFileIsLink << "csv";
    }

    void nothingOutsideIsTouched()
    {
        QFETCH(Trap, trap);
        QFETCH(QString, format);
        ExportFixture fixture;
        const QDir project = fixture.project->folder();
        QVERIFY(fixture.parentFolder().mkdir("neighbour"));
        const QDir neighbour(fixture.parentFolder().absoluteFilePath("neighbour"));
        for (const char* name : {"secret.txt", "victim.png", "victim.xml"})
            writeFile(neighbour.absoluteFilePath(name), QByteArray("CONFIDENTIAL ") + name);

        const bool climbingLocality = trap == Trap::LocalityIdClimbsOut;
        auto locality = fixture.project->createLocality(
            climbingLocality ? climbingId(neighbour, "victim") : idOf(1));
        locality->setLatitude(45.5);
        locality->setLongitude(9.2);
        fixture.project->syncLocalityDetails(locality.get());
        auto plane = locality->addPlane(trap == Trap::DatumIdClimbsOut ? climbingId(neighbour, "victim") : idOf(2),
                                        45.5, 9.2, 30, 30, 4, 7, "plane");
        fixture.project->syncDataDetails(plane);
        fixture.addImage(*locality, 3, 10, trap == Trap::PhotoNameClimbsOut ? "../../neighbour/secret.txt" : "a.jpg");
        QVERIFY(project.mkpath("images"));
        const auto link = [&](const QString& name, const QString& target) {
            QVERIFY(QFile::link(neighbour.absoluteFilePath(target), project.absoluteFilePath(name)));
        };
        switch (trap) {
        case Trap::DocumentIsLink: link("doc.kml", "victim.xml"); break;
        case Trap::MainXmlIsLink: link("main.xml", "victim.xml"); break;
        case Trap::PhotoIsLink: link("images/a.jpg", "secret.txt"); break;
        case Trap::CsvFileIsLink: link("plane.csv", "victim.xml"); break;
        case Trap::BaseMapMainXml: writeFile(project.absoluteFilePath("main.xml"), "<Map/>"); break;
        default: break;
        }
        const QByteArray neighbourBefore = folderHash(neighbour.path());
        const QByteArray projectBefore = folderHash(project.path());

        IdleTask task;
        bool ok = false;
        if (format == QLatin1String("kmz"))
            ok = KMZExporter(&task).exportProject(fixture.project.get(), false);
        else if (format == QLatin1String("kiv"))
            ok = KIVExporter(&task).exportProject(fixture.project.get());
        else
            ok = CSVExporter().exportProject(fixture.project.get());
        QVERIFY(ok);

        QCOMPARE(folderHash(neighbour.path()), neighbourBefore);
        QVERIFY(QDir(ApplicationManager::instance()->tempPath())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
        if (format == QLatin1String("csv")) {
            // The link itself is replaced by the file; what it led to stays.
            const QFileInfo written(project.absoluteFilePath("plane.csv"));
            QVERIFY(!written.isSymLink() && written.isFile());
            QVERIFY(written.size() > 0);
            return;
        }
        QCOMPARE(folderHash(project.path()), projectBefore);
        const QString archive = fixture.parentFolder().absoluteFilePath("project1." + format);
        const ToolRun python = runTool(python3(), {"-c",
                                                   "import sys, zipfile\n"
                                                   "z = zipfile.ZipFile(sys.argv[1])\n"
                                                   "for n in z.namelist():\n"
                                                   "    assert '/' not in n and '\\\\' not in n, n\n"
                                                   "    assert b'CONFIDENTIAL' not in z.read(n), n\n"
                                                   "print(len(z.namelist()))",
                                                   archive});
        QVERIFY2(python.exitCode == 0, qPrintable(python.text()));
    }
};

QTEST_MAIN(TestExportIsolation)
#include "tst_exportisolation.moc"
