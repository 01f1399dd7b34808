#include "support/MapPageStart.h"

#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"

#include <QDir>
#include <QSettings>

#include <QQuickItem>
#include <QTest>

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
    return shown
           && QTest::qWaitFor([&] { return !m_mapView->scene()->cameraManipulator().isAnimating(); }, 20000);
}

void MapPageStart::lookAt(double lon, double lat, double altitude)
{
    MapCameraManipulator& camera = m_mapView->scene()->cameraManipulator();
    // Altitude first: at the maximum altitude the position is held at the world's centre.
    camera.setAltitude(altitude);
    camera.setPosition(worldOf(lon, lat));
    m_mapView->scene()->updateCamera();
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
