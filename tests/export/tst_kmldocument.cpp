#include "export/AbstractKMZExporter.h"
#include "export/ExportArchivePath.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ExportFixture.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QtTest>

using namespace kiv;
using namespace kiv::test;

namespace {

// Writes the document only; icons succeed unless told otherwise.
class DocumentWriter : public AbstractKMZExporter
{
public:
    DocumentWriter()
        : AbstractKMZExporter(nullptr)
    {
    }

    bool iconsSucceed = true;
    QStringList icons;

protected:
    bool package(Project&, std::vector<QString>&) override { return true; }
    bool writeDataIcon(Project&, std::shared_ptr<Data>, std::string fileName) override
    {
        icons << QString::fromStdString(fileName);
        return iconsSucceed;
    }
    bool writeLocalityIcon(Project&, std::shared_ptr<Locality>, std::string fileName) override
    {
        icons << QString::fromStdString(fileName);
        return iconsSucceed;
    }
    void cleanUp(Project&) override {}
};

enum class Scene {
    StrikePlane,
    Markup,
    NoDeclination,
    UnicodeDescription,
    ControlCharacter,
    ForbiddenCharacters,
    MultiLineComment,
    Polygon,
    EmptyPolygon,
    LineColour,
    ImageHeadingMissing,
    ImageHeading360,
    ImageHeadingNorth,
    NoPosition,
    CdataEnd,
};

} // namespace

Q_DECLARE_METATYPE(Scene)

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKmlDocument : public QObject
{
    Q_OBJECT

private:
    // Writes the fixture's document; returns its bytes, empty when it failed.
    QByteArray write(ExportFixture& fixture, bool strikeRHR = false)
    {
        DocumentWriter writer;
        if (!writer.exportProject(*fixture.project, strikeRHR))
            return {};
        m_icons = writer.icons;
        return readAll(writer.documentPath());
    }

    static bool xmlWellFormed(const QByteArray& document)
    {
        const ToolRun run = runTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("-")},
                                    document);
        if (run.exitCode != 0)
            qWarning() << run.text();
        return run.exitCode == 0;
    }

    QStringList m_icons;

private slots:
    void emptyProjectIsTheHeader()
    {
        ExportFixture fixture;
        QVERIFY(fixture.isValid());
        const QByteArray document = write(fixture);
        QCOMPARE(document,
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<kml xmlns=\"http://earth.google.com/kml/2.0\">\r\n"
                            "<Document>\r\n"
                            "\t<name>P</name>\r\n"
                            "\t<Snippet maxLines=\"2\"></Snippet>\r\n"
                            "\t<description></description>\r\n"
                            "\t<TimeStamp>\r\n"
                            "\t\t<when>2023-11-14T22:13:20Z</when>\r\n"
                            "\t</TimeStamp>\r\n"
                            "</Document>\r\n"
                            "</kml>\r\n"));
        QVERIFY(xmlWellFormed(document));
    }

    void styleIds_data()
    {
        QTest::addColumn<QVector<float>>("dips");
        QTest::addColumn<QVector<int>>("units");
        QTest::addColumn<QVector<int>>("symbols");
        QTest::addColumn<QStringList>("styles");
        QTest::addColumn<int>("icons"); // besides the locality's
        QTest::newRow("dip 1.5") << QVector<float>{1.5f} << QVector<int>{4} << QVector<int>{7}
                                 << QStringList{"147H"} << 1;
        QTest::newRow("dip 2.0") << QVector<float>{2.0f} << QVector<int>{4} << QVector<int>{7}
                                 << QStringList{"147H"} << 1;
        QTest::newRow("dip 88.0") << QVector<float>{88.0f} << QVector<int>{4} << QVector<int>{7}
                                  << QStringList{"147V"} << 1;
        QTest::newRow("dip 45") << QVector<float>{45.0f} << QVector<int>{4} << QVector<int>{7}
                                << QStringList{"147"} << 1;
        QTest::newRow("30 and 40 share, 89 apart")
            << QVector<float>{30, 40, 89} << QVector<int>{4, 4, 4} << QVector<int>{7, 7, 7}
            << QStringList{"147", "147", "147V"} << 2;
        QTest::newRow("unit 11 symbol 6 and unit 1 symbol 16")
            << QVector<float>{30, 30} << QVector<int>{11, 1} << QVector<int>{6, 16}
            << QStringList{"1116", "1116_2"} << 2;
    }

    void styleIds()
    {
        QFETCH(QVector<float>, dips);
        QFETCH(QVector<int>, units);
        QFETCH(QVector<int>, symbols);
        QFETCH(QStringList, styles);
        QFETCH(int, icons);
        ExportFixture fixture;
        auto locality = fixture.addLocality(1);
        for (int i = 0; i < dips.size(); ++i)
            fixture.addPlane(*locality, 100 + i, dips[i], 10, units[i], symbols[i]);
        const QString document = QString::fromUtf8(write(fixture));
        for (int i = 0; i < dips.size(); ++i) {
            const QString style = QStringLiteral("<Style id=\"%1\">").arg(styles[i]);
            QCOMPARE(document.count(style), 1);
            QCOMPARE(document.count(QStringLiteral("<styleUrl>#%1</styleUrl>").arg(styles[i])),
                     int(styles.count(styles[i])));
        }
        QCOMPARE(m_icons.size(), 1 + icons);
        // Each style's icon is drawn for the first datum that uses it.
        static const QRegularExpression placemark(
            QStringLiteral("<Placemark id=\"([0-9a-f]{32})placemark\">(?:(?!</Placemark>).)*?<styleUrl>#([^<]+)</styleUrl>"),
            QRegularExpression::DotMatchesEverythingOption);
        QStringList seen;
        for (auto it = placemark.globalMatch(document); it.hasNext();) {
            const auto match = it.next();
            if (seen.contains(match.captured(2)))
                continue;
            seen << match.captured(2);
            QVERIFY(document.contains(QStringLiteral("<Style id=\"%1\">\r\n\t\t<IconStyle>\r\n\t\t\t<Icon>\r\n"
                                                     "\t\t\t\t<href>%2.png</href>")
                                          .arg(match.captured(2), match.captured(1))));
        }
        QCOMPARE(seen.size(), icons);
    }

    void content_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QByteArrayList>("present");
        QTest::addColumn<QByteArrayList>("absent");
        QTest::newRow("strike") << Scene::StrikePlane
                                << QByteArrayList{"<Snippet maxLines=\"2\">30\xC2\xB0 / 300\xC2\xB0</Snippet>",
                                                  "<heading>30.000000</heading>",
                                                  "<description>30\xC2\xB0 / 300\xC2\xB0\r\nGneiss\r\n"}
                                << QByteArrayList{};
        QTest::newRow("markup") << Scene::Markup << QByteArrayList{"&lt;b&gt;&amp;"}
                                << QByteArrayList{"<b>"};
        QTest::newRow("declination 999") << Scene::NoDeclination
                                         << QByteArrayList{"Declination: 0.00\xC2\xB0</description>"}
                                         << QByteArrayList{"999"};
        QTest::newRow("UTF-8") << Scene::UnicodeDescription
                               << QByteArrayList{QByteArray::fromHex("476e6569c39f")}
                               << QByteArrayList{"&#"};
        QTest::newRow("control character") << Scene::ControlCharacter
                                           << QByteArrayList{"ab"} << QByteArrayList{"\x01"};
        QTest::newRow("U+FFFE, U+FFFF, lone surrogates")
            << Scene::ForbiddenCharacters << QByteArrayList{"abc\xF0\x9F\x98\x80"}
            << QByteArrayList{"\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\xA0\x80", "\xEF\xBF\xBD"};
        QTest::newRow("comment lines") << Scene::MultiLineComment
                                       << QByteArrayList{"\r\none\r\ntwo\r\nthree\r\nDeclination"}
                                       << QByteArrayList{"\r\r", "\t\tone", "\ttwo"};
        QTest::newRow("polygon")
            << Scene::Polygon
            << QByteArrayList{"<coordinates>\r\n\t\t\t\t\t9.200000,45.500000\r\n\t\t\t\t\t9.210000,45.500000\r\n"
                              "\t\t\t\t\t9.210000,45.510000\r\n\t\t\t\t\t9.200000,45.500000\r\n\t\t\t\t</coordinates>",
                              "<name>Polygon</name>"}
            << QByteArrayList{};
        QTest::newRow("polygon without points")
            << Scene::EmptyPolygon << QByteArrayList{"<coordinates>\r\n\t\t\t\t</coordinates>"}
            << QByteArrayList{};
        QTest::newRow("line colour") << Scene::LineColour
                                     << QByteArrayList{"<color>804080ff</color>", "<width>2.000000</width>",
                                                       "<name>Line</name>"}
                                     << QByteArrayList{"PolyStyle"};
        QTest::newRow("image heading missing") << Scene::ImageHeadingMissing
                                               << QByteArrayList{"<![CDATA[<img src=\"a.jpg\" height=\"300\" /><br /><br />]]>"}
                                               << QByteArrayList{"Heading:"};
        QTest::newRow("image heading 360") << Scene::ImageHeading360 << QByteArrayList{}
                                           << QByteArrayList{"Heading:"};
        QTest::newRow("image heading 0") << Scene::ImageHeadingNorth
                                         << QByteArrayList{"]]>\r\nHeading: 0.000000\r\n"}
                                         << QByteArrayList{};
        QTest::newRow("no position")
            << Scene::NoPosition
            << QByteArrayList{"<name>Locality 1</name>", "<name>30\xC2\xB0</name>", "<when>"}
            << QByteArrayList{"<Point", "999"};
        QTest::newRow("image name with ]]>")
            << Scene::CdataEnd << QByteArrayList{"<![CDATA[<img src=\"a]]]]><![CDATA[>b.jpg\""}
            << QByteArrayList{};
    }

    void content()
    {
        QFETCH(Scene, scene);
        QFETCH(QByteArrayList, present);
        QFETCH(QByteArrayList, absent);
        ExportFixture fixture;
        const bool noPosition = scene == Scene::NoPosition;
        auto locality = noPosition ? fixture.addLocality(1, 999, 999) : fixture.addLocality(1);
        auto plane = fixture.addPlane(*locality, 2, 30, 30);
        plane->setDeclination(Data::NoDeclination);
        switch (scene) {
        case Scene::Markup: plane->setComment(QStringLiteral("<b>&")); break;
        case Scene::ControlCharacter: plane->setComment(QStringLiteral("a\x01" "b")); break;
        case Scene::ForbiddenCharacters:
            plane->setComment(QString::fromUtf16(u"a\uFFFE\uFFFF") + QChar(0xD800) + u'b' + QChar(0xDC00)
                              + QString::fromUtf16(u"c\U0001F600"));
            break;
        case Scene::MultiLineComment: plane->setComment(QStringLiteral("one\ntwo\r\nthree")); break;
        case Scene::UnicodeDescription:
            fixture.project->setDescription(QStringLiteral("Gnei\u00df"));
            break;
        case Scene::Polygon: fixture.addLine(*locality, 3, true, 3); break;
        case Scene::EmptyPolygon: fixture.addLine(*locality, 3, true, 0); break;
        case Scene::LineColour: fixture.addLine(*locality, 3, false, 2); break;
        case Scene::ImageHeadingMissing: fixture.addImage(*locality, 3, -1, "a.jpg"); break;
        case Scene::ImageHeading360: fixture.addImage(*locality, 3, 360, "a.jpg"); break;
        case Scene::ImageHeadingNorth: fixture.addImage(*locality, 3, 0, "a.jpg"); break;
        case Scene::CdataEnd: fixture.addImage(*locality, 3, 45, "a]]>b.jpg"); break;
        default: break;
        }
        fixture.store(plane);
        const QByteArray document = write(fixture, scene == Scene::StrikePlane);
        QVERIFY(!document.isEmpty());
        for (const QByteArray& text : present)
            QVERIFY2(document.contains(text), text.constData());
        for (const QByteArray& text : absent)
            QVERIFY2(!document.contains(text), text.constData());
        // Every line break is CR LF.
        QCOMPARE(document.count('\n'), document.count("\r\n"));
        QCOMPARE(document.count('\r'), document.count("\r\n"));
        QVERIFY(xmlWellFormed(document));
    }

    void iconFails()
    {
        ExportFixture fixture;
        fixture.addLocality(1);
        DocumentWriter writer;
        writer.iconsSucceed = false;
        QVERIFY(!writer.exportProject(*fixture.project, false));
        QVERIFY(!writer.exportProject(nullptr, false));
    }

    void archivePath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("archive");
        QTest::newRow("project") << "/p/project3.qz" << ".kmz" << "/p/project3.kmz";
        QTest::newRow(".qz higher up") << "/x.qz_data/p.qz" << ".kmz" << "/x.qz_data/p.kmz";
        QTest::newRow(".qz inside a folder name") << "/a.qzdata/p.qz" << ".kiv" << "/a.qzdata/p.kiv";
        QTest::newRow("no ending") << "/p/field" << ".kmz" << "/p/field.kmz";
        QTest::newRow("upper case") << "/p/a.QZ" << ".kmz" << "/p/a.QZ.kmz";
        QTest::newRow("trailing slash") << "/p/project3.qz/" << ".kmz" << "/p/project3.kmz";
    }

    void archivePath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, extension);
        QFETCH(QString, archive);
        QCOMPARE(exportArchivePath(folder, extension), archive);
    }

    void texts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("escape") << QByteArray(xmlEscape("a&\"'<>\t\n\r\x01\x0b\x1f" "b").c_str())
                                << QByteArray("a&amp;&quot;&apos;&lt;&gt;\t\n\rb");
        QTest::newRow("cdata") << QByteArray(xmlCdata("x]]>y]]>").c_str())
                               << QByteArray("<![CDATA[x]]]]><![CDATA[>y]]]]><![CDATA[>]]>");
        QTest::newRow("line breaks") << QByteArray(crlfLineBreaks("a\nb\r\nc\rd").c_str())
                                     << QByteArray("a\r\nb\r\nc\r\nd");
        QTest::newRow("colour") << QByteArray(kmlColor(QColor("#FF8040"), 0.5).c_str())
                                << QByteArray("804080ff");
        QTest::newRow("padded 7.6") << QByteArray(formatAnglePadded(7.6, 2).c_str())
                                    << QByteArray("08\xC2\xB0");
        QTest::newRow("padded 45") << QByteArray(formatAnglePadded(45, 3).c_str())
                                   << QByteArray("045\xC2\xB0");
        QTest::newRow("decimal") << QByteArray(formatAngle(-2.346, 2).c_str())
                                 << QByteArray("-2.35\xC2\xB0");
        QTest::newRow("time") << QByteArray(kmlTimeString(1700000000).c_str())
                              << QByteArray("2023-11-14T22:13:20Z");
    }

    void texts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TestKmlDocument)
#include "tst_kmldocument.moc"
