#include "tools/Tool.h"

#include "Database/CommandManager.h"
#include "app/ApplicationManager.h"
#include "map/MapViewController.h"
#include "model/AddLocalityCommand.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"

#include <QDebug>

namespace kiv {

Tool::Tool(QObject* parent)
    : QObject(parent)
{
}

Tool::~Tool()
{
    ApplicationManager* manager = ApplicationManager::instance();
    if (manager && manager->currentTool() == this)
        manager->setCurrentTool(nullptr);
}

QObject* Tool::mapViewObject() const
{
    return m_mapView;
}

void Tool::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        toolActivated();
    else
        toolDeactivated();
    emit activeChanged(active);
}

void Tool::toolActivated()
{
    qDebug() << "Tool::toolActivated" << metaObject()->className();
    if (ApplicationManager* manager = ApplicationManager::instance())
        manager->setCurrentTool(this);
}

void Tool::toolDeactivated()
{
    qDebug() << "Tool::toolDeactivated" << metaObject()->className();
    if (ApplicationManager* manager = ApplicationManager::instance())
        manager->setCurrentTool(nullptr);
}

void Tool::setMapView(QObject* mapView)
{
    if (mapView == m_mapView)
        return;
    m_mapView = qobject_cast<MapViewController*>(mapView);
    emit mapViewChanged(mapView);
}

void Tool::frame(GLRender*) {}

bool Tool::mousePressed(double, double, Qt::MouseButtons) { return false; }
bool Tool::mouseReleased(double, double, Qt::MouseButtons, bool) { return false; }
bool Tool::mouseMoved(double, double, Qt::MouseButtons) { return false; }
bool Tool::mouseDoubleClicked(double, double, Qt::MouseButtons) { return false; }
bool Tool::mousePressAndHold(double, double, Qt::MouseButtons) { return false; }
void Tool::mouseCanceled() {}
bool Tool::mouseWheelSpun(double, double, QPointF, QPointF) { return false; }
bool Tool::pinchStarted(QPointF) { return false; }
bool Tool::pinchUpdated(QPointF, float) { return false; }
bool Tool::pinchEnded() { return false; }

bool Tool::ensureLocality(double longitude, double latitude, bool isGpsLocation)
{
    ModelManager* models = ModelManager::instance();
    if (!models)
        return false;
    if (models->currentLocality())
        return true;
    std::shared_ptr<Project> project = models->currentProject();
    if (!project)
        return false;
    if (project->localities().empty()) {
        const PositionQuality quality = positionQuality(isGpsLocation);
        auto command = std::make_shared<AddLocalityCommand>();
        command->setLocality(project->localityName(1), latitude, longitude, quality.altitude,
                             quality.horizontalAccuracy, quality.verticalAccuracy);
        CommandManager* commands = CommandManager::instance();
        if (!commands || !commands->execute(command) || project->localities().empty())
            return false;
    }
    models->setCurrentLocality(project->localities().front());
    return models->currentLocality() != nullptr;
}

Tool::PositionQuality Tool::positionQuality(bool isGpsLocation)
{
    ApplicationManager* app = ApplicationManager::instance();
    AbstractLocationManager* location = app ? app->locationManager() : nullptr;
    PositionQuality quality;
    if (location)
        location->takePendingInput();
    quality.altitude = location ? location->altitude() : 0.0;
    if (isGpsLocation) {
        // A GPS position without a manager has no known accuracy.
        quality.horizontalAccuracy = location ? location->horizontalAccuracy() : -1.0;
        quality.verticalAccuracy = location ? location->verticalAccuracy() : -1.0;
    }
    return quality;
}

} // namespace kiv
