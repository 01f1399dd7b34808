#include "map/MapHitTester.h"

#include <QtTest>

#include <vector>

using namespace kiv;

using Points = std::vector<QPointF>;
Q_DECLARE_METATYPE(Points)

// The geometry of a tap alone, without a scene or a window.
class TestMapHitTester : public QObject
{
    Q_OBJECT

private slots:
    void nearestSegment_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QPointF>("tap");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("segment"); // -1: no hit
        QTest::addColumn<double>("distance");
        QTest::addColumn<QPointF>("nearest");
        const Points corner{{0, 0}, {100, 0}, {100, 100}};
        QTest::newRow("no points") << Points{} << true << QPointF(0, 0) << 10.0 << -1 << 0.0 << QPointF();
        QTest::newRow("one point, open") << Points{{0, 0}} << false << QPointF(0, 0) << 10.0 << -1 << 0.0
                                         << QPointF();
        // Closed, a single point is a segment of no length back to itself.
        QTest::newRow("one point, closed") << Points{{0, 0}} << true << QPointF(3, 4) << 10.0 << 1 << 5.0
                                           << QPointF(0, 0);
        QTest::newRow("beside the first segment") << corner << false << QPointF(50, 4) << 10.0 << 1 << 4.0
                                                  << QPointF(50, 0);
        QTest::newRow("just inside the tolerance") << corner << false << QPointF(50, 9.99) << 10.0 << 1 << 9.99
                                                   << QPointF(50, 0);
        QTest::newRow("at the tolerance") << corner << false << QPointF(50, 10) << 10.0 << -1 << 0.0 << QPointF();
        QTest::newRow("past the end clamps to it") << corner << false << QPointF(-3, -4) << 10.0 << 1 << 5.0
                                                   << QPointF(0, 0);
        QTest::newRow("nearer second segment wins") << corner << false << QPointF(98, 50) << 10.0 << 2 << 2.0
                                                    << QPointF(100, 50);
        QTest::newRow("the corner: first of equals") << corner << false << QPointF(103, -4) << 10.0 << 1 << 5.0
                                                     << QPointF(100, 0);
        QTest::newRow("closing segment, open line") << corner << false << QPointF(48, 52) << 5.0 << -1 << 0.0
                                                    << QPointF();
        QTest::newRow("closing segment, closed line") << corner << true << QPointF(48, 52) << 5.0 << 3
                                                      << std::sqrt(8.0) << QPointF(50, 50);
        QTest::newRow("segment of no length") << Points{{10, 10}, {10, 10}} << false << QPointF(13, 14) << 10.0
                                              << 1 << 5.0 << QPointF(10, 10);
    }

    void nearestSegment()
    {
        QFETCH(Points, points);
        QFETCH(bool, closed);
        QFETCH(QPointF, tap);
        QFETCH(double, tolerance);
        QFETCH(int, segment);
        QFETCH(double, distance);
        QFETCH(QPointF, nearest);
        const auto hit = MapHitTester::nearestSegment(points, closed, tap, tolerance);
        QCOMPARE(hit.has_value(), segment >= 0);
        if (!hit)
            return;
        QCOMPARE(int(hit->segment), segment);
        QVERIFY(std::abs(hit->distance - distance) < 1e-4);
        QVERIFY(QLineF(hit->nearest, nearest).length() < 1e-4);
        QVERIFY(hit->t >= 0.0f && hit->t <= 1.0f);
    }

    void withinSquare_data()
    {
        QTest::addColumn<QPointF>("tap");
        QTest::addColumn<bool>("within");
        QTest::newRow("centre") << QPointF(100, 100) << true;
        QTest::newRow("just inside") << QPointF(115.9, 84.1) << true;
        QTest::newRow("on the right edge") << QPointF(116, 100) << false;
        QTest::newRow("on the top edge") << QPointF(100, 84) << false;
        QTest::newRow("outside a corner") << QPointF(120, 120) << false;
    }

    void withinSquare()
    {
        QFETCH(QPointF, tap);
        QFETCH(bool, within);
        QCOMPARE(MapHitTester::withinSquare(tap, QPointF(100, 100), 16.0), within);
    }

    void insideOutline_data()
    {
        QTest::addColumn<Points>("outline");
        QTest::addColumn<QPointF>("tap");
        QTest::addColumn<bool>("inside");
        const Points square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        const Points twoLines{{0, 0}, {10, 10}};
        const Points ring{{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
        QTest::newRow("inside") << square << QPointF(5, 5) << true;
        QTest::newRow("outside") << square << QPointF(15, 5) << false;
        QTest::newRow("two points hold nothing") << twoLines << QPointF(5, 5) << false;
        QTest::newRow("no points") << Points{} << QPointF(0, 0) << false;
        QTest::newRow("in the ring") << ring << QPointF(5, 15) << true;
        QTest::newRow("in the ring's hole") << ring << QPointF(15, 15) << false;
    }

    void insideOutline()
    {
        QFETCH(Points, outline);
        QFETCH(QPointF, tap);
        QFETCH(bool, inside);
        QCOMPARE(MapHitTester::insideOutline(outline, tap), inside);
    }
};

QTEST_GUILESS_MAIN(TestMapHitTester)
#include "tst_maphittester.moc"
