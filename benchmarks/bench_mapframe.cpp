// Frame time of the map scene at 1280 x 800 with the screen full of GeoTIFF
// tiles. Needs a display (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1 for
// comparable numbers).
#include "geo/ImageLayer.h"
#include "geo/MapNode.h"
#include "geo/drivers/GDALOptions.h"
#include "app/MainView.h"
#include "map/GLRender.h"

#include <gdal.h>
#include <ogr_srs_api.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace kiv;

namespace {

bool writeRaster(const QString& path)
{
    GDALAllRegister();
    const int size = 2048;
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), size,
                                 size, 3, GDT_Byte, nullptr);
    if (!ds)
        return false;
    double gt[6] = {-60.0, 120.0 / size, 0.0, 50.0, 0.0, -100.0 / size};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(srs, "EPSG:4326");
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    std::vector<unsigned char> row(size);
    for (int b = 1; b <= 3; ++b)
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x)
                row[x] = static_cast<unsigned char>((x * b + y * (4 - b)) & 0xff);
            if (GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, y, size, 1, row.data(), size,
                             1, GDT_Byte, 0, 0)
                != CE_None) {
                GDALClose(ds);
                return false;
            }
        }
    GDALClose(ds);
    return true;
}

osg::Vec3d mercator(const GLRender& scene, double lon, double lat)
{
    double x = 0.0, y = 0.0;
    scene.geographicSRS()->transform2D(lon, lat, scene.mapSRS(), x, y);
    return osg::Vec3d(x, y, 0.0);
}

void report(const char* what, std::vector<double> ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    std::printf("%-38s frames %4zu  mean %7.3f ms  median %7.3f ms  p95 %7.3f ms\n", what,
                ms.size(), mean, ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)]);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString tiff = dir.filePath(QStringLiteral("bench.tif"));
    if (!writeRaster(tiff)) {
        std::fprintf(stderr, "could not write the raster\n");
        return 1;
    }
    const QString qml = dir.filePath(QStringLiteral("page.qml"));
    QFile page(qml);
    page.open(QIODevice::WriteOnly);
    page.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n");
    page.close();

    MainView view;
    view.setSource(QUrl::fromLocalFile(qml));
    view.resize(1280, 800);

    // Times only the map's part of each frame: the first slot runs before the
    // scene's render, the second after it.
    QElapsedTimer frameClock;
    std::vector<double> frameTimes;
    bool recording = false;
    QObject::connect(&view, &QQuickWindow::beforeRendering, &view,
                     [&] { frameClock.start(); }, Qt::DirectConnection);
    GLRender scene(&view);
    QObject::connect(&view, &QQuickWindow::beforeRendering, &view, [&] {
        if (recording)
            frameTimes.push_back(frameClock.nsecsElapsed() / 1e6);
    }, Qt::DirectConnection);

    geo::Drivers::GDALOptions options;
    options.setUrl(tiff);
    osg::ref_ptr<geo::ImageLayer> layer = new geo::ImageLayer(QStringLiteral("GeoTiff"), options);
    {
        QMutexLocker lock(&scene.sceneMutex());
        scene.map()->insertImageLayer(layer.get(), 2);
    }
    scene.cameraManipulator().setPosition(mercator(scene, 0.0, 0.0));
    scene.cameraManipulator().setAltitude(3.0e6);
    view.show();

    // With the basic render loop a grab renders one whole frame and reads it
    // back, so the GL work is finished when it returns.
    std::vector<double> wholeFrames;
    auto renderOnce = [&] {
        QCoreApplication::processEvents();
        QElapsedTimer whole;
        whole.start();
        view.grabWindow();
        if (recording)
            wholeFrames.push_back(whole.nsecsElapsed() / 1e6);
    };
    auto settled = [&] {
        geo::MapNode* node = scene.mapNode();
        return node && node->isComplete() && scene.tileLoader()->requestsInProgress() == 0;
    };

    QElapsedTimer clock;
    clock.start();
    do
        renderOnce();
    while (!settled() && clock.elapsed() < 60000);
    const double fill = clock.nsecsElapsed() / 1e6;
    geo::MapNode* node = scene.mapNode();
    std::printf("tiles on screen: %zu at level %u\n", node ? node->getDrawnTiles().size() : 0,
                node ? node->getLevel() : 0);
    std::printf("%-38s %9.1f ms\n", "cold fill (load + draw)", fill);

    recording = true;
    for (int i = 0; i < 200; ++i)
        renderOnce();
    recording = false;
    report("steady frame (map part, CPU)", frameTimes);
    report("steady frame (whole, with readback)", wholeFrames);

    frameTimes.clear();
    wholeFrames.clear();
    recording = true;
    for (int i = 0; i < 200; ++i) {
        // A few pixels a frame, so tiles come and go at the edges.
        scene.cameraManipulator().setPosition(mercator(scene, -20.0 + i * 0.2, 0.0));
        renderOnce();
    }
    recording = false;
    report("panning frame (map part, CPU)", frameTimes);
    report("panning frame (whole, with readback)", wholeFrames);
    return 0;
}
