#include "geo/ImageLayer.h"
#include "geo/TileLoader.h"
#include "geo/TileSourceRegistry.h"

#include <QtTest>

#include <condition_variable>
#include <map>
#include <mutex>

using namespace kiv::geo;

namespace {

// What the scripted source does, shared with the test through its name.
struct Script
{
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    bool fail = false;
    bool network = false;
    std::vector<QString> calls;
    int cancelled = 0;

    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    std::vector<QString> callList()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
    int cancelCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return cancelled;
    }
};

std::map<QString, Script*>& scripts()
{
    static std::map<QString, Script*> all;
    return all;
}

// Blocks each tile until the script is released or the request cancelled.
class ScriptedSource : public TileSource
{
public:
    explicit ScriptedSource(const TileSourceOptions& o)
        : TileSource(o), script_(scripts().at(o.getConfig().value("script")))
    {
    }

    bool isNetworkSource() const override { return script_->network; }

    TileResult createImage(const TileKey& key, ProgressCallback* progress) override
    {
        std::unique_lock<std::mutex> lock(script_->mutex);
        script_->calls.push_back(key.str());
        while (!script_->released) {
            if (progress && progress->isCanceled()) {
                ++script_->cancelled;
                return TileResult::cancelled();
            }
            script_->changed.wait_for(lock, std::chrono::milliseconds(2));
        }
        if (script_->fail)
            return TileResult::failed("scripted failure");
        QImage image(256, 256, QImage::Format_RGBA8888);
        image.fill(Qt::white);
        return TileResult::ok(image);
    }

protected:
    Status initialize() override
    {
        setProfile(Profile::create(QStringLiteral("spherical-mercator")));
        return Status::OK();
    }

private:
    Script* script_;
};

class ScriptedDriver : public TileSourceDriver
{
public:
    ScriptedDriver() { supportsExtension("osgearth_scripted", "Scripted test tiles"); }
    QString className() const override { return "Scripted test tiles"; }
    ReadResult readObject(const QString& fileName, const TileSourceOptions& options) const override
    {
        ReadResult r;
        if (acceptsExtension(QFileInfo(fileName).suffix().toLower())) {
            r.source = new ScriptedSource(options);
            r.status = ReadResult::FILE_LOADED;
        }
        return r;
    }
};

using KeyNames = QStringList;

} // namespace

class TestTileLoader : public QObject
{
    Q_OBJECT

private:
    osg::ref_ptr<const Profile> profile_ = Profile::create(QStringLiteral("spherical-mercator"));
    Script local_;
    Script network_;

    osg::ref_ptr<ImageLayer> layer(const QString& script)
    {
        TileSourceOptions o;
        o.setDriver("scripted");
        Config conf = o.getConfig();
        conf.set("script", script);
        return new ImageLayer(script, TileSourceOptions(conf));
    }

    TileKey key(unsigned x) const { return TileKey(4, x, 1, profile_.get()); }

    static void reset(Script& s, bool network)
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.released = false;
        s.fail = false;
        s.network = network;
        s.calls.clear();
        s.cancelled = 0;
    }

    // Collects finished tiles until there are n of them (or time runs out).
    static std::vector<LoadedTile> waitFinished(TileLoader& loader, size_t n)
    {
        std::vector<LoadedTile> all;
        QElapsedTimer timer;
        timer.start();
        while (all.size() < n && timer.elapsed() < 5000) {
            for (LoadedTile& t : loader.takeFinished())
                all.push_back(std::move(t));
            QTest::qWait(2);
        }
        return all;
    }

    static TileLoader::Options oneThreadEach()
    {
        TileLoader::Options o;
        o.localThreads = 1;
        o.networkThreads = 1;
        o.retryDelay = std::chrono::milliseconds(200);
        return o;
    }

private slots:
    void initTestCase()
    {
        scripts()["local"] = &local_;
        scripts()["network"] = &network_;
        TileSourceRegistry::instance()->addDriver(std::make_unique<ScriptedDriver>());
    }

    void init()
    {
        reset(local_, false);
        reset(network_, true);
    }

    void duplicatesAreLoadedOnce()
    {
        osg::ref_ptr<ImageLayer> l = layer("local");
        TileLoader loader(oneThreadEach());
        loader.request(l.get(), key(1), 1.0f);
        QTRY_COMPARE(local_.callList().size(), size_t(1)); // running
        loader.request(l.get(), key(1), 2.0f);
        loader.request(l.get(), key(2), 1.0f);
        loader.request(l.get(), key(2), 1.0f);
        QCOMPARE(loader.requestsInProgress(), 2);
        local_.release();
        QTRY_COMPARE(loader.requestsInProgress(), 2); // both finished, not yet taken
        QTRY_COMPARE(local_.callList().size(), size_t(2));
        // Still finished-but-not-taken: asking again does not load again.
        loader.request(l.get(), key(1), 1.0f);
        const std::vector<LoadedTile> done = waitFinished(loader, 2);
        QCOMPARE(done.size(), size_t(2));
        QCOMPARE(loader.requestsInProgress(), 0);
        QCOMPARE(local_.callList(), (std::vector<QString>{"4/1/1", "4/2/1"}));
        for (const LoadedTile& t : done) {
            QVERIFY(t.result.isOk());
            QCOMPARE(t.layer.get(), l.get());
        }
    }

    void priorityOrder_data()
    {
        QTest::addColumn<QList<float>>("priorities");
        QTest::addColumn<float>("renewFirst"); // new priority of key 1, or 0
        QTest::addColumn<KeyNames>("order");
        QTest::newRow("highest first") << QList<float>{1, 5, 3} << 0.0f
                                       << KeyNames{"4/2/1", "4/3/1", "4/1/1"};
        QTest::newRow("renewed priority") << QList<float>{1, 5, 3} << 9.0f
                                          << KeyNames{"4/1/1", "4/2/1", "4/3/1"};
    }

    void priorityOrder()
    {
        QFETCH(QList<float>, priorities);
        QFETCH(float, renewFirst);
        QFETCH(KeyNames, order);
        osg::ref_ptr<ImageLayer> l = layer("local");
        TileLoader loader(oneThreadEach());
        loader.request(l.get(), key(0), 100.0f); // occupies the only thread
        QTRY_COMPARE(local_.callList().size(), size_t(1));
        for (int i = 0; i < priorities.size(); ++i)
            loader.request(l.get(), key(i + 1), priorities[i]);
        if (renewFirst > 0.0f)
            loader.request(l.get(), key(1), renewFirst);
        local_.release();
        QCOMPARE(waitFinished(loader, 4).size(), size_t(4));
        KeyNames got;
        for (const QString& c : local_.callList())
            got << c;
        got.removeFirst();
        QCOMPARE(got, order);
    }

    void requestsNotRenewedAreCancelled()
    {
        osg::ref_ptr<ImageLayer> l = layer("local");
        TileLoader loader(oneThreadEach());
        loader.request(l.get(), key(1), 1.0f);
        loader.request(l.get(), key(2), 1.0f);
        loader.request(l.get(), key(3), 1.0f);
        QTRY_COMPARE(local_.callList().size(), size_t(1));
        loader.frame();
        QCOMPARE(loader.requestsInProgress(), 3);

        // The next frame wants only key 3: key 1 (running) is cancelled and
        // key 2 (queued) never loads.
        loader.request(l.get(), key(3), 1.0f);
        loader.frame();
        QTRY_COMPARE(local_.cancelCount(), 1);
        QTRY_COMPARE(local_.callList().size(), size_t(2));
        QCOMPARE(local_.callList().back(), key(3).str());
        QCOMPARE(loader.requestsInProgress(), 1);
        local_.release();
        loader.request(l.get(), key(3), 1.0f);
        const std::vector<LoadedTile> done = waitFinished(loader, 1);
        QCOMPARE(done.size(), size_t(1));
        QCOMPARE(done.front().key, key(3));
        QCOMPARE(loader.requestsInProgress(), 0);
    }

    void finishedButNotRenewedIsDropped()
    {
        osg::ref_ptr<ImageLayer> l = layer("local");
        local_.release();
        TileLoader loader(oneThreadEach());
        loader.request(l.get(), key(1), 2.0f);
        loader.request(l.get(), key(2), 1.0f);
        loader.frame();
        // The only thread has started key 2, so key 1 has finished.
        QTRY_COMPARE(local_.callList().size(), size_t(2));
        loader.request(l.get(), key(2), 1.0f);
        loader.frame();
        const std::vector<LoadedTile> done = waitFinished(loader, 1);
        QCOMPARE(done.size(), size_t(1));
        QCOMPARE(done.front().key, key(2));
        QCOMPARE(loader.requestsInProgress(), 0);
    }

    void networkPoolDoesNotBlockLocal()
    {
        osg::ref_ptr<ImageLayer> slow = layer("network");
        osg::ref_ptr<ImageLayer> fast = layer("local");
        local_.release();
        TileLoader loader(oneThreadEach());
        loader.request(slow.get(), key(1), 9.0f);
        loader.request(slow.get(), key(2), 9.0f);
        loader.request(fast.get(), key(1), 1.0f);
        QTRY_COMPARE(local_.callList().size(), size_t(1));
        // The network thread starts on its own time.
        QTRY_COMPARE(network_.callList().size(), size_t(1));
        QCOMPARE(loader.requestsInProgress(), 3);
        const std::vector<LoadedTile> done = waitFinished(loader, 1);
        QCOMPARE(done.size(), size_t(1));
        QCOMPARE(done.front().layer.get(), fast.get());
        QCOMPARE(loader.requestsInProgress(), 2);
        network_.release();
        QCOMPARE(waitFinished(loader, 2).size(), size_t(2));
    }

    void failuresWaitBeforeRetry()
    {
        osg::ref_ptr<ImageLayer> l = layer("local");
        {
            std::lock_guard<std::mutex> lock(local_.mutex);
            local_.fail = true;
        }
        local_.release();
        const TileLoader::Options options = oneThreadEach();
        TileLoader loader(options);
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        loader.request(l.get(), key(1), 1.0f);
        const std::vector<LoadedTile> done = waitFinished(loader, 1);
        QCOMPARE(done.size(), size_t(1));
        QVERIFY(done.front().result.isFailed());
        loader.request(l.get(), key(1), 1.0f);
        // The failure came after sinceFirst started: only while the delay
        // has surely not passed is the request bound to be refused.
        if (sinceFirst.elapsed() < options.retryDelay.count())
            QCOMPARE(loader.requestsInProgress(), 0);
        QElapsedTimer sinceFailure;
        sinceFailure.start();
        QTRY_VERIFY(sinceFailure.elapsed() > options.retryDelay.count());
        loader.request(l.get(), key(1), 1.0f);
        QTRY_COMPARE(local_.callList().size(), size_t(2));
    }

    void destructionCancelsRunningWork()
    {
        osg::ref_ptr<ImageLayer> l = layer("network");
        {
            TileLoader loader(oneThreadEach());
            loader.request(l.get(), key(1), 1.0f);
            loader.request(l.get(), key(2), 1.0f);
            QTRY_COMPARE(network_.callList().size(), size_t(1));
        }
        QCOMPARE(network_.cancelCount(), 1);
        QCOMPARE(network_.callList().size(), size_t(1));
    }

    void cancelAllEmptiesTheLoader()
    {
        osg::ref_ptr<ImageLayer> l = layer("local");
        TileLoader loader(oneThreadEach());
        for (unsigned x = 0; x < 5; ++x)
            loader.request(l.get(), key(x), 1.0f);
        QTRY_COMPARE(local_.callList().size(), size_t(1));
        loader.cancelAll();
        // The running one counts until its thread has let go of it.
        QVERIFY(loader.requestsInProgress() <= 1);
        QTRY_COMPARE(local_.cancelCount(), 1);
        QTRY_COMPARE(loader.requestsInProgress(), 0);
        QVERIFY(loader.takeFinished().empty());
    }
};

QTEST_GUILESS_MAIN(TestTileLoader)
#include "tst_tileloader.moc"
