#include "Database/Task.h"
#include "app/ApplicationManagerWin.h"
#include "export/CSVExporter.h"
#include "export/KIVExporter.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ExportFixture.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QXmlStreamReader>
#include <QtTest>

#include <clocale>

using namespace kiv;
using namespace kiv::test;

namespace {

struct KivRun
{
    bool ok = false;
    QList<QStringList> announced;
};

KivRun runExport(KIVExporter& exporter, Project& project)
{
    Announcements announcements;
    const bool ok = exporter.exportProject(&project);
    return {ok, announcements.paths};
}

enum class Hostile { TwoLines, Forbidden, HeadingMinusOne, HeadingUnset, HeadingZero, UnitMinusOne, UnitZero };

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// main.xml as the exporter writes it into its working folder.
QByteArray document(Project& project)
{
    IdleTask task;
    KIVExporter exporter(&task);
    if (!exporter.writeMainXml(project))
        return {};
    return readAll(exporter.documentPath());
}

// From the start tag that begins with start to the end of its first end tag.
QByteArray element(const QByteArray& text, const QByteArray& start, const QByteArray& endTag)
{
    const int from = text.indexOf(start);
    if (from < 0)
        return {};
    const int to = text.indexOf(endTag, from);
    return to < 0 ? QByteArray() : text.mid(from, to + endTag.size() - from);
}

QByteArray entry(const QString& archive, const QString& name)
{
    return runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, name}).output;
}

QStringList entries(const QString& archive)
{
    const ToolRun run = runTool(python3(), {"-c",
                                            "import sys, zipfile\n"
                                            "z = zipfile.ZipFile(sys.argv[1])\n"
                                            "assert z.testzip() is None\n"
                                            "print('\\n'.join(z.namelist()))",
                                            archive});
    return run.exitCode == 0 ? QString::fromUtf8(run.output).split('\n', Qt::SkipEmptyParts) : QStringList();
}

void keepSymbolsOfIcons(Project& project, int firstIcon, int lastIcon)
{
    auto& symbols = project.symbols();
    symbols.erase(std::remove_if(symbols.begin(), symbols.end(),
                                 [&](const Project::Symbol& s) { return s.iconId < firstIcon || s.iconId > lastIcon; }),
                  symbols.end());
}

} // namespace

Q_DECLARE_METATYPE(Hostile)

class TestKivExporter : public QObject
{
    Q_OBJECT

private:
    ExportApplication m_application;

private slots:
    void coordinateSystem_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArray>("centralMeridian");
        QTest::addColumn<QByteArray>("falseNorthing");
        QTest::addColumn<QByteArray>("epsg");
        QTest::newRow("south") << -33.9 << 18.4 << QByteArray("34H") << QByteArray("21")
                               << QByteArray("1e+007") << QByteArray("EPSG:32734");
        QTest::newRow("north") << 45.5 << 9.2 << QByteArray("32T") << QByteArray("9") << QByteArray("0")
                               << QByteArray("EPSG:32632");
    }

    void coordinateSystem()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QByteArray, zone);
        QFETCH(QByteArray, centralMeridian);
        QFETCH(QByteArray, falseNorthing);
        QFETCH(QByteArray, epsg);
        ExportFixture fixture;
        fixture.addLocality(1, 47.0, 12.0);
        fixture.addLocality(2, latitude, longitude);
        const QByteArray text = document(*fixture.project);
        QByteArray wkt = element(text, "PROJCS", "\" />");
        wkt.chop(4);
        QVERIFY(wkt.startsWith("PROJCS[&quot;WGS_1984_UTM_Zone_" + zone + "&quot;"));
        QVERIFY(wkt.contains("central_meridian&quot;," + centralMeridian + "]"));
        QVERIFY(wkt.contains("false_northing&quot;," + falseNorthing + "]"));
        wkt.replace("&quot;", "\"");
        const ToolRun info = runTool("gdalsrsinfo", {"-e", "-o", "epsg", QString::fromUtf8(wkt)});
        QVERIFY2(info.output.contains(epsg), qPrintable(info.text()));
    }

    void localityCloud()
    {
        ExportFixture fixture;
        fixture.addLocality(1, 47.0, 12.0);
        fixture.addLocality(2, 45.5, 9.2);
        const QByteArray cloud = element(document(*fixture.project), "\t<VertexCloud id=\"4\" name=\"Localities\">",
                                         "</VertexList>");
        QVERIFY(cloud.contains("\t\t\t<V x=\"515625.359593\" y=\"5038515.956102\" z=\"0\" />\n"
                               "\t\t\t<V x=\"728069.565090\" y=\"5209532.848470\" z=\"0\" />\n"));
    }

    void elementIds_data()
    {
        QTest::addColumn<bool>("dipsOnly");
        QTest::addColumn<int>("dataLocality"); // 0: one locality, else the second of three
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("dips") << true << 0
                              << QByteArrayList{"<OrientationSymbols id=\"3\" name=\"Points\"", "<VertexCloud id=\"4\" name=\"Localities\"",
                                                "<OrientationSymbols id=\"5\" name=\"Dips\"", "<VertexCloud id=\"6\" name=\"Locality 1 Dips\"",
                                                "<PolyLine id=\"7\" name=\"Line7\">"};
        QTest::newRow("second of three") << true << 1
                                         << QByteArrayList{"<VertexCloud id=\"7\" name=\"Locality ", "<PolyLine id=\"9\""};
        QTest::newRow("default symbols")
            << false << 0
            << QByteArrayList{"<OrientationSymbols id=\"5\" name=\"Dips\"", "<OrientationSymbols id=\"7\" name=\"Fault Structures\"",
                              "<OrientationSymbols id=\"10\" name=\"Lineations\"", "<PolyLine id=\"12\"",
                              "<set name=\"Locality 1\" id=\"9000\" type=\"Locality\">\n\t<element id=\"6\" />\n\t<element id=\"12\" />\n",
                              "<set name=\"Gneiss\" id=\"9001\" type=\"Horizon\">\n\t<element id=\"12\" />\n"};
    }

    void elementIds()
    {
        QFETCH(bool, dipsOnly);
        QFETCH(int, dataLocality);
        QFETCH(QByteArrayList, expected);
        ExportFixture fixture;
        if (dipsOnly)
            keepSymbolsOfIcons(*fixture.project, Project::Bedding, Project::Joint);
        for (int n = dataLocality == 0 ? 1 : 3; n >= 1; --n)
            fixture.addLocality(n);
        const std::shared_ptr<Locality> holder = fixture.project->localityAt(dataLocality == 0 ? 0 : 1);
        fixture.addPlane(*holder, 10, 30, 10);
        fixture.addLine(*holder, 11, false, 2);
        const QByteArray text = document(*fixture.project);
        for (const QByteArray& part : expected)
            QVERIFY2(text.contains(part), part.constData());
        if (!dipsOnly) {
            QCOMPARE(element(text, "<OrientationSymbols id=\"5\"", "</OrientationSymbols>").count("<AP>"), 8);
            const QByteArray lineations = element(text, "<OrientationSymbols id=\"10\"", "</OrientationSymbols>");
            QCOMPARE(lineations.count("<AP>"), 6);
            QVERIFY(!lineations.contains("Dip Data 3D Style"));
            QVERIFY(text.contains("\t\t\t<attribute name=\"Type\" v=\"Fault\" />\n"
                                  "\t\t\t<attribute name=\"Dip Data Map Style\" v=\"10\" />\n"
                                  "\t\t\t<attribute name=\"Dip Data Section Style\" v=\"8\" />\n"));
            QVERIFY(text.contains("\t\t<AP><PI>3</PI>\n\t\t\t<attribute name=\"Type\" v=\"Bearing\" />\n"
                                  "\t\t\t<attribute name=\"Dip Data Map Style\" v=\"18\" />\n"
                                  "\t\t\t<attribute name=\"Dip Data Section Style\" v=\"18\" />\n"
                                  "\t\t\t<attribute name=\"Dip Data 3D Style\" v=\"31\" />\n"));
            QCOMPARE(text.count("v=\"18\""), 2);
        }
    }

    void lineAttributes_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArray>("lineStyle");
        QTest::newRow("solid") << int(LineData2D::Solid) << QByteArray();
        QTest::newRow("dotted") << int(LineData2D::Dotted) << QByteArray("<attribute name=\"line_style\" v=\"3\" />");
        QTest::newRow("dashed") << int(LineData2D::Dashed) << QByteArray("<attribute name=\"line_style\" v=\"2\" />");
    }

    void lineAttributes()
    {
        QFETCH(int, style);
        QFETCH(QByteArray, lineStyle);
        ExportFixture fixture;
        fixture.project->clearRockUnits();
        fixture.project->addRockUnit(3, "A", QColor(Qt::red), 1);
        fixture.project->addRockUnit(4, "B", QColor("#aabbcc"), 0);
        keepSymbolsOfIcons(*fixture.project, -1, -1);
        auto line = fixture.addLocality(1)->addPolygon(idOf(2), 4, style, 1.0f, 0.25f, "");
        const QByteArray text = document(*fixture.project);
        QCOMPARE(text.count("line_style"), lineStyle.isEmpty() ? 0 : 1);
        QVERIFY(lineStyle.isEmpty() || text.contains(lineStyle));
        QVERIFY(text.contains("<Polygon id=\"5\" name=\"Polygon5\">"));
        QVERIFY(text.contains("<attribute name=\"$Transparency\" v=\"0.750000\" />"));
        QVERIFY(text.contains("<attribute name=\"color\" r=\"0.666667\" g=\"0.733333\" b=\"0.800000\" />"));
        QVERIFY(text.contains("\t\t\t\t<AP><PI>1</PI>\n\t\t\t\t\t<attribute name=\"Horizon\" v=\"B\" />\n"));
        QVERIFY(!text.contains("<PI>0</PI>\n\t\t\t\t\t<attribute name=\"Horizon\""));
    }

    void imageLabels()
    {
        ExportFixture fixture;
        keepSymbolsOfIcons(*fixture.project, -1, -1);
        auto locality = fixture.addLocality(1);
        const QString thirty(30, QLatin1Char('x'));
        const QString comments[] = {thirty + "y", thirty, QString(), "missing"};
        for (int i = 0; i < 4; ++i) {
            const QString file = i == 3 ? "missing.jpg" : QString("p%1.jpg").arg(i);
            locality->addImage(idOf(10 - i), 45.5, 9.2, 0, file, comments[i], "", "");
            if (i < 3)
                fixture.addPhoto(file);
        }
        const QByteArray text = document(*fixture.project);
        const QByteArray shortened = QByteArray(27, 'x') + "...";
        QVERIFY(text.contains("<Image id=\"5\" name=\"" + shortened + "\">"));
        QVERIFY(text.contains("<Image id=\"6\" name=\"" + thirty.toUtf8() + "\">"));
        QVERIFY(text.contains("<Image id=\"7\" name=\"Image 7\">"));
        QVERIFY(text.contains("label=\"Image 7\""));
        QCOMPARE(text.count("<Image "), 3);
        QVERIFY(!text.contains("missing"));
    }

    void localityWithoutPosition()
    {
        ExportFixture fixture;
        fixture.addLocality(1, 45.5, 9.2);
        auto nowhere = fixture.addLocality(2, 999, 999);
        fixture.addPlane(*nowhere, 3, 30, 10);
        const QByteArray text = document(*fixture.project);
        QVERIFY(text.contains("WGS_1984_UTM_Zone_32T"));
        QCOMPARE(text.count("<V "), 1);
        QCOMPARE(element(text, "name=\"Localities\"", "</VertexCloud>").count("<AP>"), 1);
        QVERIFY(!text.contains("Dips\">"));
    }

    // One hostile text or value per row, read back with Qt's XML reader from
    // a document xmllint accepts; a null expected value means no attribute.
    void readBack_data()
    {
        QTest::addColumn<Hostile>("hostile");
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two-line remark") << Hostile::TwoLines << "Remarks" << "one\r\ntwo";
        QTest::newRow("characters XML forbids") << Hostile::Forbidden << "Remarks" << "a&b\tc\U0001F600";
        QTest::newRow("heading -1") << Hostile::HeadingMinusOne << "bearing" << QString();
        QTest::newRow("heading unset") << Hostile::HeadingUnset << "bearing" << QString();
        QTest::newRow("heading 0") << Hostile::HeadingZero << "bearing" << "0.000000";
        QTest::newRow("unit -1") << Hostile::UnitMinusOne << "Horizon" << "No unit";
        QTest::newRow("unit 0") << Hostile::UnitZero << "Horizon" << QString();
    }

    void readBack()
    {
        QFETCH(Hostile, hostile);
        QFETCH(QString, attribute);
        QFETCH(QString, expected);
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        const int unit = hostile == Hostile::UnitMinusOne ? -1 : hostile == Hostile::UnitZero ? 0 : 4;
        auto plane = locality->addPlane(idOf(2), 45.5, 9.2, 30, 30, unit, 1, "plain");
        if (hostile == Hostile::TwoLines)
            plane->setComment("one\r\ntwo");
        if (hostile == Hostile::Forbidden)
            plane->setComment(QString::fromUtf16(u"a\x01&\uFFFEb\uFFFF\tc") + QChar(0xD800) + QString::fromUtf16(u"\U0001F600")
                              + QChar(0xDC00));
        const float heading = hostile == Hostile::HeadingMinusOne ? -1.0f
                              : hostile == Hostile::HeadingUnset  ? std::numeric_limits<float>::lowest()
                                                                  : 0.0f;
        locality->addImage(idOf(3), 45.5, 9.2, heading, "a.jpg", "", "", "");
        fixture.addPhoto("a.jpg");
        const QByteArray xml = document(*fixture.project);
        const ToolRun lint = runTool("xmllint", {"--noout", "-"}, xml);
        QVERIFY2(lint.exitCode == 0, qPrintable(lint.text()));

        // The attributes of the plane's entry and of the image element.
        QMap<QString, QString> planeEntry, image;
        QMap<QString, QString>* record = nullptr;
        QString clinoId;
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == QLatin1String("AP"))
                record = nullptr;
            if (reader.name() == QLatin1String("Image"))
                record = &image;
            if (reader.name() != QLatin1String("attribute"))
                continue;
            const QXmlStreamAttributes attributes = reader.attributes();
            const QString name = attributes.value("name").toString();
            if (name == QLatin1String("clinoId"))
                record = attributes.value("v") == QLatin1String(idOf(2).c_str()) ? &planeEntry : nullptr;
            if (record)
                record->insert(name, attributes.value("v").toString());
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        const QMap<QString, QString>& found = attribute == QLatin1String("bearing") ? image : planeEntry;
        QVERIFY(found.contains("Remarks") || found.contains("note"));
        QCOMPARE(found.contains(attribute), !expected.isNull());
        if (!expected.isNull())
            QCOMPARE(found.value(attribute), expected);
    }

    void archive()
    {
        ExportFixture fixture(QStringLiteral("field.qz"));
        auto locality = fixture.addLocality(1);
        for (const char* name : {"c.jpg", "b.jpg", "a.jpg"}) {
            const int n = 12 - int(name[0] - 'a');
            fixture.addImage(*locality, n, 0, name);
            if (name[0] != 'c')
                fixture.addPhoto(name);
        }
        IdleTask task;
        KIVExporter exporter(&task);
        const QString path = fixture.parentFolder().absoluteFilePath("field.kiv");
        const KivRun first = runExport(exporter, *fixture.project);
        QVERIFY(first.ok);
        QCOMPARE(first.announced, QList<QStringList>{QStringList{path}});
        QCOMPARE(entries(path), (QStringList{"a.jpg", "b.jpg", "main.xml"}));
        QCOMPARE(runTool("unzip", {"-t", path}).exitCode, 0);
        QVERIFY(exporter.documentPath().isEmpty());
        QVERIFY(QDir(ApplicationManager::instance()->tempPath())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
        QCOMPARE(fixture.parentFolder().entryList({"*.part", ".export-*"}, QDir::Files | QDir::Hidden),
                 QStringList());

        const auto withoutHistory = [&] {
            QByteArrayList lines = entry(path, "main.xml").split('\n');
            lines.erase(std::remove_if(lines.begin(), lines.end(), [](const QByteArray& l) { return l.contains("<History "); }),
                        lines.end());
            return lines;
        };
        const QByteArrayList once = withoutHistory();
        QVERIFY(runExport(exporter, *fixture.project).ok);
        QCOMPARE(withoutHistory(), once);
    }

    // A failed export keeps the last archive and leaves nothing of itself
    // beside it.
    void failedExportKeepsTheEarlierArchive_data()
    {
        QTest::addColumn<bool>("diskFull"); // else the project has no localities
        QTest::newRow("no localities") << false;
        QTest::newRow("the disk fills while packing") << true;
    }

    void failedExportKeepsTheEarlierArchive()
    {
        QFETCH(bool, diskFull);
        ExportFixture fixture;
        if (diskFull) {
            fixture.addImage(*fixture.addLocality(1), 2, 0, "a.jpg");
            fixture.addPhoto("a.jpg");
            // More than the limit below, and not compressible.
            QFile photo(fixture.project->folder().absoluteFilePath("images/a.jpg"));
            QVERIFY(photo.open(QIODevice::WriteOnly));
            photo.write(randomBytes(256 * 1024, 7));
        }
        const QString path = fixture.parentFolder().absoluteFilePath("project1.kiv");
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        IdleTask task;
        KIVExporter exporter(&task);
        std::unique_ptr<FileSizeLimit> full;
        if (diskFull) {
            full = std::make_unique<FileSizeLimit>(64 * 1024);
            QVERIFY(full->isSet());
        }
        const KivRun run = runExport(exporter, *fixture.project);
        full.reset();
        QVERIFY(!run.ok);
        QVERIFY(run.announced.isEmpty());
        QCOMPARE(readAll(path), QByteArray("earlier"));
        QVERIFY(exporter.documentPath().isEmpty());
        QCOMPARE(fixture.parentFolder().entryList({"*.part", ".export-*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        QVERIFY(QDir(ApplicationManager::instance()->tempPath())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
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
        auto locality = fixture.addLocality(1);
        fixture.addPlane(*locality, 2, 30.5f, 10.25f);
        fixture.addLine(*locality, 3, true, 3);
        QVERIFY(CSVExporter().exportProject(fixture.project.get()));
        const QByteArray document = ::document(*fixture.project);
        const QByteArray xml = document.mid(document.indexOf("</PropertyToSystemTypes>"));
        QVERIFY(xml.contains("v=\"30.500000\""));
        const QRegularExpression decimalComma(QStringLiteral("\\d,\\d"));
        QVERIFY(!decimalComma.match(QString::fromUtf8(xml)).hasMatch());
        for (const char* name : {"plane.csv", "polyline.csv", "polyline-attributes.csv", "localities.csv"}) {
            const QByteArray csv = readAll(fixture.project->folder().absoluteFilePath(name));
            QVERIFY2(csv.contains('.') && !decimalComma.match(QString::fromUtf8(csv)).hasMatch(), name);
        }
    }
};

QTEST_MAIN(TestKivExporter)
#include "tst_kivexporter.moc"
