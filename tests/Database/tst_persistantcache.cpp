#include <QtTest>

#include "Database/PersistantCache.h"
#include "app/ApplicationManager.h"
#include "support/ApplicationIdentity.h"

using namespace kiv;

class TestPersistantCache : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManager> m_app;
    PersistantCache* m_cache = nullptr;

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        m_app = std::make_unique<ApplicationManager>(qGuiApp);
    }

    void unwritableFolderMissesEverything()
    {
        // A regular file where the cache folder should be.
        const QString folder = m_app->cachePath();
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        PersistantCache cache;
        QVERIFY(!cache.isOpen());
        QVERIFY(!cache.put("k", "v"));
        QVERIFY(cache.get("k").isEmpty());
        QVERIFY(!cache.putImage("k", QImage(2, 2, QImage::Format_ARGB32)));
        QVERIFY(cache.getImage("k").isNull());
        QVERIFY(!cache.putTimestamp("k", QDateTime::currentDateTimeUtc()));
        QVERIFY(!cache.getTimestamp("k").isValid());
        cache.clear();

        QVERIFY(QFile::remove(folder));
    }

    void createdOnFirstUse()
    {
        QVERIFY(QDir().mkpath(m_app->cachePath()));
        QVERIFY(!PersistantCache::exists());
        m_cache = PersistantCache::instance();
        QVERIFY(PersistantCache::exists());
        QVERIFY(m_cache->isOpen());
        QVERIFY(QFile::exists(m_app->cachePath() + "/cache.db"));
    }

    void keysAndValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("replace") << "a" << QByteArray("one") << QByteArray("two");
        QTest::newRow("quote in key") << "it's" << QByteArray("x") << QByteArray("y");
        QTest::newRow("binary value") << "bin" << QByteArray("\0\1\0", 3) << QByteArray("\xff\0", 2);
        QTest::newRow("unicode key") << QString::fromUtf8("Gneiß/øst") << QByteArray("a") << QByteArray("b");
    }

    void keysAndValues()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QVERIFY(m_cache->put(key, first));
        QCOMPARE(m_cache->get(key), first);
        QVERIFY(m_cache->put(key, second));
        QCOMPARE(m_cache->get(key), second);
        QVERIFY(m_cache->get(key + "x").isEmpty());
    }

    void timestampsLiveUnderTheirOwnKey()
    {
        const QDateTime when(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::UTC);
        QVERIFY(m_cache->putTimestamp("thumb", when));
        QCOMPARE(m_cache->getTimestamp("thumb"), when);
        QVERIFY(m_cache->get("thumb").isEmpty());
        QVERIFY(!m_cache->get("thumb/TIMESTAMP").isEmpty());
        QVERIFY(!m_cache->getTimestamp("other").isValid());
    }

    void imagesRoundTrip()
    {
        QImage image(5, 3, QImage::Format_ARGB32);
        image.fill(QColor(10, 20, 30, 200));
        image.setPixelColor(4, 2, Qt::red);
        QVERIFY(m_cache->putImage("img", image));
        const QImage back = m_cache->getImage("img");
        QCOMPARE(back.size(), image.size());
        QCOMPARE(back.pixelColor(4, 2), QColor(Qt::red));
        QCOMPARE(back.pixelColor(0, 0), QColor(10, 20, 30, 200));
        QVERIFY(m_cache->getImage("none").isNull());
    }

    void clearEmptiesAndKeepsWorking()
    {
        QVERIFY(m_cache->put("a", "1"));
        m_cache->clear();
        QVERIFY(m_cache->get("a").isEmpty());
        QVERIFY(m_cache->put("a", "2"));
        QCOMPARE(m_cache->get("a"), QByteArray("2"));
    }

    void applicationClearsOnlyAnExistingCache()
    {
        QVERIFY(m_cache->put("a", "1"));
        m_app->clearCaches();
        QVERIFY(m_cache->get("a").isEmpty());
    }
};

QTEST_MAIN(TestPersistantCache)
#include "tst_persistantcache.moc"
