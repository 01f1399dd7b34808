#include "support/MapPageStart.h"

#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/CameraAtRest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>

#include <QQuickItem>
#include <QTest>

#include <utility>

namespace kiv::test {

namespace {
// Before the application manager reads any setting.
const QString& firstStart(const QString& documents)
{
    setApplicationIdentity();
    QSettings().clear();
    return documents;
}
} // namespace

MapPageStart::MapPageStart(const QString& documents)
    : m_application(new DocumentsApplication(firstStart(documents)))
{
}

std::shared_ptr<Project> MapPageStart::createProject(const QString& name, const QString& folder) const
{
    const QDir documents(m_application->documentPath());
    documents.mkdir(folder);
    return ModelManager::instance()->createProject(name, QDir(documents.filePath(folder)));
}

std::shared_ptr<Project> MapPageStart::storeProject(const QString& name, const QString& folder,
                                                    const std::vector<RockUnit>& units) const
{
    std::shared_ptr<Project> project = createProject(name, folder);
    if (!project)
        return {};
    for (const RockUnit& unit : units)
        project->addRockUnit(unit.id, unit.name, unit.colour, unit.type);
    return project->save() ? project : nullptr;
}

std::shared_ptr<Locality> MapPageStart::storeLocality(Project& project, int id, double lon, double lat)
{
    auto locality = project.createLocality(idOf(id));
    locality->setLongitude(lon);
    locality->setLatitude(lat);
    return project.syncLocalityDetails(locality.get()) ? locality : nullptr;
}

void MapPageStart::openOnStart(std::shared_ptr<Project> project, std::shared_ptr<Locality> locality)
{
    ModelManager* models = ModelManager::instance();
    models->setCurrentProject(project);
    models->setCurrentLocality(locality);
    locality.reset();
    project.reset();
    resetModelManager();
}

QQuickWindow* MapPageStart::window() const
{
    return m_application->mainView();
}

bool MapPageStart::start(int width, int height)
{
    m_application->init();
    MainView* view = m_application->mainView();
    if (!view)
        return false;
    view->resize(width, height);
    view->show();
    if (!QTest::qWaitForWindowExposed(view))
        return false;
    // The splash screen comes first.
    const bool shown = QTest::qWaitFor(
        [&] {
            QQuickItem* root = view->rootObject();
            m_mapView = root ? root->findChild<MapViewController*>() : nullptr;
            // Fully faded in: the page has had its viewDidAppear.
            return m_mapView && m_mapView->scene() && m_mapView->opacity() == 1.0;
        },
        30000);
    QTest::qWait(50);
    return shown && cameraAtRest();
}

bool MapPageStart::lookAt(double lon, double lat, double altitude)
{
    MapCameraManipulator& camera = m_mapView->scene()->cameraManipulator();
    // A re-centre still under way would carry the camera off again: wait it
    // out, and put the camera back when one came after all.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!cameraAtRest())
            return false;
        // Altitude first: at the maximum altitude the position is held at the world's centre.
        camera.setAltitude(altitude);
        camera.setPosition(worldOf(lon, lat));
        const osg::Vec3d placed = camera.position();
        const double placedAltitude = camera.altitude();
        m_mapView->scene()->updateCamera();
        if (cameraAtRest() && camera.position() == placed && camera.altitude() == placedAltitude)
            return true;
    }
    return false;
}

bool MapPageStart::cameraAtRest() const
{
    // The free area changes while a panel slides, and each change re-centres
    // the camera: it stands still once the area has for a while.
    QRectF area = m_mapView->visibleArea();
    const auto areaStill = [&] {
        const QRectF before = std::exchange(area, m_mapView->visibleArea());
        return before == area;
    };
    GLRender* scene = m_mapView->scene();
    const QDeadlineTimer deadline(30000);
    do {
        if (!test::cameraAtRest(scene->cameraManipulator()))
            return false;
        if (areaStill()) {
            scene->updateCamera();
            return true;
        }
    } while (!deadline.hasExpired());
    return false;
}

bool MapPageStart::tapOnMap(double lon, double lat) const
{
    if (!cameraAtRest())
        return false;
    const QPointF at = screenOf(lon, lat);
    if (!m_mapView->visibleArea().contains(at))
        return false;
    QTest::mouseClick(window(), Qt::LeftButton, {}, at.toPoint());
    return true;
}

osg::Vec3d MapPageStart::worldOf(double lon, double lat) const
{
    GLRender* scene = m_mapView->scene();
    double x = 0.0, y = 0.0;
    scene->geographicSRS()->transform2D(lon, lat, scene->mapSRS(), x, y);
    return osg::Vec3d(x, y, 0.0);
}

QPointF MapPageStart::screenOf(double lon, double lat) const
{
    return m_mapView->scene()->worldToScreen(worldOf(lon, lat));
}

QImage MapPageStart::grab() const
{
    return m_application->mainView()->grabWindow();
}

} // namespace kiv::test
