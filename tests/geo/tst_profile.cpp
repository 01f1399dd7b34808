#include "geo/Profile.h"
#include "geo/TileKey.h"
#include "support/GeoTestData.h"

#include <QtTest>

#include <cmath>

using namespace kiv::geo;

namespace {
constexpr double E = 20037508.342789244;

using KeyList = QList<QString>;

KeyList keyNames(const std::vector<TileKey>& keys)
{
    KeyList names;
    for (const TileKey& k : keys)
        names << k.str();
    return names;
}
} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        profile_ = Profile::create(QStringLiteral("spherical-mercator"));
        QVERIFY(profile_.valid());
        geo_ = profile_->getSRS()->getGeographicSRS();
    }

    void sphericalMercator()
    {
        QVERIFY(profile_->isSphericalMercator());
        QVERIFY(!Profile::create(QStringLiteral("no-such-profile")).valid());
        const GeoExtent& ll = profile_->getLatLongExtent();
        QVERIFY(ll.getSRS()->isGeographic());
        QVERIFY(std::abs(ll.west() + 180.0) < 1e-9);
        QVERIFY(std::abs(ll.east() - 180.0) < 1e-9);
        QVERIFY(std::abs(ll.north() - 85.0511287798) < 1e-9);
        QVERIFY(std::abs(ll.south() + 85.0511287798) < 1e-9);
        QCOMPARE(Profile::TileSize, 256u);
    }

    void tileExtent_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("xmin");
        QTest::addColumn<double>("ymax");
        QTest::addColumn<double>("size");
        QTest::newRow("root") << "0/0/0" << -E << E << 2 * E;
        QTest::newRow("north-west at 1") << "1/0/0" << -E << E << E;
        QTest::newRow("south-east at 1") << "1/1/1" << 0.0 << 0.0 << E;
        QTest::newRow("row 3 of level 2") << "2/2/3" << 0.0 << -E / 2 << E / 2;
    }

    void tileExtent()
    {
        QFETCH(QString, key);
        QFETCH(double, xmin);
        QFETCH(double, ymax);
        QFETCH(double, size);
        const TileKey k = kiv::test::tileKey(key, profile_.get());
        QVERIFY(k.valid());
        QCOMPARE(k.str(), key);
        const GeoExtent e = k.getExtent();
        QVERIFY(std::abs(e.xMin() - xmin) < 1e-6);
        QVERIFY(std::abs(e.yMax() - ymax) < 1e-6);
        QVERIFY(std::abs(e.width() - size) < 1e-6);
        QVERIFY(std::abs(e.height() - size) < 1e-6);
    }

    void invalidKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("column past edge") << "1/2/0";
        QTest::newRow("row past edge") << "3/0/8";
        QTest::newRow("level too deep") << "31/0/0";
    }

    void invalidKeys()
    {
        QFETCH(QString, key);
        const TileKey k = kiv::test::tileKey(key, profile_.get());
        QVERIFY(!k.valid());
        QVERIFY(!k.getExtent().isValid());
        QVERIFY(!TileKey().valid());
    }

    void intersectingTiles_data()
    {
        QTest::addColumn<double>("west");
        QTest::addColumn<double>("south");
        QTest::addColumn<double>("east");
        QTest::addColumn<double>("north");
        QTest::addColumn<unsigned>("lod");
        QTest::addColumn<KeyList>("keys");
        QTest::newRow("world at 0") << -180.0 << -90.0 << 180.0 << 90.0 << 0u << KeyList{"0/0/0"};
        QTest::newRow("world at 1") << -180.0 << -90.0 << 180.0 << 90.0 << 1u
                                    << KeyList{"1/0/0", "1/1/0", "1/0/1", "1/1/1"};
        QTest::newRow("north-east quadrant") << 10.0 << 10.0 << 20.0 << 20.0 << 1u
                                             << KeyList{"1/1/0"};
        // A box ending exactly on the prime meridian does not reach east of it.
        QTest::newRow("edge touching") << -10.0 << 10.0 << 0.0 << 20.0 << 1u << KeyList{"1/0/0"};
        QTest::newRow("zurich at 10") << 8.70 << 47.35 << 8.90 << 47.40 << 10u
                                      << KeyList{"10/536/358", "10/537/358"};
        QTest::newRow("point") << 8.54 << 47.37 << 8.54 << 47.37 << 12u
                               << KeyList{"12/2145/1434"};
        QTest::newRow("outside mercator") << 0.0 << 86.0 << 1.0 << 89.0 << 3u << KeyList{};
    }

    void intersectingTiles()
    {
        QFETCH(double, west);
        QFETCH(double, south);
        QFETCH(double, east);
        QFETCH(double, north);
        QFETCH(unsigned, lod);
        QFETCH(KeyList, keys);
        std::vector<TileKey> out;
        profile_->getIntersectingTiles(GeoExtent(geo_.get(), west, south, east, north), lod, out);
        QCOMPARE(keyNames(out), keys);
    }

    // Quadrants: 0 north-west, 1 north-east, 2 south-west, 3 south-east.
    void childKeys_data()
    {
        QTest::addColumn<unsigned>("quadrant");
        QTest::addColumn<QString>("child"); // empty: no key
        QTest::newRow("north-west") << 0u << "6/34/22";
        QTest::newRow("north-east") << 1u << "6/35/22";
        QTest::newRow("south-west") << 2u << "6/34/23";
        QTest::newRow("south-east") << 3u << "6/35/23";
        QTest::newRow("no fifth quadrant") << 4u << QString();
    }

    void childKeys()
    {
        QFETCH(unsigned, quadrant);
        QFETCH(QString, child);
        const TileKey key = TileKey(5, 17, 11, profile_.get()).createChildKey(quadrant);
        QCOMPARE(key.valid() ? key.str() : QString(), child);
    }

    void containsOnEachEdge_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("inside");
        QTest::newRow("west edge") << QPointF(10, 30) << true;
        QTest::newRow("east edge") << QPointF(20, 30) << true;
        QTest::newRow("south edge") << QPointF(15, 25) << true;
        QTest::newRow("north edge") << QPointF(15, 35) << true;
        QTest::newRow("west of it") << QPointF(std::nextafter(10.0, 0.0), 30) << false;
        QTest::newRow("east of it") << QPointF(std::nextafter(20.0, 30.0), 30) << false;
        QTest::newRow("south of it") << QPointF(15, std::nextafter(25.0, 0.0)) << false;
        QTest::newRow("north of it") << QPointF(15, std::nextafter(35.0, 40.0)) << false;
    }

    void containsOnEachEdge()
    {
        QFETCH(QPointF, point);
        QFETCH(bool, inside);
        QCOMPARE(GeoExtent(geo_.get(), 10, 25, 20, 35).contains(point.x(), point.y()), inside);
    }

    void parentAndChildren()
    {
        const TileKey key(5, 17, 11, profile_.get());
        QCOMPARE(key.createParentKey().str(), QStringLiteral("4/8/5"));
        QVERIFY(!TileKey(0, 0, 0, profile_.get()).createParentKey().valid());
        QCOMPARE(key, TileKey(5, 17, 11, Profile::create(QStringLiteral("spherical-mercator"))));
        QCOMPARE(qHash(key), qHash(TileKey(5, 17, 11, profile_.get())));
    }

private:
    osg::ref_ptr<const Profile> profile_;
    osg::ref_ptr<const SpatialReference> geo_;
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
