#include "map/MapViewController.h"

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "geo/Bounds.h"
#include "app/MainView.h"
#include "map/AnnotationRenderItem.h"
#include "map/GLRender.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/LocationRenderItem.h"
#include "map/MapCameraManipulator.h"
#include "map/OSGShaderManager.h"
#include "map/PointDataRenderItem.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"

#include <QDebug>
#include <QQmlEngine>
#include <QQuickWindow>

#include <cmath>

namespace kiv {

namespace {

std::shared_ptr<Project> currentProject()
{
    ModelManager* models = ModelManager::instance();
    return models ? models->currentProject() : nullptr;
}

} // namespace

MapViewController::MapViewController(QQuickItem* parent)
    : BaseViewController(parent)
    , m_pickListModel(std::make_unique<PickListModel>())
    , m_positionMarker(std::make_shared<LocationRenderItem>())
{
    // The controller owns the model; QML must never collect it.
    QQmlEngine::setObjectOwnership(m_pickListModel.get(), QQmlEngine::CppOwnership);
    m_pickedList = m_pickListModel.get();
    ApplicationManager* app = ApplicationManager::instance();
    if (app)
        m_online = app->baseMapOnline();
    qDebug() << "MapViewController::MapViewController";
    connect(this, &MapViewController::selectedItemIdChanged, this, &MapViewController::onSelectedItemIdChanged);
    connect(this, &MapViewController::visibleAreaChanged, this, &MapViewController::onVisibleAreaChanged);
    if (app)
        connect(app, &ApplicationManager::unitTypeChanged, this, &MapViewController::updateScaleBarWidth);
}

MapViewController::~MapViewController()
{
    if (m_scene)
        m_scene->setEnabled(false);
    qDebug() << "MapViewController::~MapViewController";
    m_localityItems.clear();
    m_positionMarker.reset();
    m_scene.reset();
}

bool MapViewController::loadingTiles() const
{
    return m_scene && m_scene->loadingTiles();
}

void MapViewController::viewDidLoad()
{
    ApplicationManager* app = ApplicationManager::instance();
    m_scene = std::make_shared<GLRender>(app ? app->mainView() : nullptr);
    m_camera = &m_scene->cameraManipulator();
    setOnline(m_online);
    if (app) {
        connect(app, &ApplicationManager::logicalToPhysicalMultiplierChanged, this,
                &MapViewController::refreshAllViewItems);
        // The location manager is optional: without one the marker just has no fix.
        if (AbstractLocationManager* location = app->locationManager()) {
            connect(location, &AbstractLocationManager::lastKnownCoordinateUpdated, this,
                    &MapViewController::onLastKnownCoordinateUpdated);
            connect(location, &AbstractLocationManager::updatingChanged, this,
                    &MapViewController::onLocationUpdatingChanged);
        }
    }
    if (ModelManager* models = ModelManager::instance())
        connect(models, &ModelManager::currentProjectChanged, this, &MapViewController::onCurrentProjectChanged);
    connect(m_camera, &MapCameraManipulator::cameraPositionChanged, this,
            &MapViewController::updatePickedScreenPosition);
    connect(m_camera, &MapCameraManipulator::cameraPositionChanged, this, &MapViewController::cameraPositionChanged);
    connect(m_camera, &MapCameraManipulator::cameraPositionChanged, this, &MapViewController::updateScaleBarWidth);
    connect(m_scene.get(), &GLRender::loadingTilesChanged, this, &MapViewController::loadingTilesChanged);
}

void MapViewController::closing()
{
    qDebug() << "MapViewController::closing";
    if (m_scene)
        m_scene->clearScene();
}

void MapViewController::keyPressed(int key, int, uint, bool, int, QString)
{
    if (key != Qt::Key_F5)
        return;
    qDebug() << "Refresh View";
    if (OSGShaderManager* shaders = OSGShaderManager::instance()) {
        shaders->clearPrograms();
        shaders->clearShaders();
    }
    refreshAllViewItems();
    if (m_scene)
        m_scene->update(true);
}

void MapViewController::viewWillAppear()
{
    BaseViewController::viewWillAppear();
    if (m_scene)
        m_scene->setEnabled(true);
    ApplicationManager* app = ApplicationManager::instance();
    AbstractLocationManager* location = app ? app->locationManager() : nullptr;
    if (location && AbstractLocationManager::isGpsAutoEnabled())
        location->startUpdates();
}

void MapViewController::viewDidDisappear()
{
    BaseViewController::viewDidDisappear();
    if (m_scene)
        m_scene->setEnabled(false);
    ApplicationManager* app = ApplicationManager::instance();
    if (AbstractLocationManager* location = app ? app->locationManager() : nullptr)
        location->stopUpdates(true); // leaving the page is not the user turning positioning off
    if (std::shared_ptr<Project> project = currentProject()) {
        disconnect(project.get(), &Project::stratColumnChanged, this, nullptr);
        disconnect(project.get(), &Project::localityListChanged, this, nullptr);
        disconnect(project.get(), &Project::dataListChanged, this, nullptr);
    }
}

void MapViewController::viewDidAppear()
{
    BaseViewController::viewDidAppear();
    std::shared_ptr<Project> project = currentProject();
    if (m_scene && project)
        showProject(project);
    announceFirstAppearance();
}

void MapViewController::showProject(const std::shared_ptr<Project>& project)
{
    m_scene->addRenderItem(m_positionMarker);
    // Showing the page again must not leave the old bundles drawn twice.
    removeLocalityItems();
    buildLocalityItems();
    // Unique: the page may appear many times over one project.
    connect(project.get(), &Project::localityListChanged, this, &MapViewController::onLocalityListChanged,
            Qt::UniqueConnection);
    connect(project.get(), &Project::dataListChanged, this, &MapViewController::refreshAllViewItems,
            Qt::UniqueConnection);
    connect(project.get(), &Project::stratColumnChanged, this, &MapViewController::refreshAllViewItems,
            Qt::UniqueConnection);
    connect(project.get(), &Project::baseMapsChanged, this, &MapViewController::updateMapLayers,
            Qt::UniqueConnection);
    connect(project.get(), &Project::baseMapRemoved, m_scene.get(), &GLRender::removeMapLayer,
            Qt::UniqueConnection);
    updateMapLayers();
    ModelManager* models = ModelManager::instance();
    if (Locality* locality = models ? models->currentLocality().get() : nullptr) {
        m_camera->setAltitude(10000.0);
        snapToLocality(locality);
    } else {
        snapToWorld();
    }
    m_scene->setOnlineMap(project->baseTileLayer());
    verifyMapLayers();
}

void MapViewController::announceFirstAppearance()
{
    // Once per process (one application object), however many map pages come and go.
    static const char* const AppearedFlag = "mapPageAppeared";
    ApplicationManager* app = ApplicationManager::instance();
    if (!app || app->property(AppearedFlag).toBool())
        return;
    app->setProperty(AppearedFlag, true);
    emit app->appDidAppear();
    if (!app->newBuildAvailable()) {
        connect(app, &ApplicationManager::newBuildAvailableChanged, this,
                &MapViewController::showNewBuildAvailableDialog);
        app->checkForUpdate();
    } else if (app->isNewBuildReminderDue()) {
        emit showNewBuildAvailableDialog();
    }
}

void MapViewController::updateMapLayers()
{
    std::shared_ptr<Project> project = currentProject();
    if (!project || !m_scene)
        return;
    // The last base map lies lowest, at index 0.
    const std::vector<Project::BaseMap>& maps = project->baseMaps();
    const int count = static_cast<int>(maps.size());
    for (int index = 0; index < count; ++index) {
        const Project::BaseMap& map = maps[count - 1 - index];
        if (map.type == QLatin1String("MBTiles"))
            m_scene->addMBTilesLayer(map.location, index, map.opacity, map.active);
        else
            m_scene->addImageLayer(map.location, index, map.opacity, map.active);
    }
}

void MapViewController::setOnline(int onlineMode)
{
    if (onlineMode != m_online) {
        m_online = onlineMode;
        emit onlineChanged(m_online);
    }
    ApplicationManager* app = ApplicationManager::instance();
    if (!m_scene || !app)
        return;
    if (m_online == eBaseMapMode_Online || m_online == eBaseMapMode_Offline) {
        disconnect(app, &ApplicationManager::onlineStatusChanged, m_scene.get(), &GLRender::onOnlineStatusChanged);
        m_scene->onOnlineStatusChanged(m_online == eBaseMapMode_Online);
        app->startConnectionTest(false);
    } else {
        connect(app, &ApplicationManager::onlineStatusChanged, m_scene.get(), &GLRender::onOnlineStatusChanged,
                Qt::UniqueConnection);
        app->checkOnlineStatus(true);
        app->startConnectionTest(true);
    }
}

bool MapViewController::boundsValid(const geo::Bounds& bounds)
{
    return bounds.valid() && bounds.xMin() >= -180.0 && bounds.xMax() <= 180.0 && bounds.yMin() >= -90.0
           && bounds.yMax() <= 90.0;
}

void MapViewController::verifyMapLayers()
{
    std::shared_ptr<Project> project = currentProject();
    if (!project || !m_scene)
        return;
    ApplicationManager* app = ApplicationManager::instance();
    const std::shared_ptr<DialogController> dialogs = app ? app->dialogController() : nullptr;
    for (Project::BaseMap& map : project->baseMaps()) {
        const geo::Bounds extent = m_scene->getLayerExtent(map.location);
        if (!boundsValid(extent)) {
            if (dialogs)
                dialogs->toastError(QStringLiteral("Failed to load map layer ") + map.name, 2000);
        } else if (!(map.extent.width() > 0.0 && map.extent.height() > 0.0)) {
            // Only the loaded record: the database keeps what was stored.
            map.extent = QRectF(extent.xMin(), extent.yMin(), extent.width(), extent.height());
        }
    }
}

void MapViewController::buildLocalityItems()
{
    std::shared_ptr<Project> project = currentProject();
    if (!project)
        return;
    for (const std::shared_ptr<Locality>& locality : project->localities()) {
        LocalityRenderItems items;
        items.annotations = std::make_shared<AnnotationRenderItem>(locality);
        items.sightings = std::make_shared<PointDataRenderItem>(locality, true);
        items.pointData = std::make_shared<PointDataRenderItem>(locality, false);
        items.lines = std::make_shared<LineDataRenderItem>(locality);
        items.linePoints = std::make_shared<LinePointRenderItem>(locality);
        applyViewFilter(items);
        m_localityItems[locality->id()] = items;
    }
}

void MapViewController::removeLocalityItems()
{
    if (m_scene) {
        for (const auto& entry : m_localityItems) {
            const LocalityRenderItems& items = entry.second;
            m_scene->removeRenderItem(items.annotations);
            m_scene->removeRenderItem(items.pointData);
            m_scene->removeRenderItem(items.lines);
            m_scene->removeRenderItem(items.sightings);
            m_scene->removeRenderItem(items.linePoints);
        }
    }
    m_localityItems.clear();
}

void MapViewController::applyViewFilter(const LocalityRenderItems& items)
{
    showItem(items.annotations, m_viewFilter & FilterAnnotations);
    showItem(items.sightings, m_viewFilter & FilterAnnotations);
    showItem(items.pointData, m_viewFilter & FilterData);
    showItem(items.lines, m_viewFilter & FilterLines);
    showItem(items.linePoints, linePointsShown());
}

void MapViewController::showItem(const std::shared_ptr<GLRenderItem>& item, bool shown)
{
    if (!m_scene || !item)
        return;
    if (shown)
        m_scene->addRenderItem(item);
    else
        m_scene->removeRenderItem(item);
}

bool MapViewController::linePointsShown() const
{
    return (m_viewFilter & FilterLines) && m_showLinePoints;
}

void MapViewController::markForRebuild(std::initializer_list<std::shared_ptr<GLRenderItem>> items)
{
    for (const std::shared_ptr<GLRenderItem>& item : items) {
        if (item)
            item->setDirty();
    }
    if (m_scene)
        m_scene->update(false);
}

LocalityRenderItems* MapViewController::bundleOf(const std::string& localityId)
{
    auto found = m_localityItems.find(localityId);
    return found == m_localityItems.end() ? nullptr : &found->second;
}

void MapViewController::refreshAllViewItems()
{
    if (!m_scene)
        return;
    for (const std::shared_ptr<GLRenderItem>& item : m_scene->renderItems())
        item->setDirty();
    m_scene->update(false);
    refreshCallout();
}

void MapViewController::setViewFilter(ViewFilter newFilter)
{
    if (!m_scene || newFilter == m_viewFilter)
        return;
    m_viewFilter = newFilter;
    for (const auto& entry : m_localityItems)
        applyViewFilter(entry.second);
    emit viewFilterChanged(m_viewFilter);
}

void MapViewController::setShowLinePoints(bool showLinePoints)
{
    if (showLinePoints == m_showLinePoints)
        return;
    m_showLinePoints = showLinePoints;
    for (const auto& entry : m_localityItems)
        showItem(entry.second.linePoints, false);
    std::shared_ptr<Project> project = currentProject();
    if (linePointsShown() && project && m_scene) {
        for (const std::shared_ptr<Locality>& locality : project->localities()) {
            auto linePoints = std::make_shared<LinePointRenderItem>(locality);
            m_localityItems[locality->id()].linePoints = linePoints;
            m_scene->addRenderItem(linePoints);
        }
    }
    emit showLinePointsChanged(m_showLinePoints);
}

void MapViewController::updatePointData(std::string localityId)
{
    if (LocalityRenderItems* items = bundleOf(localityId))
        markForRebuild({items->pointData});
    refreshCallout();
}

void MapViewController::updateAnnotations(std::string localityId)
{
    if (LocalityRenderItems* items = bundleOf(localityId))
        markForRebuild({items->annotations});
    refreshCallout();
}

void MapViewController::updateLines(std::string localityId)
{
    if (LocalityRenderItems* items = bundleOf(localityId))
        markForRebuild({items->lines, items->linePoints});
    refreshCallout();
}

void MapViewController::onCurrentProjectChanged(Project*)
{
    removeLocalityItems();
    if (m_scene)
        m_scene->clearMapLayers();
}

void MapViewController::onLocalityListChanged()
{
    if (!currentProject())
        return;
    removeLocalityItems();
    buildLocalityItems();
}

void MapViewController::onLastKnownCoordinateUpdated(QPointF)
{
    markForRebuild({m_positionMarker});
}

void MapViewController::onLocationUpdatingChanged(bool updating)
{
    if (!updating)
        onLastKnownCoordinateUpdated(QPointF());
}

namespace {

template <typename T>
bool storeIfChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void MapViewController::setSelectedItemId(const QString& id)
{
    if (storeIfChanged(m_selectedItemId, id))
        emit selectedItemIdChanged(m_selectedItemId);
}

void MapViewController::setPickedScreenPos(const QPointF& pos)
{
    if (std::abs(pos.x() - m_pickedScreenPos.x()) <= 1e-12 && std::abs(pos.y() - m_pickedScreenPos.y()) <= 1e-12)
        return;
    m_pickedScreenPos = pos;
    emit pickedScreenPosChanged(m_pickedScreenPos);
}

void MapViewController::setPickedImageUrl(const QString& url)
{
    if (storeIfChanged(m_pickedImageUrl, url))
        emit pickedImageUrlChanged(m_pickedImageUrl);
}

void MapViewController::setPickedPointLabel(const QString& label)
{
    if (storeIfChanged(m_pickedPointLabel, label))
        emit pickedPointLabelChanged(m_pickedPointLabel);
}

void MapViewController::setPickedPointDescription(const QString& description)
{
    if (storeIfChanged(m_pickedPointDescription, description))
        emit pickedPointDescriptionChanged(m_pickedPointDescription);
}

void MapViewController::setCalloutOffset(double offset)
{
    if (storeIfChanged(m_calloutOffset, offset))
        emit calloutOffsetChanged(m_calloutOffset);
}

void MapViewController::setPointPicked(bool picked)
{
    if (storeIfChanged(m_pointPicked, picked))
        emit pointPickedChanged(m_pointPicked);
}

void MapViewController::setImagePicked(bool picked)
{
    if (storeIfChanged(m_imagePicked, picked))
        emit imagePickedChanged(m_imagePicked);
}

void MapViewController::setLocalityPicked(bool picked)
{
    if (storeIfChanged(m_localityPicked, picked))
        emit localityPickedChanged(m_localityPicked);
}

void MapViewController::setVisibleArea(const QRectF& area)
{
    if (qFuzzyCompare(area.x(), m_visibleArea.x()) && qFuzzyCompare(area.y(), m_visibleArea.y())
        && qFuzzyCompare(area.width(), m_visibleArea.width())
        && qFuzzyCompare(area.height(), m_visibleArea.height()))
        return;
    m_visibleArea = area;
    emit visibleAreaChanged(m_visibleArea);
}

void MapViewController::setPickedList(QObject* list)
{
    if (storeIfChanged(m_pickedList, list))
        emit pickedListChanged(m_pickedList);
}

void MapViewController::setScaleBarLeft(double left)
{
    if (storeIfChanged(m_scaleBarLeft, left))
        emit scaleBarLeftChanged(m_scaleBarLeft);
}

void MapViewController::setScaleBarRight(double right)
{
    if (storeIfChanged(m_scaleBarRight, right))
        emit scaleBarRightChanged(m_scaleBarRight);
}

void MapViewController::setScaleBarY(double y)
{
    if (storeIfChanged(m_scaleBarY, y))
        emit scaleBarYChanged(m_scaleBarY);
}

QImage MapViewController::capture()
{
    ApplicationManager* app = ApplicationManager::instance();
    QQuickWindow* window = app && app->mainView() ? app->mainView() : this->window();
    if (!window)
        return QImage();
    setVisible(false);
    QImage image = window->grabWindow();
    setVisible(true);
    return image;
}

// Picking and selection, deleting, and the callouts of the selected object.

QString MapViewController::selectedPickedItemId() const
{
    return QString();
}

bool MapViewController::hitTestLine(const std::shared_ptr<LineData2D>&, const osg::Matrixd&, const QPointF&, double,
                                    PickedItem&, int& nearestIndex) const
{
    nearestIndex = -1;
    return false;
}

void MapViewController::pick(double, double) {}

void MapViewController::setSelectedPickedItem(int index)
{
    m_selectedPickedItem = index;
}

void MapViewController::clearPickedItemList() {}

void MapViewController::deleteSelectedItem() {}

void MapViewController::onSelectedItemIdChanged(QString) {}

void MapViewController::refreshCallout() {}

void MapViewController::updatePickedScreenPosition() {}

// Keep the two groups apart: gestures, snaps and the scale bar follow.

osg::Matrixd MapViewController::viewProjectionMatrix() const
{
    return osg::Matrixd();
}

void MapViewController::mousePressed(double, double, Qt::MouseButtons) {}

void MapViewController::mouseReleased(double, double, Qt::MouseButtons, bool) {}

void MapViewController::mouseMoved(double, double, Qt::MouseButtons) {}

void MapViewController::mouseDoubleClicked(double, double, Qt::MouseButtons) {}

void MapViewController::mouseWheelSpun(double, double, QPointF, QPointF) {}

void MapViewController::pinchStarted(QPointF) {}

void MapViewController::pinchUpdated(QPointF, float) {}

void MapViewController::pinchEnded() {}

void MapViewController::snapToPosition(QPointF) {}

void MapViewController::snapToBounds(osg::BoundingBoxd) {}

void MapViewController::snapToWorld() {}

void MapViewController::snapToLocality(Locality*) {}

void MapViewController::onVisibleAreaChanged(QRectF) {}

void MapViewController::updateScaleBarWidth() {}

} // namespace kiv
