#include "map/AnnotationRenderItem.h"
#include "map/LineDataRenderItem.h"
#include "map/PointDataRenderItem.h"
#include "map/SymbolTextures.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/SceneFixture.h"

#include <QGuiApplication>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace kiv;

namespace {

const double Lon = 8.0;
const double Lat = 46.0;
const QColor White(Qt::white);

bool isWhite(const QColor& c)
{
    return c.red() > 250 && c.green() > 250 && c.blue() > 250;
}

} // namespace

// The items drawn by the map scene: symbols where they belong, lines in
// their colour, width and pattern.
class TestRenderItemsGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<test::ProjectFixture> fixture;
    std::shared_ptr<Locality> locality;
    int localities = 0;
    std::shared_ptr<GLRenderItem> item;

    QPointF screenOf(double lon, double lat) const { return scene->worldToScreen(worldOf(lon, lat)); }

    void draw(const std::shared_ptr<GLRenderItem>& shown)
    {
        item = shown;
        scene->addRenderItem(item);
        frame = view->grabWindow();
        QVERIFY(!item->isDirty());
    }

    // Every non-white pixel of the frame; false when none is.
    bool drawnPixels(QList<QPoint>& points) const
    {
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (!isWhite(frame.pixelColor(x, y)))
                    points.append(QPoint(x, y));
        return !points.isEmpty();
    }

    std::shared_ptr<LineData2D> line(const QList<QPointF>& lonLat, float thickness, int style, float opacity)
    {
        auto added = LineData2D::create("line", locality->id(), 5, style, false, QString());
        for (const QPointF& p : lonLat)
            added->addPoint(p.y(), p.x());
        added->setThickness(thickness);
        added->setOpacity(opacity);
        locality->addLine(added);
        return added;
    }

    // Distance of a pixel from the screen segment between two positions.
    double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) const
    {
        const QPointF ab = b - a;
        const double length2 = QPointF::dotProduct(ab, ab);
        const double t = length2 > 0.0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
        const QPointF d = p - (a + t * ab);
        return std::hypot(d.x(), d.y());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        fixture->project->addRockUnit(5, QStringLiteral("Blue"), QColor(0, 0, 255), 0);
        QVERIFY(showScene(dir.path(), 400, 300));
        {
            QMutexLocker lock(&scene->sceneMutex());
            scene->gridLayer()->setVisible(false);
        }
        scene->cameraManipulator().setPosition(worldOf(Lon, Lat));
        scene->cameraManipulator().setAltitude(5000.0);
        scene->updateCamera();
        frame = view->grabWindow();
        QVERIFY(scene->isSetUp());
    }

    void init()
    {
        locality = fixture->addLocality("loc" + std::to_string(++localities), 1000);
        // Off screen unless a row puts it in the middle.
        locality->setLongitude(Lon + 1.0);
        locality->setLatitude(Lat);
    }

    void cleanup()
    {
        scene->removeRenderItem(item);
        item.reset();
    }

    void cleanupTestCase()
    {
        scene.reset();
        view.reset();
        fixture.reset();
    }

    void symbolsSitInTheirSquare_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QPointF>("shift");
        QTest::newRow("plane") << "plane" << QPointF(0.0, 0.0);
        QTest::newRow("lineation") << "lineation" << QPointF(0.0, 0.0);
        QTest::newRow("photo") << "photo" << QPointF(0.0, 0.0);
        QTest::newRow("locality marker") << "locality" << QPointF(0.0, -23.0);
        QTest::newRow("note") << "note" << QPointF(15.0, 15.0);
    }

    void symbolsSitInTheirSquare()
    {
        QFETCH(QString, kind);
        QFETCH(QPointF, shift);
        if (kind == "plane" || kind == "lineation") {
            if (kind == "plane")
                locality->addPlane("plane", Lat, Lon, 45.0f, 90.0f, 5, -1, QString());
            else
                locality->addLineation("lineation", Lat, Lon, 30.0f, 90.0f, 5, -1, QString());
            draw(std::make_shared<PointDataRenderItem>(locality, false));
        } else {
            if (kind == "locality")
                locality->setLongitude(Lon);
            else if (kind == "note")
                locality->addAnnotation("note", Lat, Lon, QStringLiteral("n"));
            else
                locality->addImage("photo", Lat, Lon, 0.0f, "p.jpg", QString(), QString(), QString());
            draw(std::make_shared<AnnotationRenderItem>(locality));
        }
        // The frame that uploaded the atlas let go of its pixels.
        QVERIFY(!static_cast<IconRenderItem&>(*item).atlases().front()->image());
        const QPointF centre = screenOf(Lon, Lat) + shift;
        QList<QPoint> pixels;
        QVERIFY(drawnPixels(pixels));
        for (const QPoint& p : qAsConst(pixels))
            QVERIFY2(std::abs(p.x() + 0.5 - centre.x()) <= 23.5 && std::abs(p.y() + 0.5 - centre.y()) <= 23.5,
                     qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
    }

    void opaqueLineColourAndWidth()
    {
        const QPointF west = screenOf(Lon - 0.01, Lat);
        line({{Lon - 0.01, Lat}, {Lon + 0.01, Lat}}, 4.0f, LineData2D::Solid, 1.0f);
        draw(std::make_shared<LineDataRenderItem>(locality));
        const int y = int(std::floor(west.y()));
        const int x = int(screenOf(Lon, Lat).x());
        QVERIFY(colourIs(frame.pixelColor(x, y), QColor(0, 0, 255), 3));
        QVERIFY(colourIs(frame.pixelColor(x, y - 10), White, 0));
        QVERIFY(colourIs(frame.pixelColor(x, y + 10), White, 0));
    }

    void translucentLineHasOneColour()
    {
        // A bow: the first and third segments cross in the middle.
        const double d = 0.005;
        line({{Lon - d, Lat - d}, {Lon + d, Lat + d}, {Lon + d, Lat - d}, {Lon - d, Lat + d}}, 8.0f,
             LineData2D::Solid, 0.5f);
        auto red = locality->lines().front();
        fixture->project->addRockUnit(6, QStringLiteral("Red"), QColor(255, 0, 0), 0);
        red->setUnitId(6);
        draw(std::make_shared<LineDataRenderItem>(locality));
        const osg::Vec3d low = worldOf(Lon + d, Lat - d);
        const osg::Vec3d high = worldOf(Lon + d, Lat + d);
        const QPointF crossing = scene->worldToScreenXY(worldOf(Lon, Lat).x(), (low.y() + high.y()) / 2.0);
        const QPointF plain = scene->worldToScreenXY(low.x(), (low.y() + high.y()) / 2.0);
        const QPointF join = screenOf(Lon + d, Lat + d);
        const QColor expected = frame.pixelColor(plain.toPoint());
        QVERIFY(colourIs(expected, QColor(255, 128, 128), 3));
        QVERIFY(colourIs(frame.pixelColor(crossing.toPoint()), expected, 3));
        QVERIFY(colourIs(frame.pixelColor((join + QPointF(-1.0, 1.0)).toPoint()), expected, 3));
    }

    void dashesLeaveGaps_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("gaps");
        QTest::newRow("solid") << int(LineData2D::Solid) << false;
        QTest::newRow("dashed") << int(LineData2D::Dashed) << true;
    }

    void dashesLeaveGaps()
    {
        QFETCH(int, style);
        line({{Lon - 0.01, Lat}, {Lon + 0.01, Lat}}, 4.0f, style, 1.0f);
        draw(std::make_shared<LineDataRenderItem>(locality));
        const int y = int(std::floor(screenOf(Lon, Lat).y()));
        const int from = int(screenOf(Lon - 0.008, Lat).x());
        const int to = int(screenOf(Lon + 0.008, Lat).x());
        int white = 0;
        for (int x = from; x < to; ++x)
            white += isWhite(frame.pixelColor(x, y)) ? 1 : 0;
        QFETCH(bool, gaps);
        QCOMPARE(white > 0, gaps);
    }

    void repeatedPointLeavesNoStrayPixels()
    {
        line({{Lon - 0.01, Lat - 0.005}, {Lon - 0.01, Lat - 0.005}, {Lon + 0.01, Lat + 0.005}}, 4.0f,
             LineData2D::Solid, 1.0f);
        draw(std::make_shared<LineDataRenderItem>(locality));
        const QPointF a = screenOf(Lon - 0.01, Lat - 0.005);
        const QPointF b = screenOf(Lon + 0.01, Lat + 0.005);
        QList<QPoint> pixels;
        QVERIFY(drawnPixels(pixels));
        for (const QPoint& p : qAsConst(pixels))
            QVERIFY2(distanceToSegment(QPointF(p) + QPointF(0.5, 0.5), a, b) <= 4.0,
                     qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
    }
};

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    TestRenderItemsGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_renderitems_gl.moc"
