#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/MapNode.h"
#include "geo/drivers/GDALOptions.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"

#include <gdal.h>
#include <ogr_srs_api.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kiv;

namespace {

QStringList s_log;
QtMessageHandler s_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    s_log.append(message);
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

// A GeoTIFF in longitude/latitude filled with one colour.
bool writeColouredTiff(const QString& path, double west, double south, double east,
                       double north, const QColor& colour)
{
    GDALAllRegister();
    const int size = 128;
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), size,
                                 size, 3, GDT_Byte, nullptr);
    if (!ds)
        return false;
    double gt[6] = {west, (east - west) / size, 0.0, north, 0.0, -(north - south) / size};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(srs, "EPSG:4326");
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    const int values[3] = {colour.red(), colour.green(), colour.blue()};
    std::vector<unsigned char> band(size * size);
    bool ok = true;
    for (int b = 0; b < 3; ++b) {
        std::fill(band.begin(), band.end(), static_cast<unsigned char>(values[b]));
        ok = ok
            && GDALRasterIO(GDALGetRasterBand(ds, b + 1), GF_Write, 0, 0, size, size, band.data(),
                            size, size, GDT_Byte, 0, 0)
                == CE_None;
    }
    GDALClose(ds);
    return ok;
}

bool near(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& c)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// Counts its builds; makes a fresh group each time.
class CountingItem : public GLRenderItem
{
public:
    void buildNode() override
    {
        ++builds;
        setNode(owner() ? new osg::Group : nullptr);
        setDirty(false);
    }
    int builds = 0;
};

} // namespace

class TestGLRenderGL : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManager> manager;
    std::unique_ptr<MainView> view;
    std::unique_ptr<GLRender> scene;
    QTemporaryDir dir;
    QString redPath;
    QString bluePath;
    QImage frame;

    osg::Vec3d worldOf(double lon, double lat) const
    {
        double x = 0.0, y = 0.0;
        scene->geographicSRS()->transform2D(lon, lat, scene->mapSRS(), x, y);
        return osg::Vec3d(x, y, 0.0);
    }

    QColor pixelAt(double lon, double lat) const
    {
        const QPointF p = scene->worldToScreen(worldOf(lon, lat));
        return frame.pixelColor(int(p.x()), int(p.y()));
    }

    // Renders until every wanted tile is drawn from its own texture.
    bool settle()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000) {
            frame = view->grabWindow();
            geo::MapNode* node = scene->mapNode();
            if (node && node->isComplete() && scene->tileLoader()->requestsInProgress() == 0)
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    osg::ref_ptr<geo::ImageLayer> addTiff(const QString& path, unsigned index)
    {
        geo::Drivers::GDALOptions options;
        options.setUrl(path);
        osg::ref_ptr<geo::ImageLayer> layer = new geo::ImageLayer(QStringLiteral("GeoTiff"), options);
        QMutexLocker lock(&scene->sceneMutex());
        scene->map()->insertImageLayer(layer.get(), index);
        return layer;
    }

    void removeLayers()
    {
        QMutexLocker lock(&scene->sceneMutex());
        for (const auto& layer : scene->map()->getImageLayers())
            if (layer != scene->gridLayer())
                scene->map()->removeImageLayer(layer.get());
    }

private slots:
    void initTestCase()
    {
        s_previousHandler = qInstallMessageHandler(recordMessage);
        QVERIFY(dir.isValid());
        redPath = dir.filePath(QStringLiteral("red.tif"));
        bluePath = dir.filePath(QStringLiteral("blue.tif"));
        QVERIFY(writeColouredTiff(redPath, 10.0, 40.0, 20.0, 50.0, Qt::red));
        QVERIFY(writeColouredTiff(bluePath, 12.0, 42.0, 18.0, 48.0, Qt::blue));

        manager = std::make_unique<ApplicationManager>(qobject_cast<QGuiApplication*>(qApp));
        view = std::make_unique<MainView>();
        const QString qml = dir.filePath(QStringLiteral("page.qml"));
        QFile page(qml);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n");
        page.close();
        view->setSource(QUrl::fromLocalFile(qml));
        view->resize(400, 300);
        scene = std::make_unique<GLRender>(view.get());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        // About 30 degrees of longitude across, centred on the red raster.
        scene->cameraManipulator().setPosition(worldOf(15.0, 45.0));
        scene->cameraManipulator().setAltitude(2.2e6);
    }

    void cleanupTestCase()
    {
        scene.reset();
        view.reset();
        manager.reset();
        qInstallMessageHandler(s_previousHandler);
    }

    void cleanup() { removeLayers(); }

    void rendererReported()
    {
        QVERIFY(settle());
        QTRY_VERIFY(!manager->glRenderer().isEmpty());
        QVERIFY(scene->isSetUp());
        QVERIFY(scene->maxTextureSize() > 0);
    }

    void whiteBackgroundAndGrid()
    {
        QVERIFY(settle());
        geo::MapNode* node = scene->mapNode();
        QVERIFY(node);
        const unsigned level = node->getLevel();
        QVERIFY(level > 0);
        const double half = geo::SpatialReference::MercatorHalfExtent;
        const double tile = 2.0 * half / double(1u << level);
        // The tile boundary nearest the middle of the window, and the middle
        // of the tile beside it.
        const osg::Vec3d centre = scene->screenToWorld(200.0, 150.0);
        const double boundary = std::round((centre.x() + half) / tile) * tile - half;
        const int lineX = int(std::lround(scene->worldToScreenXY(boundary, 0.0).x()));
        QVERIFY(lineX > 1 && lineX < 398);
        const int clearX = lineX + 15 < 398 ? lineX + 15 : lineX - 15;
        // A row near the top (above the rasters), clear of horizontal lines.
        const double top = scene->screenToWorld(0.0, 0.0).y();
        const double topLine = std::floor((top + half) / tile) * tile - half;
        const double lineY = scene->worldToScreenXY(0.0, topLine).y();
        const int row = std::abs(lineY - 5.0) > 3.0 ? 5 : 12;
        int darkest = 255;
        for (int x = lineX - 1; x <= lineX + 1; ++x)
            darkest = std::min(darkest, frame.pixelColor(x, row).red());
        // The grid's grey at alpha 50 over white.
        QVERIFY2(darkest < 245 && darkest > 200, qPrintable(QString::number(darkest)));
        const QColor clear = frame.pixelColor(clearX, row);
        QVERIFY2(near(clear, Qt::white, 0), qPrintable(describe(clear)));
    }

    void rasterLayer_data()
    {
        QTest::addColumn<double>("opacity");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("opaque") << 1.0 << true << QColor(255, 0, 0);
        QTest::newRow("half") << 0.5 << true << QColor(255, 128, 128);
        QTest::newRow("invisible") << 1.0 << false << QColor(255, 255, 255);
    }

    void rasterLayer()
    {
        QFETCH(double, opacity);
        QFETCH(bool, visible);
        QFETCH(QColor, expected);
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        red->setOpacity(float(opacity));
        red->setVisible(visible);
        QVERIFY(settle());
        // Inside the raster, off the grid lines, and just outside it.
        const QColor inside = pixelAt(14.3, 44.3);
        QVERIFY2(near(inside, expected), qPrintable(describe(inside)));
        const QColor outside = pixelAt(8.3, 44.3);
        QVERIFY2(near(outside, Qt::white), qPrintable(describe(outside)));
        const QColor inCorner = pixelAt(10.3, 49.7);
        QVERIFY2(near(inCorner, expected), qPrintable(describe(inCorner)));
    }

    void upperLayerWins_data()
    {
        QTest::addColumn<bool>("blueOnTop");
        QTest::newRow("blue above red") << true;
        QTest::newRow("red above blue") << false;
    }

    void upperLayerWins()
    {
        QFETCH(bool, blueOnTop);
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        osg::ref_ptr<geo::ImageLayer> blue = addTiff(bluePath, 3);
        if (!blueOnTop) {
            QMutexLocker lock(&scene->sceneMutex());
            scene->map()->moveImageLayer(blue.get(), 1);
        }
        QVERIFY(settle());
        const QColor middle = pixelAt(14.3, 44.3);
        QVERIFY2(near(middle, blueOnTop ? QColor(Qt::blue) : QColor(Qt::red)),
                 qPrintable(describe(middle)));
        // Only red where the blue raster does not reach.
        const QColor edge = pixelAt(10.7, 40.7);
        QVERIFY2(near(edge, Qt::red), qPrintable(describe(edge)));
    }

    void dirtyItemsRebuiltInTheFrame()
    {
        auto item = std::make_shared<CountingItem>();
        scene->addRenderItem(item);
        frame = view->grabWindow();
        QCOMPARE(item->builds, 1);
        osg::Group* group = scene->renderItemGroup();
        QCOMPARE(group->getNumChildren(), 1u);
        QCOMPARE(group->getChild(0), item->node());
        frame = view->grabWindow();
        QCOMPARE(item->builds, 1);
        item->setSelectedId("42");
        frame = view->grabWindow();
        QCOMPARE(item->builds, 2);
        QCOMPARE(group->getNumChildren(), 1u);
        QCOMPARE(group->getChild(0), item->node());
        scene->removeRenderItem(item);
        QCOMPARE(group->getNumChildren(), 0u);
        QCOMPARE(item->owner(), nullptr);
    }

    void noShaderErrors()
    {
        QVERIFY(settle());
        for (const QString& line : qAsConst(s_log)) {
            QVERIFY2(!line.contains(QLatin1String("FAILED"), Qt::CaseInsensitive), qPrintable(line));
            QVERIFY2(!line.contains(QLatin1String("error:"), Qt::CaseInsensitive), qPrintable(line));
        }
        QVERIFY(s_log.contains(QStringLiteral("GLRender::setupOSG")));
        QVERIFY(s_log.contains(QStringLiteral("GLRender::updateMapNode")));
    }

    // Last: the scene draws nothing afterwards.
    void clearedSceneDrawsNothing()
    {
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        QVERIFY(settle());
        QVERIFY(near(pixelAt(14.3, 44.3), Qt::red));
        scene->clearScene();
        frame = view->grabWindow();
        QVERIFY2(near(pixelAt(14.3, 44.3), Qt::white, 0), qPrintable(describe(pixelAt(14.3, 44.3))));
        QCOMPARE(frame.pixelColor(0, 0), QColor(Qt::white));
    }
};

int main(int argc, char* argv[])
{
    // The map draws on the GUI thread, as in the program.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    TestGLRenderGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_glrender_gl.moc"
