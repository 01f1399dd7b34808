#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/drivers/XYZOptions.h"
#include "geo/drivers/XYZTileSource.h"
#include "support/LocalHttpServer.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;
using kiv::test::LocalHttpServer;

namespace {

QByteArray png(const QColor& colour)
{
    QImage image(256, 256, QImage::Format_RGBA8888);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

LocalHttpServer::Reply reply(int status, const QByteArray& body = QByteArray())
{
    LocalHttpServer::Reply r;
    r.status = status;
    r.body = body;
    return r;
}

} // namespace

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

    TileKey key(unsigned z, unsigned x, unsigned y) const
    {
        return TileKey(z, x, y, mercator_.get());
    }

    QString cachedFile(const ImageLayer* layer, const TileKey& k) const
    {
        return QStringLiteral("%1/%2/%3/%4/%5.png")
            .arg(dir_.filePath("cache"), layer->getCacheBinId())
            .arg(k.getLOD()).arg(k.getTileX()).arg(k.getTileY());
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

    void responses_data()
    {
        QTest::addColumn<unsigned>("row");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("cached");
        QTest::newRow("200 png") << 0u << 200 << png(Qt::green) << int(TileResult::Status::Ok) << true;
        QTest::newRow("204 no content") << 1u << 204 << QByteArray() << int(TileResult::Status::NoData) << false;
        QTest::newRow("404 missing") << 2u << 404 << QByteArray("nope") << int(TileResult::Status::NoData) << false;
        QTest::newRow("500 error") << 3u << 500 << QByteArray("oops") << int(TileResult::Status::Failed) << false;
        QTest::newRow("403 forbidden") << 4u << 403 << QByteArray() << int(TileResult::Status::Failed) << false;
        QTest::newRow("200 garbage") << 5u << 200 << QByteArray("not an image") << int(TileResult::Status::Failed) << false;
    }

    void responses()
    {
        QFETCH(unsigned, row);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QFETCH(bool, cached);
        const TileKey k = key(3, 4, row);
        const QString path = QStringLiteral("/v4/style/%1/%2/%3.png").arg(3).arg(4).arg(k.getTileY());
        server_.setReply(path, reply(status, body));
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::DEFAULT);

        const TileResult r = layer->createImage(k);
        QCOMPARE(int(r.status()), result);
        QCOMPARE(server_.requestCount(path), 1);
        QCOMPARE(QFile::exists(cachedFile(layer.get(), k)), cached);
        if (r.isOk()) {
            QCOMPARE(r.image().format(), QImage::Format_RGBA8888);
            QCOMPARE(r.image().pixelColor(10, 10), QColor(Qt::green));
        }
        // A second request is served from the cache when there was a tile;
        // everything else goes back to the server.
        layer->createImage(k);
        QCOMPARE(server_.requestCount(path), cached ? 1 : 2);
        map_->removeImageLayer(layer.get());
    }

    void requestCarriesUserAgentAndToken()
    {
        server_.setReply("/v4/style/2/1/1.png", reply(200, png(Qt::red)));
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::NO_CACHE);
        QVERIFY(layer->createImage(key(2, 1, 1)).isOk());
        QCOMPARE(server_.lastUserAgent(), QByteArray("QuarzelTest/1.0"));
        QVERIFY(server_.requestTargets().last().endsWith("access_token=sk.first"));
        QVERIFY(!QFile::exists(cachedFile(layer.get(), key(2, 1, 1))));
        map_->removeImageLayer(layer.get());
    }

    void errorIsRetriedLater()
    {
        const QString path = "/v4/style/5/1/1.png";
        server_.setReply(path, reply(500));
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::DEFAULT);
        QVERIFY(layer->createImage(key(5, 1, 1)).isFailed());
        server_.setReply(path, reply(200, png(Qt::blue)));
        QVERIFY(layer->createImage(key(5, 1, 1)).isOk());
        QCOMPARE(server_.requestCount(path), 2);
        QVERIFY(QFile::exists(cachedFile(layer.get(), key(5, 1, 1))));
        map_->removeImageLayer(layer.get());
    }

    void timeOut()
    {
        LocalHttpServer::Reply hang;
        hang.hang = true;
        server_.setReply("/v4/style/6/1/1.png", hang);
        XYZOptions o = options();
        o.setTimeoutMs(300);
        osg::ref_ptr<ImageLayer> layer = addLayer(o, CachePolicy::DEFAULT);
        const TileResult r = layer->createImage(key(6, 1, 1));
        QVERIFY(r.isFailed());
        QVERIFY2(r.error().contains("timeout", Qt::CaseInsensitive)
                     || r.error().contains("timed out", Qt::CaseInsensitive),
                 qPrintable(r.error()));
        QVERIFY(!QFile::exists(cachedFile(layer.get(), key(6, 1, 1))));
        map_->removeImageLayer(layer.get());
    }

    void cancelRunningRequest()
    {
        LocalHttpServer::Reply hang;
        hang.hang = true;
        server_.setReply("/v4/style/6/2/2.png", hang);
        XYZOptions o = options();
        o.setTimeoutMs(60000);
        osg::ref_ptr<ImageLayer> layer = addLayer(o, CachePolicy::DEFAULT);
        ProgressCallback progress;
        TileResult r;
        std::thread worker([&] { r = layer->createImage(key(6, 2, 2), &progress); });
        QTRY_COMPARE(server_.requestCount("/v4/style/6/2/2.png"), 1);
        progress.cancel();
        worker.join();
        QVERIFY(r.isCancelled());
        map_->removeImageLayer(layer.get());
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
        server_.setReply("/v4/style/4/3/5.png", reply(200, png(Qt::yellow)));
        osg::ref_ptr<ImageLayer> online = addLayer(options(), CachePolicy::DEFAULT);
        QVERIFY(online->createImage(key(4, 3, 5)).isOk());
        map_->removeImageLayer(online.get());
        const int requests = server_.requestCount();
        server_.stop();

        osg::ref_ptr<ImageLayer> offline =
            addLayer(options(QStringLiteral("?access_token=sk.renewed")), CachePolicy::CACHE_ONLY);
        QVERIFY(offline->getProfile());
        const TileResult hit = offline->createImage(key(4, 3, 5));
        QVERIFY(hit.isOk());
        QCOMPARE(hit.image().pixelColor(0, 0), QColor(Qt::yellow));
        QVERIFY(offline->createImage(key(4, 3, 6)).isNoData());

        QVERIFY(server_.start(server_.port()));
        QVERIFY(offline->createImage(key(4, 3, 6)).isNoData());
        QCOMPARE(server_.requestCount(), requests);
        map_->removeImageLayer(offline.get());
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

    void redirectToOtherSchemeRefused()
    {
        LocalHttpServer::Reply redirect;
        redirect.status = 302;
        server_.setReply("/v4/style/7/1/1.png", redirect);
        // The server sends no Location; any 3xx without a target is a failure.
        osg::ref_ptr<ImageLayer> layer = addLayer(options(), CachePolicy::DEFAULT);
        QVERIFY(layer->createImage(key(7, 1, 1)).isFailed());
        map_->removeImageLayer(layer.get());
    }
};

QTEST_GUILESS_MAIN(TestXYZTileSource)
#include "tst_xyztilesource.moc"
