#pragma once

// What the map benchmarks share: a project of localities full of planes, an
// empty page in the main window for the scene to draw under, and a frame
// probe. Needs a QGuiApplication and an ApplicationManager.
#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <cmath>
#include <memory>
#include <string>

namespace bench {

// Probes for a connection never run: a benchmark stays on this machine.
class OfflineApplication : public kiv::ApplicationManager
{
public:
    using ApplicationManager::ApplicationManager;
    void startConnectionTest(bool) override {}
    void checkOnlineStatus(bool) override {}
};

// A fresh model manager with an empty current project in `folder`.
inline std::shared_ptr<kiv::Project> makeProject(const QString& folder)
{
    using namespace kiv;
    delete ModelManager::instance();
    ModelManager::instance() = new ModelManager;
    QDir().mkpath(QDir(folder).filePath(QStringLiteral("bench.qz")));
    std::shared_ptr<Project> project =
        ModelManager::instance()->createProject(QStringLiteral("Bench"), QDir(QDir(folder).filePath("bench.qz")));
    if (!project)
        return nullptr;
    project->addRockUnit(1, QStringLiteral("Limestone"), QColor(30, 120, 200), 0);
    ModelManager::instance()->setCurrentProject(project);
    return project;
}

inline void dropModels()
{
    delete kiv::ModelManager::instance();
    kiv::ModelManager::instance() = nullptr;
}

// `count` localities in rows of 40, `spacing` degrees apart from (8, 46),
// each with `planes` planes in a square of `spread` degrees around it.
inline void addLocalities(kiv::Project& project, int count, int planes, double spacing, double spread)
{
    const int side = std::max(1, int(std::ceil(std::sqrt(double(planes)))));
    for (int l = 0; l < count; ++l) {
        const std::string id = QStringLiteral("%1").arg(l, 32, 16, QLatin1Char('0')).toStdString();
        const std::shared_ptr<kiv::Locality> locality = project.createLocality(id);
        const double lat = 46.0 + spacing * (l / 40);
        const double lon = 8.0 + spacing * (l % 40);
        locality->setLatitude(lat);
        locality->setLongitude(lon);
        for (int i = 0; i < planes; ++i)
            locality->addPlane(id.substr(0, 24) + std::to_string(100000 + i),
                               lat + spread * (double(i / side) / side - 0.5),
                               lon + spread * (double(i % side) / side - 0.5), float(i % 90), float(i % 360), 1, -1,
                               QString());
    }
}

// An empty page, so Qt Quick renders and the scene draws under it.
inline void showEmptyPage(kiv::MainView& view, const QString& folder, int width, int height)
{
    const QString qml = QDir(folder).filePath(QStringLiteral("page.qml"));
    QFile page(qml);
    page.open(QIODevice::WriteOnly);
    page.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n");
    page.close();
    view.setSource(QUrl::fromLocalFile(qml));
    view.resize(width, height);
    view.show();
    // Frames are drawn only into an exposed window.
    for (int i = 0; i < 500 && !view.isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

inline void lookAt(kiv::GLRender& scene, double lon, double lat, double altitude)
{
    double x = 0.0, y = 0.0;
    scene.geographicSRS()->transform2D(lon, lat, scene.mapSRS(), x, y);
    scene.cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
    scene.cameraManipulator().setAltitude(altitude);
}

// Pixels of the benchmark symbols' blue, which neither the white ground nor
// the grey grid has.
inline int drawnPixels(const QImage& frame)
{
    int drawn = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            drawn += c.blue() - c.red() > 40 ? 1 : 0;
        }
    return drawn;
}

} // namespace bench
