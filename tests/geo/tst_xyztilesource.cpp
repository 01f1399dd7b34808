#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/drivers/XYZOptions.h"
#include "geo/drivers/XYZTileSource.h"
#include "support/GeoTestData.h"
#include "support/LocalHttpServer.h"

#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;
using kiv::test::encodedTile;
using kiv::test::LocalHttpServer;

class TestXYZTileSource : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    LocalHttpServer server_;
    osg::ref_ptr<const Profile> mercator_ = Profile::create(QStringLiteral("spherical-mercator"));
    osg::ref_ptr<Map> map_;

    XYZOptions options(const QString& query = QStringLiteral("?access_token=sk.first")) const
    {
        XYZOptions o;
        o.setUrl(server_.baseUrl() + QStringLiteral("/v4/style/{z}/{x}/{y}.png") + query);
        o.setProfile(ProfileOptions(QStringLiteral("spherical-mercator")));
        o.setMaxDataLevel(19);
        o.setTimeoutMs(2000);
        o.setUserAgent(QStringLiteral("QuarzelTest/1.0"));
        return o;
    }

    osg::ref_ptr<ImageLayer> addLayer(const XYZOptions& o, const CachePolicy& policy)
    {
        ImageLayerOptions layerOptions(QStringLiteral("online"), o);
        layerOptions.setMaxLevel(19);
        layerOptions.setCachePolicy(policy);
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(layerOptions);
        map_->insertImageLayer(layer.get(), 0);
        return layer;
    }

    TileKey key(const QString& zxy) const { return kiv::test::tileKey(zxy, mercator_.get()); }

    bool isCached(const ImageLayer* layer, const QString& zxy) const
    {
        return QFile::exists(QStringLiteral("%1/%2/%3.png").arg(dir_.filePath("cache"), layer->getCacheBinId(), zxy));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server_.start());
        MapOptions mapOptions;
        mapOptions.setCache(CacheOptions(QStringLiteral("filesystem"), dir_.filePath("cache")));
        map_ = new Map(mapOptions);
    }

    void init()
    {
        server_.clearReplies();
        if (!server_.isRunning())
            QVERIFY(server_.start(server_.port()));
    }

    void cleanup()
    {
        for (const auto& layer : map_->getImageLayers())
            map_->removeImageLayer(layer.get());
    }

    void responses_data()
    {
        QTest::addColumn<QString>("tile");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("cached");
        const int ok = int(TileResult::Status::Ok), none = int(TileResult::Status::NoData),
                  failed = int(TileResult::Status::Failed);
        QTest::newRow("200 png") << "3/4/0" << 200 << encodedTile(Qt::green) << ok << true;
        QTest::newRow("204 no content") << "3/4/1" << 204 << QByteArray() << none << false;
        QTest::newRow("404 missing") << "3/4/2" << 404 << QByteArray("nope") << none << false;
        QTest::newRow("500 error") << "3/4/3" << 500 << QByteArray("oops") << failed << false;
        QTest::newRow("403 forbidden") << "3/4/4" << 403 << QByteArray() << failed << false;
        QTest::newRow("200 garbage") << "3/4/5" << 200 << QByteArray("not an image") << failed << false;
        // Without a Location there is nowhere to go, so no other scheme either.
        QTest::newRow("302 redirect") << "3/4/6" << 302 << QByteArray() << failed << false;
    }

    void responses()
    {
        QFETCH(QString, tile);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QFETCH(bool, cached);
        const QString path = "/v4/style/" + tile + ".png";
        server_.setReply(path, {status, body});
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::DEFAULT);

        const TileResult r = layer->createImage(key(tile));
        QCOMPARE(int(r.status()), result);
        QCOMPARE(server_.requestCount(path), 1);
        QCOMPARE(isCached(layer.get(), tile), cached);
        if (r.isOk()) {
            QCOMPARE(r.image().format(), QImage::Format_RGBA8888);
            QCOMPARE(r.image().pixelColor(10, 10), QColor(Qt::green));
        }
        // A second request is served from the cache when there was a tile;
        // everything else goes back to the server.
        layer->createImage(key(tile));
        QCOMPARE(server_.requestCount(path), cached ? 1 : 2);
    }

    void requestCarriesUserAgentAndToken()
    {
        server_.setReply("/v4/style/2/1/1.png", {200, encodedTile(Qt::red)});
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::NO_CACHE);
        QVERIFY(layer->createImage(key("2/1/1")).isOk());
        QCOMPARE(server_.lastUserAgent(), QByteArray("QuarzelTest/1.0"));
        QVERIFY(server_.requestTargets().last().endsWith("access_token=sk.first"));
        QVERIFY(!isCached(layer.get(), "2/1/1"));
    }

    void errorIsRetriedLater()
    {
        const QString path = "/v4/style/5/1/1.png";
        server_.setReply(path, {500, {}});
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::DEFAULT);
        QVERIFY(layer->createImage(key("5/1/1")).isFailed());
        server_.setReply(path, {200, encodedTile(Qt::blue)});
        QVERIFY(layer->createImage(key("5/1/1")).isOk());
        QCOMPARE(server_.requestCount(path), 2);
        QVERIFY(isCached(layer.get(), "5/1/1"));
    }

    // A server that never answers: the request ends by time-out or by cancel.
    void hangingServer_data()
    {
        QTest::addColumn<QString>("tile");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("time-out") << "6/1/1" << 300 << false;
        QTest::newRow("cancelled") << "6/2/2" << 60000 << true;
    }

    void hangingServer()
    {
        QFETCH(QString, tile);
        QFETCH(int, timeoutMs);
        QFETCH(bool, cancel);
        LocalHttpServer::Reply hang;
        hang.hang = true;
        server_.setReply("/v4/style/" + tile + ".png", hang);
        XYZOptions o = options();
        o.setTimeoutMs(timeoutMs);
        osg::ref_ptr<ImageLayer> layer = addLayer(o, CachePolicy::DEFAULT);
        ProgressCallback progress;
        TileResult r;
        std::thread worker([&] { r = layer->createImage(key(tile), &progress); });
        QTRY_COMPARE(server_.requestCount("/v4/style/" + tile + ".png"), 1);
        if (cancel)
            progress.cancel();
        worker.join();
        QVERIFY(cancel ? r.isCancelled() : r.isFailed());
        if (!cancel)
            QVERIFY2(r.error().contains("timeout", Qt::CaseInsensitive)
                         || r.error().contains("timed out", Qt::CaseInsensitive),
                     qPrintable(r.error()));
        QVERIFY(!isCached(layer.get(), tile));
    }

    void binIgnoresAccessToken_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("sameBin");
        QTest::newRow("new token") << "?access_token=sk.first" << "?access_token=sk.second" << true;
        QTest::newRow("token added") << "" << "?access_token=sk.x" << true;
        QTest::newRow("other query item") << "?style=a&access_token=1" << "?style=b&access_token=1"
                                          << false;
    }

    void binIgnoresAccessToken()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, sameBin);
        osg::ref_ptr<ImageLayer> a = new ImageLayer(QStringLiteral("a"), options(first));
        osg::ref_ptr<ImageLayer> b = new ImageLayer(QStringLiteral("b"), options(second));
        QCOMPARE(a->getCacheBinId() == b->getCacheBinId(), sameBin);
    }

    // Offline: tiles come from the cache (filled under an older token), a
    // miss is no data, and nothing goes to the network.
    void cacheOnlyWithServerStopped()
    {
        server_.setReply("/v4/style/4/3/5.png", {200, encodedTile(Qt::yellow)});
        osg::ref_ptr<ImageLayer> online = addLayer(options(), CachePolicy::DEFAULT);
        QVERIFY(online->createImage(key("4/3/5")).isOk());
        map_->removeImageLayer(online.get());
        const int requests = server_.requestCount();
        server_.stop();

        osg::ref_ptr<ImageLayer> offline =
            addLayer(options(QStringLiteral("?access_token=sk.renewed")), CachePolicy::CACHE_ONLY);
        QVERIFY(offline->getProfile());
        const TileResult hit = offline->createImage(key("4/3/5"));
        QVERIFY(hit.isOk());
        QCOMPARE(hit.image().pixelColor(0, 0), QColor(Qt::yellow));
        QVERIFY(offline->createImage(key("4/3/6")).isNoData());

        QVERIFY(server_.start(server_.port()));
        QVERIFY(offline->createImage(key("4/3/6")).isNoData());
        QCOMPARE(server_.requestCount(), requests);
    }

    void unusableTemplates_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("file scheme") << "file:///tmp/{z}/{x}/{y}.png";
        QTest::newRow("ftp scheme") << "ftp://127.0.0.1/{z}/{x}/{y}.png";
        QTest::newRow("no level") << "http://127.0.0.1/{x}/{y}.png";
        QTest::newRow("empty") << "";
    }

    void unusableTemplates()
    {
        QFETCH(QString, url);
        XYZOptions o;
        o.setUrl(url);
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("bad"), o);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed to open"));
        QVERIFY(!layer->getProfile());
    }
};

QTEST_GUILESS_MAIN(TestXYZTileSource)
#include "tst_xyztilesource.moc"
