#include "geo/Bounds.h"
#include "geo/GeoExtent.h"
#include "geo/GeoMath.h"
#include "geo/GeoPoint.h"
#include "geo/SpatialReference.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kiv::geo;

Q_DECLARE_METATYPE(kiv::geo::Bounds)

namespace {
constexpr double E = 20037508.342789244;
constexpr double MaxLat = 85.0511287798066;
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
} // namespace

class TestSpatialReference : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        merc_ = SpatialReference::create(QStringLiteral("epsg:3785"));
        QVERIFY(merc_.valid());
        geo_ = merc_->getGeographicSRS();
        QVERIFY(geo_.valid());
    }

    void createKinds_data()
    {
        QTest::addColumn<QString>("init");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("geographic");
        QTest::addColumn<bool>("mercator");
        QTest::newRow("3785") << "epsg:3785" << true << false << true;
        QTest::newRow("3857 upper case") << "EPSG:3857" << true << false << true;
        QTest::newRow("named") << "spherical-mercator" << true << false << true;
        QTest::newRow("4326") << "epsg:4326" << true << true << false;
        QTest::newRow("utm 32n") << "EPSG:32632" << true << false << false;
        QTest::newRow("proj string") << "+proj=utm +zone=33 +datum=WGS84" << true << false << false;
        QTest::newRow("nonsense") << "epsg:not-a-code" << false << false << false;
        QTest::newRow("empty") << "" << false << false << false;
    }

    void createKinds()
    {
        QFETCH(QString, init);
        QFETCH(bool, valid);
        QFETCH(bool, geographic);
        QFETCH(bool, mercator);
        osg::ref_ptr<SpatialReference> srs = SpatialReference::create(init);
        QCOMPARE(srs.valid(), valid);
        if (!valid)
            return;
        QCOMPARE(srs->isGeographic(), geographic);
        QCOMPARE(srs->isSphericalMercator(), mercator);
        QVERIFY(!srs->getWKT().isEmpty());
    }

    // Mercator is computed in closed form, UTM goes through OGR: the axis
    // order must stay easting/northing and longitude/latitude there, not the
    // authority's latitude-first order.
    void project_data()
    {
        QTest::addColumn<QString>("init");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("tolerance");
        const QString merc = QStringLiteral("epsg:3785");
        QTest::newRow("origin") << merc << 0.0 << 0.0 << 0.0 << 0.0 << 0.01;
        QTest::newRow("east edge") << merc << 180.0 << 0.0 << E << 0.0 << 0.01;
        QTest::newRow("west edge") << merc << -180.0 << 0.0 << -E << 0.0 << 0.01;
        QTest::newRow("north edge") << merc << 0.0 << MaxLat << 0.0 << E << 0.01;
        QTest::newRow("south-east corner") << merc << 180.0 << -MaxLat << E << -E << 0.01;
        QTest::newRow("zurich") << merc << 8.5417 << 47.3769 << 950857.6945 << 6003812.2049 << 0.01;
        QTest::newRow("sydney") << merc << 151.2093 << -33.8688 << 16832542.2792 << -4011198.6473 << 0.01;
        QTest::newRow("32632 central meridian") << "EPSG:32632" << 9.0 << 0.0 << 500000.0 << 0.0 << 2.0;
        QTest::newRow("32632 munich") << "EPSG:32632" << 11.5755 << 48.1374 << 691603.03 << 5334780.03 << 2.0;
        QTest::newRow("32733 south") << "EPSG:32733" << 15.0 << -10.0 << 500000.0 << 8894587.0 << 2.0;
    }

    void project()
    {
        QFETCH(QString, init);
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, tolerance);
        osg::ref_ptr<SpatialReference> srs = SpatialReference::create(init);
        QVERIFY(srs.valid());
        double px = 0.0, py = 0.0;
        QVERIFY(geo_->transform2D(lon, lat, srs.get(), px, py));
        QVERIFY2(std::abs(px - x) < tolerance, qPrintable(QString::number(px, 'f', 4)));
        QVERIFY2(std::abs(py - y) < tolerance, qPrintable(QString::number(py, 'f', 4)));

        double lon2 = 0.0, lat2 = 0.0;
        QVERIFY(srs->transform2D(px, py, geo_.get(), lon2, lat2));
        QVERIFY(std::abs(lon2 - lon) < 1e-9);
        QVERIFY(std::abs(lat2 - lat) < 1e-9);

        // To mercator and back through geographic.
        double mx = 0.0, my = 0.0, px2 = 0.0, py2 = 0.0;
        QVERIFY(srs->transform2D(px, py, merc_.get(), mx, my));
        QVERIFY(merc_->transform2D(mx, my, srs.get(), px2, py2));
        QVERIFY(std::abs(px2 - px) < 1e-3);
        QVERIFY(std::abs(py2 - py) < 1e-3);
    }

    void invalidInputFails_data()
    {
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<bool>("toMercator");
        QTest::newRow("north pole") << 0.0 << 90.0 << true;
        QTest::newRow("south pole") << 10.0 << -90.0 << true;
        QTest::newRow("beyond pole") << 0.0 << 91.0 << true;
        QTest::newRow("nan lat") << 0.0 << NaN << true;
        QTest::newRow("inf lon") << Inf << 0.0 << true;
        QTest::newRow("nan from mercator") << NaN << 0.0 << false;
        QTest::newRow("inf from mercator") << 0.0 << -Inf << false;
    }

    void invalidInputFails()
    {
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(bool, toMercator);
        double x = 123.0, y = 456.0;
        const SpatialReference* from = toMercator ? geo_.get() : merc_.get();
        const SpatialReference* to = toMercator ? merc_.get() : geo_.get();
        QVERIFY(!from->transform2D(lon, lat, to, x, y));
        QCOMPARE(x, 123.0);
        QCOMPARE(y, 456.0);
    }

    void haversine_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::newRow("same point") << 47.0 << 8.0 << 47.0 << 8.0 << 0.0;
        QTest::newRow("one degree of equator") << 0.0 << 0.0 << 0.0 << 1.0 << 111319.49;
        QTest::newRow("quarter meridian") << 0.0 << 0.0 << 90.0 << 0.0 << 10018754.17;
        QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 180.0 << 20037508.34;
        QTest::newRow("across antimeridian") << 0.0 << 179.5 << 0.0 << -179.5 << 111319.49;
        QTest::newRow("paris-london") << 48.8566 << 2.3522 << 51.5074 << -0.1278 << 344009.0;
    }

    void haversine()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        const double r = M_PI / 180.0;
        const double d = GeoMath::distance(lat1 * r, lon1 * r, lat2 * r, lon2 * r);
        QVERIFY2(std::abs(d - metres) < std::max(0.01, metres * 1e-3),
                 qPrintable(QString::number(d, 'f', 2)));
        QCOMPARE(GeoMath::distance(lat2 * r, lon2 * r, lat1 * r, lon1 * r), d);
    }

    void bounds_data()
    {
        QTest::addColumn<Bounds>("a");
        QTest::addColumn<Bounds>("b");
        QTest::addColumn<bool>("intersects");
        QTest::addColumn<Bounds>("unionBox");
        QTest::newRow("overlap") << Bounds(0, 0, 2, 2) << Bounds(1, 1, 3, 3) << true
                                 << Bounds(0, 0, 3, 3);
        QTest::newRow("apart") << Bounds(0, 0, 1, 1) << Bounds(2, 2, 3, 3) << false
                               << Bounds(0, 0, 3, 3);
        QTest::newRow("one invalid") << Bounds() << Bounds(2, 2, 3, 3) << false
                                     << Bounds(2, 2, 3, 3);
        QTest::newRow("both invalid") << Bounds() << Bounds() << false << Bounds();
    }

    void bounds()
    {
        QFETCH(Bounds, a);
        QFETCH(Bounds, b);
        QFETCH(bool, intersects);
        QFETCH(Bounds, unionBox);
        QCOMPARE(a.intersects(b), intersects);
        QCOMPARE(a.intersectionWith(b).valid(), intersects);
        const Bounds u = a.unionWith(b);
        QCOMPARE(u.valid(), unionBox.valid());
        if (u.valid()) {
            QCOMPARE(u.xMin(), unionBox.xMin());
            QCOMPARE(u.yMax(), unionBox.yMax());
        }
    }

    void geoPointFromWorld()
    {
        GeoPoint p;
        QVERIFY(!p.isValid());
        QVERIFY(p.fromWorld(merc_.get(), osg::Vec3d(E, E, 5.0)));
        const GeoPoint g = p.transform(geo_.get());
        QVERIFY(g.isValid());
        QVERIFY(std::abs(g.x() - 180.0) < 1e-9);
        QVERIFY(std::abs(g.y() - MaxLat) < 1e-9);
        QCOMPARE(g.z(), 5.0);
        QVERIFY(!GeoPoint(geo_.get(), 0.0, 90.0).transform(merc_.get()).isValid());
    }

    void extentTransform_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<Bounds>("box");
        QTest::addColumn<Bounds>("expected"); // invalid: no extent
        QTest::newRow("mercator world") << "epsg:3785" << "epsg:4326" << Bounds(-E, -E, E, E)
                                        << Bounds(-180, -MaxLat, 180, MaxLat);
        // The north edge of a UTM square bulges: its corners are not the
        // northernmost points, so edges must be sampled.
        QTest::newRow("utm square") << "EPSG:32632" << "epsg:4326" << Bounds(300000, 5000000, 700000, 5400000)
                                    << Bounds(6.3, 45.1, 11.7, 48.78);
        QTest::newRow("geographic world clipped") << "epsg:4326" << "epsg:3785" << Bounds(-180, -90, 180, 90)
                                                  << Bounds(-E, -E, E, E);
        QTest::newRow("beyond mercator") << "epsg:4326" << "epsg:3785" << Bounds(0, 86, 1, 89) << Bounds();
        QTest::newRow("no extent") << "epsg:4326" << "epsg:3785" << Bounds() << Bounds();
    }

    void extentTransform()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(Bounds, box);
        QFETCH(Bounds, expected);
        osg::ref_ptr<SpatialReference> target = SpatialReference::create(to);
        const GeoExtent g = GeoExtent(SpatialReference::create(from).get(), box).transform(target.get());
        QCOMPARE(g.isValid(), expected.valid());
        const double tolerance = target->isGeographic() ? 0.05 : 1e-3;
        const QString found = g.bounds().toString();
        QVERIFY2(!g.isValid() || std::abs(g.west() - expected.xMin()) < tolerance, qPrintable(found));
        QVERIFY2(!g.isValid() || std::abs(g.east() - expected.xMax()) < tolerance, qPrintable(found));
        QVERIFY2(!g.isValid() || std::abs(g.south() - expected.yMin()) < tolerance, qPrintable(found));
        QVERIFY2(!g.isValid() || std::abs(g.north() - expected.yMax()) < tolerance, qPrintable(found));
    }

private:
    osg::ref_ptr<SpatialReference> merc_;
    osg::ref_ptr<const SpatialReference> geo_;
};

QTEST_GUILESS_MAIN(TestSpatialReference)
#include "tst_spatialreference.moc"
