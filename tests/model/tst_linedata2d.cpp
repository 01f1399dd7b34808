#include <QtTest>

#include "support/RecordRoundTrip.h"

#include "Database/Quarzel.pb.h"
#include "model/LineData2D.h"

#include <cmath>
#include <memory>
#include <stdexcept>

using kiv::LineData2D;
using Record = QZProtoBuffers::LineData2D;
using Points = QVector<QPointF>; // x latitude, y longitude

namespace {

LineData2D lineOf(const Points& points)
{
    LineData2D line("a", "b");
    for (const QPointF& p : points)
        line.addPoint(p.x(), p.y());
    return line;
}

Points pointsOf(const LineData2D& line)
{
    Points points;
    for (const LineData2D::Point& p : line.points())
        points.append(QPointF(p.first, p.second));
    return points;
}

using kiv::test::throughBytes;

const Points kTriangle{{0, 0}, {1, 1}, {0, 2}};
const Points kSquareRing{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};

} // namespace

class TestLineData2D : public QObject
{
    Q_OBJECT

private slots:
    // The pen style the line tool and the notebook set, and the stored code.
    void penStyles_data()
    {
        QTest::addColumn<int>("penStyle");
        QTest::addColumn<int>("lineStyle");
        QTest::addColumn<int>("penBack");

        QTest::newRow("solid") << int(Qt::SolidLine) << int(LineData2D::Solid) << int(Qt::SolidLine);
        QTest::newRow("dotted") << int(Qt::DotLine) << int(LineData2D::Dotted) << int(Qt::DotLine);
        QTest::newRow("dashed") << int(Qt::DashLine) << int(LineData2D::Dashed) << int(Qt::DashLine);
        QTest::newRow("dash-dot is stored solid") << int(Qt::DashDotLine) << int(LineData2D::Solid) << int(Qt::SolidLine);
        QTest::newRow("no pen is stored solid") << int(Qt::NoPen) << int(LineData2D::Solid) << int(Qt::SolidLine);
    }

    void penStyles()
    {
        QFETCH(int, penStyle);
        QFETCH(int, lineStyle);
        QFETCH(int, penBack);
        QCOMPARE(LineData2D::lineStyleOf(penStyle), lineStyle);
        QCOMPARE(LineData2D::penStyleOf(lineStyle), penBack);
    }

    void unknownStoredStyleDrawsSolid_data()
    {
        QTest::addColumn<int>("lineStyle");
        QTest::newRow("below") << -1;
        QTest::newRow("above") << 3;
    }

    void unknownStoredStyleDrawsSolid()
    {
        QFETCH(int, lineStyle);
        QCOMPARE(LineData2D::penStyleOf(lineStyle), int(Qt::SolidLine));
    }

    void simplify_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<Points>("expected");

        QTest::newRow("apex at tolerance") << kTriangle << 1.0 << Points{{0, 0}, {0, 2}};
        QTest::newRow("apex above tolerance") << kTriangle << 0.999 << kTriangle;
        QTest::newRow("collinear")
            << Points{{0, 0}, {0.5, 1}, {1, 2}, {1.5, 3}, {2, 4}, {3, 6}} << 1e-9
            << Points{{0, 0}, {3, 6}};
        QTest::newRow("two points") << Points{{0, 0}, {5, 5}} << 100.0 << Points{{0, 0}, {5, 5}};
        QTest::newRow("one point") << Points{{1, 2}} << 0.0 << Points{{1, 2}};
        QTest::newRow("no points") << Points{} << 0.0 << Points{};
        QTest::newRow("closed ring kept") << kSquareRing << 0.1 << kSquareRing;
        QTest::newRow("closed ring drops edge point")
            << Points{{0, 0}, {0, 1}, {0, 2}, {2, 2}, {2, 0}, {0, 0}} << 0.1
            << Points{{0, 0}, {0, 2}, {2, 2}, {2, 0}, {0, 0}};
        QTest::newRow("closed ring within tolerance") << kSquareRing << 2.0
                                                      << Points{{0, 0}, {0, 0}};
        QTest::newRow("tie keeps first farthest")
            << Points{{0, 0}, {1, 1}, {2, 1}, {3, 0}} << 0.5 << Points{{0, 0}, {1, 1}, {3, 0}};
        QTest::newRow("both sides recurse")
            << Points{{0, 0}, {1, 1.01}, {2, 2}, {3, 6}, {4, 3}, {5, 1.5}, {6, 0}} << 0.1
            << Points{{0, 0}, {2, 2}, {3, 6}, {4, 3}, {6, 0}};
    }

    void simplify()
    {
        QFETCH(Points, points);
        QFETCH(double, tolerance);
        LineData2D line = lineOf(points);
        line.simplify(tolerance);
        QTEST(pointsOf(line), "expected");
    }

    void unitIdBytes()
    {
        LineData2D line("a", "b");
        line.setTimeStamp(0);
        QCOMPARE(line.unitId(), -1);
        const auto record = line.toProto();
        QVERIFY(record->IsInitialized());
        std::string bytes;
        QVERIFY(record->SerializeToString(&bytes));
        // unitId is field 6 (tag 0x30); -1 travels as the unsigned 4294967295.
        QCOMPARE(QByteArray::fromStdString(bytes).toHex(' '),
                 QByteArray("0a 01 61 12 01 62 30 ff ff ff ff 0f 38 00 45 00 00 80 3f "
                            "4d 00 00 80 3f 50 00 58 00 a2 01 00"));
        const auto back = throughBytes(line);
        QVERIFY(back);
        QCOMPARE(back->unitId(), -1);
        QCOMPARE(back->pointCount(), 0);
    }

    void lineStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("recordStyle");
        QTest::addColumn<int>("readBack");
        QTest::newRow("solid") << 0 << int(Record::SOLID) << 0;
        QTest::newRow("dotted") << 1 << int(Record::DOTTED) << 1;
        QTest::newRow("dashed") << 2 << int(Record::DASHED) << 2;
        QTest::newRow("unknown 3") << 3 << int(Record::SOLID) << 0;
        QTest::newRow("negative") << -1 << int(Record::SOLID) << 0;
    }

    void lineStyle()
    {
        QFETCH(int, style);
        LineData2D line("a", "b");
        line.setLineStyle(style);
        Record written;
        const auto back = throughBytes(line, &written);
        QVERIFY(back);
        QTEST(int(written.linestyle()), "recordStyle");
        QTEST(back->lineStyle(), "readBack");
    }

    void roundTripFields()
    {
        auto line = LineData2D::create("0123456789abcdef0123456789abcdef", "loc", 4,
                                       LineData2D::Dashed, true,
                                       QString::fromUtf8("Kontakt \u00fcberkippt"));
        line->setThickness(2.5f);
        line->setOpacity(0.25f);
        line->setTimeStamp(1500000000);
        line->addPoint(47.25, 11.5);
        line->addPoint(47.26, 11.52);
        const auto back = throughBytes(*line);
        QVERIFY(back);
        QCOMPARE(back->id(), line->id());
        QCOMPARE(back->localityId(), std::string("loc"));
        QCOMPARE(back->unitId(), 4);
        QCOMPARE(back->lineStyle(), int(LineData2D::Dashed));
        QVERIFY(back->isFilled());
        QCOMPARE(back->thickness(), 2.5f);
        QCOMPARE(back->opacity(), 0.25f);
        QCOMPARE(back->timeStamp(), qint64(1500000000));
        QCOMPARE(back->comment(), line->comment());
        QCOMPARE(back->pointCount(), 2);
    }

    void fewPoints_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<bool>("hasOrigin");
        QTest::newRow("none") << Points{} << false;
        QTest::newRow("one") << Points{{50.123456789012, 7.987654321098}} << true;
    }

    void fewPoints()
    {
        QFETCH(Points, points);
        Record written;
        const auto back = throughBytes(lineOf(points), &written);
        QVERIFY(back);
        QTEST(written.has_origin_latitude(), "hasOrigin");
        QTEST(written.has_origin_longitude(), "hasOrigin");
        QCOMPARE(written.points_size(), 0);
        QCOMPARE(back->pointCount(), points.size());
        for (int i = 0; i < points.size(); ++i) {
            QCOMPARE(back->latitudeAt(i), points[i].x());
            QCOMPARE(back->longitudeAt(i), points[i].y());
        }
    }

    void longLineRoundTrip()
    {
        // A wandering line of short steps, as the line tool records them.
        LineData2D line("a", "b");
        QRandomGenerator random(20240611);
        double latitude = 50.0123456789;
        double longitude = 8.6543210987;
        for (int i = 0; i < 2000; ++i) {
            line.addPoint(latitude, longitude);
            latitude += (random.generateDouble() - 0.5) * 0.01;
            longitude += (random.generateDouble() - 0.5) * 0.01;
        }
        Record written;
        const auto back = throughBytes(line, &written);
        QVERIFY(back);
        QCOMPARE(written.points_size(), 1999);
        QCOMPARE(back->pointCount(), 2000);
        double worst = 0.0;
        for (int i = 0; i < 2000; ++i) {
            worst = std::max(worst, std::abs(back->latitudeAt(i) - line.latitudeAt(i)));
            worst = std::max(worst, std::abs(back->longitudeAt(i) - line.longitudeAt(i)));
        }
        QVERIFY2(worst < 1e-9, qPrintable(QString::number(worst, 'g', 3)));
    }

    void recordWithoutOriginButPoints()
    {
        // Points imply an origin; its absent fields read as 0.
        Record record;
        record.set_dataid("a");
        record.set_localityid("b");
        auto* point = record.add_points();
        point->set_delta_latitude(0.5f);
        point->set_delta_longitude(-0.25f);
        const auto line = LineData2D::fromProto(record);
        QCOMPARE(pointsOf(*line), (Points{{0, 0}, {0.5, -0.25}}));
    }

    // Edits of the line {0,0} {1,1} {2,2} {3,3}; indices outside change nothing.
    void editPoints_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<Points>("expected");
        const Points all{{0, 0}, {1, 1}, {2, 2}, {3, 3}};
        QTest::newRow("insert front") << "insert" << 0 << 0 << Points{{9, 9}, {0, 0}, {1, 1}, {2, 2}, {3, 3}};
        QTest::newRow("insert middle") << "insert" << 2 << 2 << Points{{0, 0}, {1, 1}, {9, 9}, {2, 2}, {3, 3}};
        QTest::newRow("insert at end") << "insert" << 4 << 4 << Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {9, 9}};
        QTest::newRow("insert past end") << "insert" << 5 << -1 << all;
        QTest::newRow("insert negative") << "insert" << -1 << -1 << all;
        QTest::newRow("prepend") << "prepend" << 0 << 0 << Points{{9, 9}, {0, 0}, {1, 1}, {2, 2}, {3, 3}};
        QTest::newRow("set first") << "set" << 0 << 0 << Points{{9, 9}, {1, 1}, {2, 2}, {3, 3}};
        QTest::newRow("set last") << "set" << 3 << 0 << Points{{0, 0}, {1, 1}, {2, 2}, {9, 9}};
        QTest::newRow("set count") << "set" << 4 << 0 << all;
        QTest::newRow("set negative") << "set" << -1 << 0 << all;
        QTest::newRow("remove first") << "remove" << 0 << 0 << Points{{1, 1}, {2, 2}, {3, 3}};
        QTest::newRow("remove last") << "remove" << 3 << 0 << Points{{0, 0}, {1, 1}, {2, 2}};
        QTest::newRow("remove count") << "remove" << 4 << 0 << all;
        QTest::newRow("remove negative") << "remove" << -1 << 0 << all;
        QTest::newRow("range middle") << "range" << 1 << 3 << Points{{0, 0}, {3, 3}};
        QTest::newRow("range all") << "range" << 0 << 4 << Points{};
        QTest::newRow("range empty") << "range" << 2 << 2 << all;
        QTest::newRow("range reversed") << "range" << 3 << 1 << all;
        QTest::newRow("range past end") << "range" << 2 << 5 << all;
        QTest::newRow("range negative") << "range" << -1 << 2 << all;
    }

    void editPoints()
    {
        QFETCH(QString, edit);
        QFETCH(int, a);
        QFETCH(int, b);
        LineData2D line = lineOf({{0, 0}, {1, 1}, {2, 2}, {3, 3}});
        if (edit == "insert")
            QCOMPARE(line.insertPoint(a, 9, 9), b); // the index used, -1 when refused
        else if (edit == "prepend")
            line.prependPoint(9, 9);
        else if (edit == "set")
            line.setPoint(a, 9, 9);
        else if (edit == "remove")
            line.removePoint(a);
        else
            line.removePoints(a, b);
        QTEST(pointsOf(line), "expected");
    }

    void addPointFromOwnPoints()
    {
        // Growing the list must not invalidate the values being appended.
        LineData2D line = lineOf({{3.5, 4.5}});
        for (int i = 0; i < 100; ++i)
            line.addPoint(line.pointAt(0).first, line.pointAt(i).second);
        QCOMPARE(line.pointCount(), 101);
        QCOMPARE(line.latitudeAt(100), 3.5);
        QCOMPARE(line.longitudeAt(100), 4.5);
    }

    void readOutsideThrows_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("index");
        QTest::newRow("empty") << Points{} << 0;
        QTest::newRow("count") << Points{{1, 1}, {2, 2}} << 2;
        QTest::newRow("negative") << Points{{1, 1}} << -1;
    }

    void readOutsideThrows()
    {
        QFETCH(Points, points);
        QFETCH(int, index);
        const LineData2D line = lineOf(points);
        QVERIFY_EXCEPTION_THROWN(line.latitudeAt(index), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(line.longitudeAt(index), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(line.pointAt(index), std::out_of_range);
    }

    void centroid_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<QPointF>("expected");
        QTest::newRow("none") << Points{} << QPointF(0, 0);
        QTest::newRow("one") << Points{{50, 8}} << QPointF(50, 8);
        QTest::newRow("square") << Points{{0, 0}, {0, 2}, {2, 2}, {2, 0}} << QPointF(1, 1);
    }

    void centroid()
    {
        QFETCH(Points, points);
        const LineData2D::Point c = lineOf(points).centroid();
        QTEST(QPointF(c.first, c.second), "expected");
    }
};

QTEST_GUILESS_MAIN(TestLineData2D)
#include "tst_linedata2d.moc"
