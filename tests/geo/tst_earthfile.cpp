#include "geo/EarthFile.h"
#include "geo/ImageLayer.h"
#include "geo/XmlDocument.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"
#include "geo/drivers/XYZOptions.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;

class TestEarthFile : public QObject
{
    Q_OBJECT

private:
    QString write(const QString& name, const QByteArray& text)
    {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(text);
        return path;
    }

    QTemporaryDir dir_;

private slots:
    void configFromXml()
    {
        osg::ref_ptr<XmlDocument> doc = XmlDocument::load(
            QStringLiteral("<map name=\"m\"><image name=\"a\" driver=\"gdal\">"
                           "<url> x.tif </url><profile>spherical-mercator</profile></image>"
                           "<!-- note --><image name=\"b\"/></map>"),
            QStringLiteral("/data/m.earth"));
        QVERIFY(doc);
        const Config root = doc->getConfig();
        QVERIFY(root.key().isEmpty());
        const Config map = root.child(QStringLiteral("map"));
        QCOMPARE(map.value(QStringLiteral("name")), QStringLiteral("m"));
        QCOMPARE(map.children(QStringLiteral("image")).size(), 2);
        const Config image = map.child(QStringLiteral("image"));
        QCOMPARE(image.value(QStringLiteral("url")), QStringLiteral("x.tif"));
        QCOMPARE(image.referrer(), QStringLiteral("/data/m.earth"));
        QCOMPARE(image.resolvePath(QStringLiteral("sub/x.tif")), QStringLiteral("/data/sub/x.tif"));
        QCOMPARE(image.resolvePath(QStringLiteral("/abs/x.tif")), QStringLiteral("/abs/x.tif"));
        QCOMPARE(TileSourceOptions(image).profile().namedProfile(),
                 QStringLiteral("spherical-mercator"));
    }

    void malformedXml_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("unclosed") << "<map><image driver=\"gdal\"></map>";
        QTest::newRow("not xml") << "hello";
    }

    void malformedXml()
    {
        QFETCH(QString, text);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Malformed XML"));
        QVERIFY(!XmlDocument::load(text, QStringLiteral("/x.earth")));
    }

    void firstImageLayer_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("location");

        QTest::newRow("gdal relative")
            << QByteArray("<map><image name=\"Ortho\" driver=\"gdal\"><url>rasters/o.tif</url>"
                          "</image><image name=\"Second\" driver=\"gdal\"><url>b.tif</url></image>"
                          "</map>")
            << true << "Ortho" << "gdal" << "DIR/rasters/o.tif";
        QTest::newRow("gdal absolute")
            << QByteArray("<map><image name=\"A\" driver=\"gdal\" url=\"/srv/a.tif\"/></map>")
            << true << "A" << "gdal" << "/srv/a.tif";
        QTest::newRow("mbtiles under earth")
            << QByteArray("<earth><image name=\"T\" driver=\"mbtiles\">"
                          "<filename>../t.mbtiles</filename></image></earth>")
            << true << "T" << "mbtiles" << "DIR/../t.mbtiles";
        QTest::newRow("map inside earth")
            << QByteArray("<map><earth><image name=\"E\" driver=\"MBTiles\" filename=\"e.mbtiles\"/>"
                          "</earth></map>")
            << true << "E" << "mbtiles" << "DIR/e.mbtiles";
        QTest::newRow("xyz keeps url")
            << QByteArray("<map><image name=\"Web\" driver=\"xyz\">"
                          "<url>http://127.0.0.1/{z}/{x}/{y}.png</url></image></map>")
            << true << "Web" << "xyz" << "http://127.0.0.1/{z}/{x}/{y}.png";
        QTest::newRow("xyz other host refused")
            << QByteArray("<map><image name=\"Web\" driver=\"xyz\">"
                          "<url>http://127.0.0.2/{z}/{x}/{y}.png</url></image></map>")
            << false << "" << "" << "";
        QTest::newRow("xyz other port refused")
            << QByteArray("<map><image name=\"Web\" driver=\"xyz\">"
                          "<url>http://127.0.0.1:8080/{z}/{x}/{y}.png</url></image></map>")
            << false << "" << "" << "";
        QTest::newRow("wms refused")
            << QByteArray("<map><image name=\"W\" driver=\"wms\"><url>x</url></image></map>")
            << false << "" << "" << "";
        QTest::newRow("no driver refused")
            << QByteArray("<map><image name=\"N\"><url>x.tif</url></image></map>")
            << false << "" << "" << "";
        QTest::newRow("no image")
            << QByteArray("<map><elevation driver=\"gdal\"/></map>") << false << "" << "" << "";
    }

    void firstImageLayer()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, accepted);
        QFETCH(QString, name);
        QFETCH(QString, driver);
        QFETCH(QString, location);
        const QString path = write(QStringLiteral("maps/layer.earth"), xml);
        const QString folder = QFileInfo(path).absolutePath();
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("(Unsupported|No image|Refused)"));
        const std::optional<ImageLayerOptions> options =
            EarthFile::readFirstImageLayer(path, QUrl(QStringLiteral("http://127.0.0.1")));
        QCOMPARE(options.has_value(), accepted);
        if (!accepted)
            return;
        QCOMPARE(options->name(), name);
        QCOMPARE(options->driver().getDriver(), driver);
        QCOMPARE(options->driver().getConfig().value(QStringLiteral("default_tile_size")),
                 QStringLiteral("256"));
        QString resolved;
        if (driver == QLatin1String("gdal"))
            resolved = GDALOptions(options->driver()).url();
        else if (driver == QLatin1String("mbtiles"))
            resolved = MBTilesTileSourceOptions(options->driver()).filename();
        else
            resolved = XYZOptions(options->driver()).url();
        if (location.startsWith("DIR"))
            location = QDir::cleanPath(location.replace("DIR", folder));
        QCOMPARE(resolved, location);
    }

    // Deep nesting is refused at the limit, and early: the 40,000-level file
    // took minutes to load before.
    void nesting_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("at the limit") << XmlDocument::MaxDepth << true;
        QTest::newRow("one deeper") << XmlDocument::MaxDepth + 1 << false;
        QTest::newRow("40000 levels") << 40000 << false;
    }

    void nesting()
    {
        QFETCH(int, depth);
        QFETCH(bool, accepted);
        const QString text = QStringLiteral("<a>").repeated(depth - 1) + QStringLiteral("<b/>")
            + QStringLiteral("</a>").repeated(depth - 1);
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nested deeper than 64"));
        QCOMPARE(bool(XmlDocument::load(text, QStringLiteral("/x.earth"))), accepted);
    }

    // The size is checked before anything is read.
    void sizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("at the limit") << XmlDocument::MaxFileSize << true;
        QTest::newRow("one byte over") << XmlDocument::MaxFileSize + 1 << false;
    }

    void sizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, accepted);
        QByteArray text = "<map><image name=\"A\" driver=\"gdal\"><url>a.tif</url></image></map><!--";
        text += QByteArray(int(size) - text.size() - 3, 'x') + "-->";
        QCOMPARE(qint64(text.size()), size);
        const QString path = write(QStringLiteral("large.earth"), text);
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refused .*larger than"));
        const auto options = EarthFile::readFirstImageLayer(path);
        QCOMPARE(bool(options), accepted);
    }

    void noXyzLayerWithoutTileHost()
    {
        const QString path = write(QStringLiteral("web.earth"),
                                   "<map><image name=\"Web\" driver=\"xyz\">"
                                   "<url>http://127.0.0.1/{z}/{x}/{y}.png</url></image></map>");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refused the online layer"));
        QVERIFY(!EarthFile::readFirstImageLayer(path));
    }

    void unreadableFile()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read"));
        QVERIFY(!EarthFile::readFirstImageLayer(dir_.filePath("missing.earth")));
    }

    // A layer for a driver nobody registered opens nothing and has no profile.
    void unknownDriverLayer()
    {
        TileSourceOptions options;
        options.setDriver(QStringLiteral("wms"));
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("W"), options);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Unsupported tile source driver"));
        QVERIFY(!layer->getProfile());
        QVERIFY(layer->getStatus().isError());
        QVERIFY(layer->createImage(TileKey()).isFailed());
    }

    void layerOptionsFromConfig()
    {
        Config image(QStringLiteral("image"));
        image.add(QStringLiteral("name"), QStringLiteral("L"));
        image.add(QStringLiteral("driver"), QStringLiteral("gdal"));
        image.add(QStringLiteral("opacity"), QStringLiteral("0.25"));
        image.add(QStringLiteral("visible"), QStringLiteral("false"));
        image.add(QStringLiteral("max_level"), QStringLiteral("12"));
        image.add(QStringLiteral("cache_policy"), QStringLiteral("cache_only"));
        const ImageLayerOptions o(image);
        QCOMPARE(o.opacity(), 0.25f);
        QVERIFY(!o.visible());
        QCOMPARE(o.maxLevel().value_or(0), 12u);
        QVERIFY(o.cachePolicy() == CachePolicy::CACHE_ONLY);
        const ImageLayerOptions back(o.getConfig());
        QCOMPARE(back.name(), QStringLiteral("L"));
        QCOMPARE(back.maxLevel().value_or(0), 12u);
    }
};

QTEST_GUILESS_MAIN(TestEarthFile)
#include "tst_earthfile.moc"
