#include "app/ApplicationManagerWin.h"
#include "export/CSVExporter.h"
#include "export/CSVText.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/StratColumnModel.h"
#include "support/ExportFixture.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <ctime>

#include <sys/stat.h>

using namespace kiv;
using namespace kiv::test;

namespace {

enum class Hostile {
    LeadingQuote,
    InnerQuote,
    ControlCharacters,
    LineBreaks,
    HeadingMinusOne,
    HeadingUnset,
    HeadingZero,
    LocalityNowhere,
    DatumNowhere,
};

const QStringList FileNames = {"localities.csv", "plane.csv", "line.csv", "sighting.csv", "image.csv",
                               "note.csv", "stratcolumn.csv", "rock-units.csv", "polyline.csv",
                               "polyline-attributes.csv"};

struct CsvRun
{
    bool ok = false;
    QList<QStringList> announced;
};

CsvRun runExport(Project& project)
{
    Announcements announcements;
    const bool ok = CSVExporter().exportProject(&project);
    return {ok, announcements.paths};
}

// The lines of a file without their CR LF; the last, empty piece dropped.
QList<QByteArray> linesOf(const Project& project, const QString& name)
{
    QFile file(project.folder().absoluteFilePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r'))
            return {"line without CR LF"};
        line.chop(1);
    }
    return lines;
}

QList<QByteArray> cells(const QByteArray& row)
{
    return row.split(',');
}

} // namespace

Q_DECLARE_METATYPE(Hostile)

class TestCsvExporter : public QObject
{
    Q_OBJECT

private:
    ExportApplication m_application;

private slots:
    void emptyProject()
    {
        ExportFixture fixture;
        fixture.project->clearRockUnits();
        const CsvRun run = runExport(*fixture.project);
        QVERIFY(run.ok);
        QStringList paths;
        for (const QString& name : FileNames)
            paths << fixture.project->folder().absoluteFilePath(name);
        QCOMPARE(run.announced, QList<QStringList>{paths});
        QCOMPARE(fixture.project->folder().entryList({".export-*", "*.part"}, QDir::Files | QDir::Hidden),
                 QStringList());
        for (const QString& name : FileNames) {
            const int expected = name == QLatin1String("stratcolumn.csv") ? 7 : 1;
            QCOMPARE(linesOf(*fixture.project, name).size(), expected);
        }
        QCOMPARE(linesOf(*fixture.project, "rock-units.csv").first(), QByteArray("unitId, type, color, name"));
        QCOMPARE(linesOf(*fixture.project, "stratcolumn.csv").at(4), QByteArray("#0000FF,#0000CD,#00009B,#000069,,,"));
        QCOMPARE(linesOf(*fixture.project, "polyline.csv").first(),
                 QByteArray("dataId, x, y, latitude, longitude, zone"));
    }

    void planeRow_data()
    {
        QTest::addColumn<float>("dipAzimuth");
        QTest::addColumn<QByteArray>("strike");
        QTest::newRow("30") << 30.0f << QByteArray("300.000000");
        QTest::newRow("90") << 90.0f << QByteArray("0.000000");
        QTest::newRow("270") << 270.0f << QByteArray("180.000000");
    }

    void planeRow()
    {
        QFETCH(float, dipAzimuth);
        QFETCH(QByteArray, strike);
        ExportFixture fixture;
        fixture.project->addRockUnit(2, "Sandstone", QColor("#aabbcc"), 0);
        auto locality = fixture.addLocality(1);
        auto plane = locality->addPlane(idOf(2), 45.5, 9.2, 30, dipAzimuth, 2, 7, "Ridge, north\r\nside");
        plane->setTimeStamp(315626635);
        QVERIFY(runExport(*fixture.project).ok);
        const QList<QByteArray> rows = linesOf(*fixture.project, "plane.csv");
        QCOMPARE(rows.size(), 2);
        const QByteArray expected = QByteArray::fromStdString(idOf(1)) + ", Locality 1, "
                                    + QByteArray::fromStdString(idOf(2))
                                    + ", 515625.359593, 5038515.956102, 45.500000, 9.200000, 32T, 0.000000, "
                                      "-1.000000, -1.000000, Plane Type 3, 30.000000, "
                                    + QByteArray::number(dipAzimuth, 'f', 6) + ", " + strike
                                    + ", 0.000000, Sandstone, Wed Jan 02 02:03:55 1980, Ridge  north  side";
        QCOMPARE(rows.at(1), expected);
    }

    void ctimeOfUnconvertibleTime()
    {
        QCOMPARE(ctimeString(315626635), std::string("Wed Jan 02 02:03:55 1980"));
        QCOMPARE(ctimeString(std::numeric_limits<qint64>::max()), std::string());
    }

    void lines()
    {
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        auto polygon = locality->addPolygon(idOf(2), 4, LineData2D::Dashed, 1.0f, 0.25f, "");
        for (const double longitude : {9.2, 9.21, 9.22})
            polygon->addPoint(45.5, longitude);
        auto open = locality->addPolyline(idOf(3), 4, LineData2D::Solid, 2.0f, 1.0f, "");
        for (const double longitude : {9.2, 9.21, 9.22})
            open->addPoint(45.5, longitude);
        locality->addPolyline(idOf(4), 4, LineData2D::Dotted, 2.0f, 1.0f, "");
        auto crossing = locality->addPolyline(idOf(5), 4, LineData2D::Solid, 2.0f, 1.0f, "");
        crossing->addPoint(45.5, 5.99);
        crossing->addPoint(45.5, 6.01);
        QVERIFY(runExport(*fixture.project).ok);

        // Point rows by line id; every line ends with an empty line.
        const QList<QByteArray> rows = linesOf(*fixture.project, "polyline.csv");
        QCOMPARE(rows.count(QByteArray()), 4);
        QMap<QByteArray, QList<QByteArray>> byLine;
        for (const QByteArray& row : rows.mid(1)) {
            if (!row.isEmpty())
                byLine[cells(row).first()] << row;
        }
        const QByteArray polygonId = QByteArray::fromStdString(idOf(2));
        QCOMPARE(byLine.value(polygonId).size(), 4);
        QCOMPARE(byLine.value(polygonId).first(), byLine.value(polygonId).last());
        QCOMPARE(rows.at(rows.indexOf(byLine.value(polygonId).first()) + 4), QByteArray());
        QCOMPARE(byLine.value(QByteArray::fromStdString(idOf(3))).size(), 3);
        QVERIFY(!byLine.contains(QByteArray::fromStdString(idOf(4))));
        const QList<QByteArray> crossingRows = byLine.value(QByteArray::fromStdString(idOf(5)));
        QCOMPARE(crossingRows.size(), 2);
        const QList<double> expected[] = {{733597.411143, 5042845.863229}, {266402.588857, 5042845.863229}};
        const QByteArray zones[] = {"31T", "32T"};
        for (int i = 0; i < 2; ++i) {
            const QList<QByteArray> row = cells(crossingRows.at(i));
            QCOMPARE(row.size(), 6);
            QVERIFY(qAbs(row.at(1).toDouble() - expected[i].at(0)) < 1e-6);
            QVERIFY(qAbs(row.at(2).toDouble() - expected[i].at(1)) < 1e-6);
            QCOMPARE(row.at(3), QByteArray(" 45.50000000"));
            QCOMPARE(row.at(5).trimmed(), zones[i]);
        }

        const QList<QByteArray> attributes = linesOf(*fixture.project, "polyline-attributes.csv");
        QCOMPARE(attributes.size(), 5);
        const QByteArray all = attributes.join('\n');
        QVERIFY(all.contains(", " + polygonId + ", Gneiss, 1, 0.25, dashed, 1, "));
        QVERIFY(all.contains(", Gneiss, 2, 1, dotted, 0, "));
    }

    void rockUnits()
    {
        ExportFixture fixture;
        fixture.project->clearRockUnits();
        fixture.project->addRockUnit(4, "Main fault", QColor(Qt::red), 1);
        fixture.project->addRockUnit(2, "Sandstone", QColor("#aabbcc"), 0);
        fixture.project->addRockUnit(5, "Contact, sharp", QColor("#010203"), 2);
        QVERIFY(runExport(*fixture.project).ok);
        QCOMPARE(linesOf(*fixture.project, "rock-units.csv"),
                 (QList<QByteArray>{"unitId, type, color, name", "4, fault, #ff0000, Main fault",
                                    "2, horizon, #aabbcc, Sandstone", "5, contact, #010203, Contact  sharp"}));
        const QList<QByteArray> strat = linesOf(*fixture.project, "stratcolumn.csv");
        QCOMPARE(strat.size(), 8);
        QCOMPARE(strat.first(), QByteArray("Brackwater,Zentrix2.0 v1.0"));
        QCOMPARE(strat.last(), QByteArray("Sandstone,#aabbcc,Default,0.,0.,2"));

        // The strat column import reads the file back.
        StratColumnModel column(fixture.project.get());
        QVERIFY(column.importFile(QUrl::fromLocalFile(fixture.project->folder().absoluteFilePath("stratcolumn.csv"))));
        QCOMPARE(column.workingCopy().size(), std::size_t(1));
        QCOMPARE(column.workingCopy().front().name, QString("Sandstone"));
        QCOMPARE(column.workingCopy().front().colour, QColor("#aabbcc"));
        QCOMPARE(column.workingCopy().front().type, 0);
    }

    void contentLoading()
    {
        ExportFixture fixture;
        auto stored = fixture.addLocality(1);
        fixture.addPlane(*stored, 2, 30, 10);
        stored->clear();
        auto loaded = fixture.addLocality(3);
        fixture.addPlane(*loaded, 4, 30, 10);
        QVERIFY(runExport(*fixture.project).ok);
        QCOMPARE(linesOf(*fixture.project, "plane.csv").size(), 3);
        QVERIFY(stored->data().empty());
        QCOMPARE(loaded->data().size(), std::size_t(1));
    }

    // One hostile text or value beside an ordinary row of the same file:
    // Python's csv module and GDAL both read two rows, with the cell as
    // expected and no geometry made from the no-position value.
    void hostileCells_data()
    {
        QTest::addColumn<Hostile>("hostile");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name starting with a double quote")
            << Hostile::LeadingQuote << "localities.csv" << "name" << "'Nord Hang";
        QTest::newRow("double quotes inside") << Hostile::InnerQuote << "plane.csv" << "notes" << "say 'hi'";
        QTest::newRow("control characters") << Hostile::ControlCharacters << "note.csv" << "notes" << "ab\tc";
        QTest::newRow("line breaks") << Hostile::LineBreaks << "note.csv" << "notes" << "one  two three";
        QTest::newRow("heading -1") << Hostile::HeadingMinusOne << "image.csv" << "heading" << "";
        QTest::newRow("heading unset") << Hostile::HeadingUnset << "image.csv" << "heading" << "";
        QTest::newRow("heading 0") << Hostile::HeadingZero << "image.csv" << "heading" << "0.000000";
        QTest::newRow("locality at 999, 999") << Hostile::LocalityNowhere << "localities.csv" << "latitude" << "";
        QTest::newRow("datum at 999, 999") << Hostile::DatumNowhere << "plane.csv" << "longitude" << "";
    }

    void hostileCells()
    {
        QFETCH(Hostile, hostile);
        QFETCH(QString, file);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        ExportFixture fixture;
        const bool nowhere = hostile == Hostile::LocalityNowhere;
        const bool datumNowhere = hostile == Hostile::DatumNowhere;
        fixture.addLocality(1);
        auto locality = nowhere ? fixture.addLocality(2, 999, 999) : fixture.addLocality(2);
        if (hostile == Hostile::LeadingQuote)
            locality->setName("\"Nord Hang");
        fixture.project->syncLocalityDetails(locality.get());
        for (const auto& owner : fixture.project->localities()) {
            const int n = owner == locality ? 20 : 10;
            const double latitude = datumNowhere && n == 20 ? 999 : 45.5;
            const double longitude = datumNowhere && n == 20 ? 999 : 9.2;
            fixture.store(owner->addPlane(idOf(n), latitude, longitude, 30, 30, 4, 7, "plain"));
            fixture.store(owner->addAnnotation(idOf(n + 1), 45.5, 9.2, "plain"));
            fixture.addImage(*owner, n + 2, 10, "a.jpg");
        }
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            if (hostile == Hostile::InnerQuote && datum->type() == Data::Plane)
                datum->setComment("say \"hi\"");
            if (hostile == Hostile::ControlCharacters && datum->type() == Data::Annotation)
                datum->setComment(QString("a\x01" "b\x1f\tc"));
            if (hostile == Hostile::LineBreaks && datum->type() == Data::Annotation)
                datum->setComment("one\r\ntwo\nthree");
            if (datum->type() == Data::Image) {
                if (hostile == Hostile::HeadingMinusOne)
                    datum->setDipAzimuth(-1.0f);
                else if (hostile == Hostile::HeadingUnset)
                    datum->setDipAzimuth(std::numeric_limits<float>::lowest());
                else if (hostile == Hostile::HeadingZero)
                    datum->setDipAzimuth(0.0f);
            }
            fixture.store(datum);
        }
        QVERIFY(runExport(*fixture.project).ok);
        const QString path = fixture.project->folder().absoluteFilePath(file);

        const ToolRun python = runTool(python3(), {"-c",
                                                   "import csv, json, sys\n"
                                                   "rows = list(csv.DictReader(open(sys.argv[1], newline='', encoding='utf-8'),"
                                                   " skipinitialspace=True))\n"
                                                   "assert all(None not in r and None not in r.values() for r in rows)\n"
                                                   "print(json.dumps([r[sys.argv[2]] for r in rows]))",
                                                   path, column});
        QVERIFY2(python.exitCode == 0, qPrintable(python.text()));
        const QJsonArray values = QJsonDocument::fromJson(python.output).array();
        QCOMPARE(values.size(), 2);
        QVERIFY2(values.contains(expected), python.output.constData());

        const ToolRun gdal = runTool("ogrinfo", {"-ro", "-al", "-oo", "X_POSSIBLE_NAMES=longitude", "-oo",
                                                 "Y_POSSIBLE_NAMES=latitude", path});
        const QString text = gdal.text();
        QVERIFY2(gdal.exitCode == 0, qPrintable(text));
        QVERIFY2(text.contains("Feature Count: 2"), qPrintable(text));
        QCOMPARE(text.count("POINT (9.2 45.5)"), nowhere || datumNowhere ? 1 : 2);
    }

    void unwritableFile()
    {
        ExportFixture fixture;
        QVERIFY(fixture.project->folder().mkpath("plane.csv"));
        fixture.addPlane(*fixture.addLocality(1), 2, 30, 10);
        const CsvRun run = runExport(*fixture.project);
        QVERIFY(!run.ok);
        QCOMPARE(run.announced.size(), 1);
        QCOMPARE(run.announced.first().size(), 10);
        QCOMPARE(linesOf(*fixture.project, "localities.csv").size(), 2);
        QCOMPARE(linesOf(*fixture.project, "stratcolumn.csv").size(), 8);
        QCOMPARE(linesOf(*fixture.project, "polyline-attributes.csv").size(), 1);
    }

    // Each file is written beside its target first; a failed one leaves
    // neither that file nor a changed target.
    void failedExportLeavesNoTemporaryFile_data()
    {
        QTest::addColumn<bool>("diskFull"); // else a folder has the name plane.csv
        QTest::addColumn<int>("room"); // bytes a file may grow to
        QTest::newRow("a folder at a file's name") << false << 0;
        QTest::newRow("the disk fills") << true << 64 * 1024;
        // Nothing is made that no journal lists.
        QTest::newRow("no room for the journal") << true << 16;
    }

    void failedExportLeavesNoTemporaryFile()
    {
        QFETCH(bool, diskFull);
        QFETCH(int, room);
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        fixture.addPlane(*locality, 2, 30, 10);
        const QDir folder = fixture.project->folder();
        std::unique_ptr<FileSizeLimit> limit;
        if (diskFull) {
            locality->setDescription(QString(200 * 1024, QLatin1Char('x')));
            QFile earlier(folder.absoluteFilePath("localities.csv"));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
            earlier.close();
            limit = std::make_unique<FileSizeLimit>(room);
            QVERIFY(limit->isSet());
        } else {
            QVERIFY(folder.mkpath("plane.csv"));
        }
        const CsvRun run = runExport(*fixture.project);
        limit.reset();
        QVERIFY(!run.ok);
        QCOMPARE(run.announced.size(), room == 16 ? 0 : 1);
        QCOMPARE(folder.entryList({"*.csv.*", ".export-*"}, QDir::AllEntries | QDir::Hidden | QDir::System),
                 QStringList());
        if (diskFull) {
            QFile earlier(folder.absoluteFilePath("localities.csv"));
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        }
    }

    // The files are shared as the user's umask allows, like any file the
    // user writes.
    void filesFollowTheUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("022") << 022;
        QTest::newRow("002") << 002;
        QTest::newRow("077") << 077;
    }

    void filesFollowTheUmask()
    {
        QFETCH(int, mask);
        ExportFixture fixture;
        fixture.addPlane(*fixture.addLocality(1), 2, 30, 10);
        const mode_t previous = umask(mode_t(mask));
        const CsvRun run = runExport(*fixture.project);
        umask(previous);
        QVERIFY(run.ok);
        for (const QString& name : FileNames) {
            struct stat info {};
            QCOMPARE(stat(QFile::encodeName(fixture.project->folder().absoluteFilePath(name)).constData(), &info), 0);
            QCOMPARE(int(info.st_mode & 0777), 0666 & ~mask);
        }
    }

    // Every row has the length of its header, also with commas in a symbol
    // name, an image name and the texts.
    void readByPython()
    {
        ExportFixture fixture;
        fixture.project->addSymbol(40, "Bedding, overturned", Project::Bedding, Project::Plane, false);
        fixture.project->addSymbol(41, "Mineral, aligned", Project::Mineral, Project::Line, false);
        auto locality = fixture.addLocality(1);
        locality->setDescription("a, b\nc");
        locality->addPlane(idOf(2), 45.5, 9.2, 30, 30, 4, 40, "x, y");
        locality->addLineation(idOf(3), 45.5, 9.2, 30, 30, 4, 41, "x, y");
        locality->addSighting(idOf(4), 999, 999, 30, 4, 15, "x, y");
        locality->addImage(idOf(5), 45.5, 9.2, 30, "a, b.jpg", "x, y", "", "");
        locality->addAnnotation(idOf(6), 45.5, 9.2, "x,\r\ny");
        locality->addPolygon(idOf(7), 4, 0, 1.0f, 1.0f, "x, y")->addPoint(45.5, 9.2);
        QVERIFY(runExport(*fixture.project).ok);
        const QString script = QStringLiteral(
            "import csv, sys, os\n"
            "for name in sys.argv[2:]:\n"
            "    rows = [r for r in csv.reader(open(os.path.join(sys.argv[1], name), newline=''), skipinitialspace=True) if r]\n"
            "    start = 7 if name == 'stratcolumn.csv' else 1\n"
            "    width = 6 if name == 'stratcolumn.csv' else len(rows[0])\n"
            "    assert len(rows) > start, name\n"
            "    for r in rows[start:]:\n"
            "        assert len(r) == width, (name, r)\n");
        QStringList arguments{"-c", script, fixture.project->folder().absolutePath()};
        arguments << FileNames;
        const ToolRun python = runTool(python3(), arguments);
        QVERIFY2(python.exitCode == 0, qPrintable(python.text()));
    }
};

QTEST_MAIN(TestCsvExporter)
#include "tst_csvexporter.moc"
