#include <QtTest>

#include "drawing/StereoNetPlot.h"
#include "model/Data.h"
#include "support/RecordingPainter.h"
#include "support/SampleData.h"
#include "support/TestPaths.h"

#include <QTemporaryFile>
#include <QTextStream>
#include <QVector3D>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace kiv;
using kiv::test::RecordingPainter;

using Planes = QList<QPointF>; // (dip, azimuth)
using Readings = QList<QVector3D>; // (kind, dip or plunge, azimuth or trend)

namespace {

struct Arc
{
    float cx, cy, radius;
};

// Keeps the numbers that the log rounds.
class CapturingPainter : public RecordingPainter
{
public:
    using RecordingPainter::RecordingPainter;

    void drawPolyline(const PainterPoints& points) override
    {
        polylines.push_back(points);
        RecordingPainter::drawPolyline(points);
    }
    void drawLine(float x1, float y1, float x2, float y2) override
    {
        lines.push_back({{x1, y1}, {x2, y2}});
        RecordingPainter::drawLine(x1, y1, x2, y2);
    }
    void drawArc(float cx, float cy, float radius, float from, float to, bool clockwise) override
    {
        arcs.push_back({cx, cy, radius});
        RecordingPainter::drawArc(cx, cy, radius, from, to, clockwise);
    }

    std::vector<PainterPoints> polylines;
    std::vector<std::pair<PainterPoint, PainterPoint>> lines;
    std::vector<Arc> arcs;
};

double distance(const PainterPoint& a, const QPointF& b)
{
    return std::hypot(double(a.x) - b.x(), double(a.y) - b.y());
}

bool sameAzimuth(double a, double b)
{
    const double diff = std::fmod(std::fabs(a - b), 360.0);
    return std::min(diff, 360.0 - diff) < 1e-3;
}

StereoNetPlot plotOn98(bool equalArea, float markerSize = 1.0f)
{
    StereoNetPlot plot(nullptr, markerSize);
    plot.setEqualArea(equalArea);
    plot.setRadius(98.0f);
    return plot;
}

std::vector<std::shared_ptr<Data>> makeData(const Readings& readings)
{
    std::vector<std::shared_ptr<Data>> data;
    for (const QVector3D& d : readings) {
        switch (int(d.x())) {
        case Data::Plane:
            data.push_back(Data::createPlane("p", "l", 0, 0, d.y(), d.z(), 0, 0, {}));
            break;
        case Data::Lineation:
            data.push_back(Data::createLineation("p", "l", 0, 0, d.y(), d.z(), 0, 0, {}));
            break;
        case Data::Sighting:
            data.push_back(Data::createSighting("p", "l", 0, 0, d.z(), 0, 0, {}));
            break;
        case Data::Annotation:
            data.push_back(Data::createAnnotation("p", "l", 0, 0, QStringLiteral("n")));
            break;
        default:
            data.push_back(Data::createImage("p", "l", 0, 0, d.z(), "a.jpeg", {}, {}, {}));
        }
    }
    return data;
}

QList<Data*> pointers(const std::vector<std::shared_ptr<Data>>& data)
{
    QList<Data*> list;
    for (const auto& datum : data)
        list << datum.get();
    return list;
}

// The plot's mean (dip, azimuth) of these planes; (-1, -1) when it has none.
QPointF meanOf(const Planes& planes)
{
    Readings readings;
    for (const QPointF& plane : planes)
        readings << QVector3D(Data::Plane, plane.x(), plane.y());
    const auto data = makeData(readings);
    StereoNetPlot plot(nullptr, 1.0f);
    plot.setData(pointers(data));
    return plot.hasMean() ? QPointF(plot.meanDip(), plot.meanAzimuth()) : QPointF(-1, -1);
}

QString numbers(std::initializer_list<double> values)
{
    QStringList parts;
    for (double value : values)
        parts << QString::number(value, 'g', 10);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestStereoNetPlot : public QObject
{
    Q_OBJECT

private slots:
    void radiusAndCentre_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QPointF>("centre");
        QTest::newRow("square") << QSizeF(200, 200) << QPointF(100, 100);
        QTest::newRow("wide") << QSizeF(300, 200) << QPointF(150, 100);
    }

    void radiusAndCentre()
    {
        QFETCH(QSizeF, size);
        QFETCH(QPointF, centre);
        CapturingPainter painter(size.width(), size.height());
        StereoNetPlot plot(nullptr, 1.0f);
        plot.draw(painter);
        QCOMPARE(plot.radius(), 98.0f);
        const Arc primitive = painter.arcs.back();
        QCOMPARE(QPointF(primitive.cx, primitive.cy), centre);
        QCOMPARE(primitive.radius, 98.0f);
    }

    // Pole and great circle of 30/045 on 200 x 200.
    void plane_data()
    {
        QTest::addColumn<bool>("equalArea");
        QTest::addColumn<QPointF>("pole");
        QTest::addColumn<QList<QPointF>>("pitches"); // 0, 45, 90, 135, 180
        QTest::newRow("equal-area") << true << QPointF(74.6357, 125.3643)
                                    << QList<QPointF>{{30.7035, 30.7035}, {94.3574, 21.4084},
                                                      {149, 51}, {178.5916, 105.6426},
                                                      {169.2965, 169.2965}};
        QTest::newRow("equal-angle") << false << QPointF(81.4321, 118.5679)
                                     << QList<QPointF>{{30.7035, 30.7035}, {95.1500, 32.4480},
                                                       {140.0083, 59.9917}, {167.5520, 104.8500},
                                                       {169.2965, 169.2965}};
    }

    void plane()
    {
        QFETCH(bool, equalArea);
        QFETCH(QPointF, pole);
        QFETCH(QList<QPointF>, pitches);
        CapturingPainter painter(200, 200);
        const StereoNetPlot plot = plotOn98(equalArea);
        QVERIFY(distance(plot.polePosition(painter, 30, 45), pole) < 1e-3);
        plot.drawGreatCircle(painter, 30, 45);
        QCOMPARE(painter.polylines.size(), std::size_t(1));
        const PainterPoints& circle = painter.polylines.front();
        QCOMPARE(circle.size(), std::size_t(37));
        for (int i = 0; i < pitches.size(); ++i)
            QVERIFY2(distance(circle[9 * i], pitches[i]) < 1e-3, qPrintable(QString::number(i)));
    }

    void linePoint_data()
    {
        QTest::addColumn<bool>("equalArea");
        QTest::addColumn<QPointF>("cross");
        QTest::addColumn<QPointF>("circle");
        QTest::newRow("equal-area") << true << QPointF(149, 51) << QPointF(149, 51);
        QTest::newRow("equal-angle") << false << QPointF(140.0083, 59.9917) << QPointF(140, 59);
    }

    void linePoint()
    {
        QFETCH(bool, equalArea);
        QFETCH(QPointF, cross);
        QFETCH(QPointF, circle);
        CapturingPainter painter(200, 200);
        plotOn98(equalArea, 1.5f).drawLinePoint(painter, 30, 45);
        QCOMPARE(painter.lines.size(), std::size_t(2));
        // Horizontal, then vertical, half-length 3.
        QVERIFY(distance(painter.lines[0].first, cross - QPointF(3, 0)) < 1e-3);
        QVERIFY(distance(painter.lines[1].second, cross + QPointF(0, 3)) < 1e-3);
        QCOMPARE(painter.arcs.size(), std::size_t(1));
        const Arc arc = painter.arcs.front();
        // Truncated: exactly 149 may come out as 148.99...
        QVERIFY(std::fabs(arc.cx - circle.x()) <= 1.0f && std::fabs(arc.cy - circle.y()) <= 1.0f);
        QCOMPARE(arc.cx, std::trunc(arc.cx));
        QCOMPARE(arc.radius, 6.0f);
    }

    void pick_data()
    {
        QTest::addColumn<bool>("equalArea");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("dip");
        QTest::addColumn<double>("azimuth");
        QTest::newRow("east, equal-area") << true << QPointF(150, 100) << true << 42.2948 << 270.0;
        QTest::newRow("east, equal-angle") << false << QPointF(150, 100) << true << 54.0617 << 270.0;
        QTest::newRow("north-east") << true << QPointF(130, 60) << true << -1.0 << 216.8699;
        QTest::newRow("south") << true << QPointF(100, 150) << true << -1.0 << 360.0;
        QTest::newRow("north") << true << QPointF(100, 50) << true << -1.0 << 180.0;
        QTest::newRow("on the primitive") << true << QPointF(198, 100) << true << 90.0 << 270.0;
        QTest::newRow("just outside") << true << QPointF(198.1, 100) << false << 0.0 << 0.0;
        QTest::newRow("centre") << true << QPointF(100, 100) << true << 0.0 << 0.0;
    }

    void pick()
    {
        QFETCH(bool, equalArea);
        QFETCH(QPointF, point);
        QFETCH(bool, accepted);
        QFETCH(double, dip);
        QFETCH(double, azimuth);
        CapturingPainter painter(200, 200);
        const StereoNetPlot plot = plotOn98(equalArea);
        double pickedDip = -5.0;
        double pickedAzimuth = -5.0;
        const PainterPoint at{float(point.x()), float(point.y())};
        QCOMPARE(plot.pickOrientation(painter, at, pickedDip, pickedAzimuth), accepted);
        if (dip >= 0.0)
            QVERIFY2(std::fabs(pickedDip - dip) < 1e-4, qPrintable(QString::number(pickedDip, 'g', 12)));
        QVERIFY2(std::fabs(pickedAzimuth - azimuth) < 1e-4, qPrintable(QString::number(pickedAzimuth)));
        if (accepted)
            QVERIFY(distance(plot.polePosition(painter, pickedDip, pickedAzimuth), point) < 1e-3);
    }

    void pickRefusals()
    {
        CapturingPainter painter(200, 200);
        double dip = 1.0;
        double azimuth = 1.0;
        // Never drawn: no radius yet.
        QVERIFY(!StereoNetPlot(nullptr, 1.0f).pickOrientation(painter, {100, 100}, dip, azimuth));
        QCOMPARE(dip, 0.0);
        QCOMPARE(azimuth, 0.0);
        StereoNetPlot plot(nullptr, 1.0f);
        plot.setRadius(98.6f);
        // Inside the drawn primitive, outside the truncated radius.
        QVERIFY(!plot.pickOrientation(painter, {198.3f, 100}, dip, azimuth));
        QVERIFY(plot.pickOrientation(painter, {198, 100}, dip, azimuth));
        QVERIFY(std::fabs(dip - 90.0) < 1e-9);
    }

    void mean_data()
    {
        QTest::addColumn<Planes>("planes");
        QTest::addColumn<double>("dip");
        QTest::addColumn<double>("azimuth");
        QTest::newRow("either side of north") << Planes{{40, 350}, {40, 10}} << 39.5687 << 360.0;
        QTest::newRow("three") << Planes{{30, 45}, {50, 90}, {40, 120}} << 36.3903 << 88.9009;
        QTest::newRow("steep west") << Planes{{80, 270}, {70, 260}, {75, 280}} << 74.8552 << 270.0912;
        QTest::newRow("one, north") << Planes{{60, 0}} << 60.0 << 360.0;
        QTest::newRow("one, south") << Planes{{60, 180}} << 60.0 << 180.0;
        QTest::newRow("horizontal") << Planes{{0, 10}, {0, 200}} << 0.0 << 270.0;
        QTest::newRow("nearly flat, north") << Planes{{0.01f, 0}} << 0.01 << 360.0;
        QTest::newRow("nearly vertical pair") << Planes{{89, 0}, {89, 180}} << 90.0 << 360.0;
        QTest::newRow("vertical pair") << Planes{{90, 0}, {90, 180}} << 90.0 << 360.0;
    }

    void mean()
    {
        QFETCH(Planes, planes);
        QFETCH(double, dip);
        QFETCH(double, azimuth);
        const QPointF mean = meanOf(planes);
        QVERIFY2(std::fabs(mean.x() - dip) < 1e-3, qPrintable(QString::number(mean.x())));
        QVERIFY2(sameAzimuth(mean.y(), azimuth), qPrintable(QString::number(mean.y())));
    }

    // Whatever order the planes were saved in, the mean is the same.
    void meanIgnoresOrder_data()
    {
        QTest::addColumn<Planes>("planes");
        QTest::addColumn<double>("dip");
        QTest::addColumn<double>("azimuth");
        QTest::newRow("steep pair dipping apart, and a third")
            << Planes{{35, 120}, {50, 290}, {60, 170}} << 24.1740 << 184.7373;
        QTest::newRow("two steep planes dipping opposite ways")
            << Planes{{80, 90}, {80, 270}, {70, 100}} << 83.2729 << 93.2260;
        QTest::newRow("four, two of them vertical-ish")
            << Planes{{85, 10}, {85, 190}, {80, 200}, {20, 300}} << 76.0456 << 7.2040;
        QTest::newRow("three close together") << Planes{{30, 45}, {50, 90}, {40, 120}} << 36.3903 << 88.9009;
        QTest::newRow("either side of north") << Planes{{40, 350}, {40, 10}} << 39.5687 << 360.0;
        QTest::newRow("vertical pair") << Planes{{90, 0}, {90, 180}} << 90.0 << 360.0;
    }

    void meanIgnoresOrder()
    {
        QFETCH(Planes, planes);
        QFETCH(double, dip);
        QFETCH(double, azimuth);
        std::vector<int> order(std::size_t(planes.size()));
        std::iota(order.begin(), order.end(), 0);
        QPointF first(-1, -1);
        int permutations = 0;
        do {
            Planes permuted;
            for (int i : order)
                permuted << planes[i];
            const QPointF mean = meanOf(permuted);
            if (permutations++ == 0)
                first = mean;
            QCOMPARE(mean, first);
        } while (std::next_permutation(order.begin(), order.end()));
        QVERIFY(permutations > 1);
        QVERIFY2(std::fabs(first.x() - dip) < 1e-3, qPrintable(QString::number(first.x())));
        QVERIFY2(sameAzimuth(first.y(), azimuth), qPrintable(QString::number(first.y())));
    }

    // What draw adds after the net's primitive.
    void overNet_data()
    {
        QTest::addColumn<Readings>("data");
        QTest::addColumn<bool>("meanValues");
        QTest::addColumn<bool>("tempPlane");
        QTest::addColumn<QString>("calls");
        const QString pole = QStringLiteral("drawLine 98 100 102 100; drawLine 100 98 100 102");
        const QString primitive = QStringLiteral("drawArc 100 100 98 0 360 cw");
        QTest::newRow("no data") << Readings{} << true << false << "";
        QTest::newRow("kinds 2, 4 and 5")
            << Readings{{Data::Image, 0, 10}, {Data::Annotation, 0, 0}, {Data::Sighting, 0, 10}}
            << true << false << "";
        QTest::newRow("flat plane: mean pole, no mean circle")
            << Readings{{Data::Plane, 0, 45}} << true << false
            << "setColor #000000; " + pole + "; " + primitive + "; setColor #000000; setLineWidth 2; "
                   + pole;
        QTest::newRow("mean off") << Readings{{Data::Plane, 0, 45}} << false << false
                                  << "setColor #000000; " + pole + "; " + primitive;
        QTest::newRow("vertical lineation, no mean")
            << Readings{{Data::Lineation, 90, 0}} << true << false
            << "setColor #000000; " + pole + "; drawArc 100 100 4 0 360 cw";
        QTest::newRow("flat temporary plane")
            << Readings{} << true << true
            << "setColor #FF0000; setLineWidth 2; " + pole + "; " + primitive;
    }

    void overNet()
    {
        QFETCH(Readings, data);
        QFETCH(bool, meanValues);
        QFETCH(bool, tempPlane);
        QFETCH(QString, calls);
        const auto held = makeData(data);
        StereoNetPlot plot(nullptr, 1.0f);
        plot.setData(pointers(held));
        plot.setDrawMeanValues(meanValues);
        plot.setDrawTempPlane(tempPlane);
        RecordingPainter painter(200, 200);
        plot.draw(painter);
        const QStringList all = painter.calls();
        const QString primitive = QStringLiteral("drawArc 100 100 98 0 360 cw");
        const int end = all.indexOf(primitive, all.indexOf(primitive) + 1);
        QVERIFY(end > 0);
        QCOMPARE(all.mid(end + 1).join(QStringLiteral("; ")), calls);
    }

    void equalAreaNet()
    {
        CapturingPainter painter(200, 200);
        StereoNetPlot plot(nullptr, 1.0f);
        plot.draw(painter);
        const QStringList calls = painter.calls();
        QCOMPARE(calls.mid(0, 6).join("; "), QStringLiteral("setColor #ffffff; setFillMode 0; "
                                                             "drawArc 100 100 98 0 360 cw; setFillMode 2; "
                                                             "setLineWidth 0.5; setColor #cccccc"));
        QVector<int> sizes;
        for (const PainterPoints& line : painter.polylines)
            sizes << int(line.size());
        QCOMPARE(sizes, QVector<int>(16, 37) + QVector<int>(20, 20));
        QCOMPARE(painter.lines.size(), std::size_t(2 + 36));
        QCOMPARE(calls.filter("drawLine").mid(0, 2).join("; "),
                 QStringLiteral("drawLine 198 100 2 100; drawLine 100 198 100 2"));
        // The two passes over the 2-degree circles are the same.
        const QStringList polylines = calls.filter("drawPolyline");
        QCOMPARE(polylines.mid(32, 2), polylines.mid(34, 2));
        QCOMPARE(calls.mid(calls.size() - 39, 3).join("; "),
                 QStringLiteral("setColor #000000; setLineWidth 1; drawLine 196.51 117.02 199.47 117.54"));
        QCOMPARE(calls.mid(calls.size() - 2).join("; "),
                 QStringLiteral("drawLine 198 100 201 100; drawArc 100 100 98 0 360 cw"));
    }

    // Arcs of the equal-angle net lie on the stereographic circles.
    void equalAngleNet_data()
    {
        QTest::addColumn<int>("polyline");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<double>("radius");
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("end");
        QTest::newRow("west arc, dip 30")
            << 4 << QPointF(157.75, 100) << 113.75 << QPointF(100, 198) << QPointF(100, 2);
        const double alpha = qDegreesToRadians(30.0);
        QTest::newRow("south small circle, 30")
            << 20 << QPointF(100, 100 + 98 / std::cos(alpha)) << 98 * std::tan(alpha)
            << QPointF(100 - 98 * std::sin(alpha), 100 + 98 * std::cos(alpha))
            << QPointF(100 + 98 * std::sin(alpha), 100 + 98 * std::cos(alpha));
    }

    void equalAngleNet()
    {
        QFETCH(int, polyline);
        QFETCH(QPointF, centre);
        QFETCH(double, radius);
        QFETCH(QPointF, start);
        QFETCH(QPointF, end);
        CapturingPainter painter(200, 200);
        StereoNetPlot plot(nullptr, 1.0f);
        plot.setEqualArea(false);
        plot.draw(painter);
        const PainterPoints& arc = painter.polylines.at(std::size_t(polyline));
        QVERIFY(arc.size() >= 51);
        for (const PainterPoint& point : arc)
            QVERIFY2(std::fabs(distance(point, centre) - radius) < 1e-3,
                     qPrintable(QStringLiteral("%1 %2").arg(point.x).arg(point.y)));
        QVERIFY(distance(arc.front(), start) < 1e-3);
        QVERIFY(distance(arc.back(), end) < 1e-3);
    }

    // Positions, picks and means against the formulas from direction cosines.
    void independentCheck()
    {
        QList<double> dips;
        for (int dip = 0; dip <= 90; dip += 5)
            dips << dip;
        dips << 0.01 << 1.5 << 88.5 << 89.9;
        QTemporaryFile file;
        QVERIFY(file.open());
        QTextStream out(&file);
        out << "net 98 100 100\n";
        for (const bool equalArea : {true, false}) {
            const QString p = equalArea ? QStringLiteral("ea") : QStringLiteral("eq");
            const StereoNetPlot plot = plotOn98(equalArea);
            for (int i = 0; i < dips.size(); ++i) {
                const double dip = dips[i];
                for (int azimuth = 0; azimuth < 360; azimuth += 10) {
                    CapturingPainter painter(200, 200);
                    const PainterPoint pole = plot.polePosition(painter, dip, azimuth);
                    out << "pole " << p << ' ' << numbers({dip, double(azimuth), pole.x, pole.y}) << '\n';
                    plot.drawLinePoint(painter, dip, azimuth);
                    const auto& [left, right] = painter.lines.front();
                    out << "line " << p << ' '
                        << numbers({dip, double(azimuth), (left.x + right.x) / 2.0, left.y}) << '\n';
                    if (dip > 0.0 && dip < 90.0) {
                        plot.drawGreatCircle(painter, dip, azimuth);
                        out << "circle " << p << ' ' << numbers({dip, double(azimuth)});
                        for (const PainterPoint& point : painter.polylines.front())
                            out << ' ' << numbers({point.x, point.y});
                        out << '\n';
                    }
                    double pickedDip = 0.0;
                    double pickedAzimuth = 0.0;
                    const bool ok = plot.pickOrientation(painter, pole, pickedDip, pickedAzimuth);
                    out << "pick " << p << ' ' << numbers({pole.x, pole.y, double(ok), pickedDip, pickedAzimuth})
                        << '\n';
                    if (equalArea) {
                        const Planes planes{{dip, double(azimuth)},
                                            {dips[(i + 3) % dips.size()], azimuth + 40.0},
                                            {dips[(i + 7) % dips.size()], azimuth + 100.0}};
                        out << "mean";
                        for (const QPointF& plane : planes)
                            out << ' ' << numbers({float(plane.x()), float(plane.y())});
                        const QPointF mean = meanOf(planes);
                        out << " -> " << numbers({mean.x(), mean.y()}) << '\n';
                    }
                }
            }
            // Picks across the painter, outside the net too.
            for (int x = 0; x <= 200; x += 7) {
                for (int y = 1; y <= 200; y += 9) {
                    double dip = 0.0;
                    double azimuth = 0.0;
                    CapturingPainter painter(200, 200);
                    const bool ok = plot.pickOrientation(painter, {float(x), float(y)}, dip, azimuth);
                    out << "pick " << p << ' ' << numbers({double(x), double(y), double(ok), dip, azimuth})
                        << '\n';
                }
            }
        }
        out.flush();
        const test::ToolRun run = test::runTool(
            test::python3(), {test::sourcePath("tests/drawing/stereonet_check.py"), file.fileName()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.text()));
    }
};

QTEST_MAIN(TestStereoNetPlot)
#include "tst_stereonetplot.moc"
