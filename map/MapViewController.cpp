#include "map/MapViewController.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "geo/Bounds.h"
#include "geo/GeoMath.h"
#include "app/MainView.h"
#include "app/OnlineTileSettings.h"
#include "drawing/StoreIfChanged.h"
#include "map/AnnotationRenderItem.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/LocalityBundles.h"
#include "map/LocationRenderItem.h"
#include "map/MapCallout.h"
#include "map/MapHitTester.h"
#include "map/MapCameraManipulator.h"
#include "map/OSGShaderManager.h"
#include "map/PointDataRenderItem.h"
#include "map/ScaleBar.h"
#include "map/SymbolTextures.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/RemoveDataCommand.h"
#include "model/RemoveLineCommand.h"
#include "model/RemoveLocalityCommand.h"
#include "tools/AbstractLocationManager.h"

#include <QDebug>
#include <QMutexLocker>
#include <QLineF>
#include <QQmlEngine>
#include <QQuickWindow>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <vector>

namespace kiv {

namespace {

// Only a web page is opened from a configured link.
QString webAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = url.isValid() && !url.host().isEmpty()
                     && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    return web ? url.toString() : QString();
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
    const OnlineTileSettings tiles = onlineTileSettings();
    m_attributionText = tiles.attribution;
    m_attributionUrl = webAddress(tiles.attributionUrl);
    m_improveUrl = webAddress(tiles.improveUrl);
    qDebug() << "MapViewController::MapViewController";
    connect(this, &MapViewController::selectedItemIdChanged, this, &MapViewController::onSelectedItemIdChanged);
    connect(&m_callout, &MapCallout::pickedScreenPosChanged, this, &MapViewController::pickedScreenPosChanged);
    connect(&m_callout, &MapCallout::pickedImageUrlChanged, this, &MapViewController::pickedImageUrlChanged);
    connect(&m_callout, &MapCallout::pickedPointLabelChanged, this, &MapViewController::pickedPointLabelChanged);
    connect(&m_callout, &MapCallout::pickedPointDescriptionChanged, this,
            &MapViewController::pickedPointDescriptionChanged);
    connect(&m_callout, &MapCallout::calloutOffsetChanged, this, &MapViewController::calloutOffsetChanged);
    connect(&m_callout, &MapCallout::belowChanged, this, &MapViewController::calloutBelowChanged);
    connect(&m_callout, &MapCallout::pointPickedChanged, this, &MapViewController::pointPickedChanged);
    connect(&m_callout, &MapCallout::imagePickedChanged, this, &MapViewController::imagePickedChanged);
    connect(&m_callout, &MapCallout::localityPickedChanged, this, &MapViewController::localityPickedChanged);
    connect(this, &MapViewController::visibleAreaChanged, this, &MapViewController::onVisibleAreaChanged);
    if (app)
        connect(app, &ApplicationManager::unitTypeChanged, this, &MapViewController::updateScaleBarWidth);
}

MapViewController::~MapViewController()
{
    if (m_scene)
        m_scene->setEnabled(false);
    qDebug() << "MapViewController::~MapViewController";
    m_bundles.clear();
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
    attachGestures();
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
    // After the scene's own handler: the free area is applied again once
    // the scene's projection fits the new window.
    if (MainView* view = app ? app->mainView() : nullptr)
        connect(view, &MainView::resized, this, &MapViewController::onWindowResized);
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
    if (std::shared_ptr<Project> project = AppContext::currentProject()) {
        disconnect(project.get(), &Project::stratColumnChanged, this, nullptr);
        disconnect(project.get(), &Project::localityListChanged, this, nullptr);
        disconnect(project.get(), &Project::dataListChanged, this, nullptr);
    }
}

void MapViewController::viewDidAppear()
{
    BaseViewController::viewDidAppear();
    std::shared_ptr<Project> project = AppContext::currentProject();
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
    connect(project.get(), &Project::dataListChanged, this, &MapViewController::onDataListChanged,
            Qt::UniqueConnection);
    connect(project.get(), &Project::stratColumnChanged, this, &MapViewController::onStratColumnChanged,
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
    std::shared_ptr<Project> project = AppContext::currentProject();
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
    std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project || !m_scene)
        return;
    for (Project::BaseMap& map : project->baseMaps()) {
        const geo::Bounds extent = m_scene->getLayerExtent(map.location);
        if (!boundsValid(extent)) {
            AppContext::toastError(QStringLiteral("Failed to load map layer ") + map.name, 2000);
        } else if (!(map.extent.width() > 0.0 && map.extent.height() > 0.0)) {
            // Only the loaded record: the database keeps what was stored.
            map.extent = QRectF(extent.xMin(), extent.yMin(), extent.width(), extent.height());
        }
    }
}

void MapViewController::buildLocalityItems()
{
    std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return;
    m_bundles.build(*project, [this](const LocalityRenderItems& items) { applyViewFilter(items); });
}

void MapViewController::removeLocalityItems()
{
    if (m_scene) {
        for (const auto& entry : m_bundles.items()) {
            for (const std::shared_ptr<GLRenderItem>& item : LocalityBundles::members(entry.second))
                m_scene->removeRenderItem(item);
        }
    }
    m_bundles.clear();
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

void MapViewController::markForRebuild(const std::vector<std::shared_ptr<GLRenderItem>>& items)
{
    for (const std::shared_ptr<GLRenderItem>& item : items) {
        if (item)
            item->setDirty();
    }
    if (m_scene)
        m_scene->update(false);
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
    for (const auto& entry : m_bundles.items())
        applyViewFilter(entry.second);
    // The selected object is no longer drawn.
    if (m_callout.pointPicked() && !(m_callout.category() & m_viewFilter))
        m_callout.setPointPicked(false);
    emit viewFilterChanged(m_viewFilter);
}

void MapViewController::setShowLinePoints(bool showLinePoints)
{
    if (showLinePoints == m_showLinePoints)
        return;
    m_showLinePoints = showLinePoints;
    for (const auto& entry : m_bundles.items())
        showItem(entry.second.linePoints, false);
    std::shared_ptr<Project> project = AppContext::currentProject();
    if (linePointsShown() && project && m_scene) {
        for (const std::shared_ptr<Locality>& locality : project->localities()) {
            LocalityRenderItems& bundle = m_bundles.entry(locality->id());
            auto linePoints = std::make_shared<LinePointRenderItem>(locality);
            // A line selected before shows its handles at once.
            if (bundle.lines)
                linePoints->setSelectedId(bundle.lines->selectedId());
            bundle.linePoints = linePoints;
            m_scene->addRenderItem(linePoints);
        }
    }
    placeLineCallout();
    emit showLinePointsChanged(m_showLinePoints);
}

void MapViewController::updatePointData(std::string localityId)
{
    if (LocalityRenderItems* items = m_bundles.find(localityId))
        markForRebuild({items->pointData});
    refreshCallout();
}

void MapViewController::updateAnnotations(std::string localityId)
{
    if (LocalityRenderItems* items = m_bundles.find(localityId))
        markForRebuild({items->annotations});
    refreshCallout();
}

void MapViewController::updateLines(std::string localityId)
{
    if (LocalityRenderItems* items = m_bundles.find(localityId))
        markForRebuild({items->lines, items->linePoints});
    refreshCallout();
}

void MapViewController::markBundle(const LocalityRenderItems& items)
{
    markForRebuild(LocalityBundles::members(items));
}

void MapViewController::onDataListChanged()
{
    const auto* project = qobject_cast<const Project*>(sender());
    const std::string localityId = project ? project->changedLocalityId() : std::string();
    if (localityId.empty()) {
        refreshAllViewItems();
        return;
    }
    if (const LocalityRenderItems* items = m_bundles.find(localityId))
        markBundle(*items);
    refreshCallout();
}

void MapViewController::onStratColumnChanged()
{
    const auto* project = qobject_cast<const Project*>(sender());
    const auto stale = project ? m_bundles.recoloured(*project) : std::nullopt;
    if (!stale) {
        refreshAllViewItems();
        return;
    }
    for (const LocalityRenderItems* items : *stale)
        markBundle(*items);
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
    if (!AppContext::currentProject())
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

void MapViewController::setSelectedItemId(const QString& id)
{
    if (storeIfChanged(m_selectedItemId, id))
        emit selectedItemIdChanged(m_selectedItemId);
}

void MapViewController::setPickedScreenPos(const QPointF& pos)
{
    m_callout.setPickedScreenPos(pos);
}

void MapViewController::setPickedImageUrl(const QString& url)
{
    m_callout.setPickedImageUrl(url);
}

void MapViewController::setPickedPointLabel(const QString& label)
{
    m_callout.setPickedPointLabel(label);
}

void MapViewController::setPickedPointDescription(const QString& description)
{
    m_callout.setPickedPointDescription(description);
}

void MapViewController::setCalloutOffset(double offset)
{
    m_callout.setCalloutOffset(offset);
}

void MapViewController::setPointPicked(bool picked)
{
    m_callout.setPointPicked(picked);
}

void MapViewController::setImagePicked(bool picked)
{
    m_callout.setImagePicked(picked);
}

void MapViewController::setLocalityPicked(bool picked)
{
    m_callout.setLocalityPicked(picked);
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

void MapViewController::setCalloutBounds(const QRectF& bounds)
{
    if (storeIfChanged(m_calloutBounds, bounds))
        emit calloutBoundsChanged(m_calloutBounds);
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

namespace {

double uiScale()
{
    ApplicationManager* app = ApplicationManager::instance();
    return app ? app->logicalToPhysicalMultiplier() : 1.0;
}

double glScale()
{
    ApplicationManager* app = ApplicationManager::instance();
    return app ? app->physicalToGLMultiplier() : 1.0;
}

using ProjectedPoint = MapHitTester::ProjectedPoint;

// Logical pixels kept between a selection and the free area's edges.
constexpr double ViewMargin = 8.0;

// The theme's button height in logical pixels.
double buttonHeight()
{
    ApplicationManager* app = ApplicationManager::instance();
    const QVariant height = app && app->ui() ? app->ui()->property("buttonHeight") : QVariant();
    return height.isValid() ? height.toDouble() : 40.0 * uiScale();
}

bool strikeConvention()
{
    ApplicationManager* app = ApplicationManager::instance();
    return app && app->angleConvention() == ApplicationManager::DipStrikeRHR;
}

MapCallout::Context calloutContext()
{
    MapCallout::Context context;
    context.symbolSize = SymbolTextures::symbolSize();
    context.uiScale = uiScale();
    context.glScale = glScale();
    context.strikeConvention = strikeConvention();
    context.project = AppContext::currentProject();
    return context;
}

void placeRow(PickedItem& row, const osg::Vec3d& world, const QPointF& windowPos, double distance)
{
    const double m = glScale();
    row.worldX = world.x();
    row.worldY = world.y();
    row.worldZ = world.z();
    row.screenX = windowPos.x() / m;
    row.screenY = windowPos.y() / m;
    row.distance = distance;
}

// The tap inside a filled line's outline (odd-even rule).
bool polygonHit(const GLRender& scene, const LineData2D& line, const osg::Matrixd& viewProjection,
                const QPointF& tap, double distance, PickedItem& row)
{
    // The segment test has already put the points into the row's bounds.
    std::vector<QPointF> outline;
    for (const ProjectedPoint& point : MapHitTester::projectLine(scene, line, viewProjection))
        outline.push_back(point.screen);
    if (!MapHitTester::insideOutline(outline, tap))
        return false;
    const double m = glScale();
    const osg::Vec3d world = scene.unproject(tap.x() / m, tap.y() / m, scene.camera());
    if (!scene.worldToGeo(world.x(), world.y(), world.z(), row.longitude, row.latitude))
        return false;
    placeRow(row, world, tap, distance);
    return true;
}

} // namespace

QString MapViewController::selectedPickedItemId() const
{
    if (m_selectedPickedItem < 0 || m_selectedPickedItem >= m_pickListModel->rowCount())
        return QString();
    const std::shared_ptr<AbstractObject>& object = m_pickListModel->item(m_selectedPickedItem).object;
    return object ? QString::fromStdString(object->id()) : QString();
}

bool MapViewController::hitTestLine(const std::shared_ptr<LineData2D>& line, const osg::Matrixd& viewProjection,
                                    const QPointF& tap, double tolerance, PickedItem& row, int& nearestIndex) const
{
    nearestIndex = -1;
    if (!line || !m_scene)
        return false;
    row.object = line;
    row.type = FilterLines;
    row.label = MapCallout::lineLabel(*line, AppContext::currentProject().get());
    row.description = line->comment();
    row.imageUrl.clear();
    const std::vector<ProjectedPoint> points = MapHitTester::projectLine(*m_scene, *line, viewProjection);
    osg::BoundingBoxd bounds;
    for (const ProjectedPoint& point : points)
        bounds.expandBy(point.world);
    MapHitTester::storeBounds(bounds, row);
    std::vector<QPointF> screen;
    for (const ProjectedPoint& point : points)
        screen.push_back(point.screen);
    // A filled line also runs its closing segment back to the first point.
    const std::optional<MapHitTester::SegmentHit> hit =
        MapHitTester::nearestSegment(screen, line->isFilled(), tap, tolerance);
    if (!hit)
        return false;
    const size_t count = points.size();
    const ProjectedPoint& from = points[hit->segment - 1];
    const ProjectedPoint& to = points[hit->segment % count];
    row.latitude = line->latitudeAt(to.index);
    row.longitude = line->longitudeAt(to.index);
    placeRow(row, from.world + (to.world - from.world) * double(hit->t), hit->nearest, hit->distance);
    nearestIndex = hit->segment == count ? line->pointCount() : to.index;
    return true;
}

void MapViewController::pick(double x, double y)
{
    const QPointF tap(x * glScale(), y * glScale());
    if (cycleHits(tap)) {
        keepSelectionInView();
        return;
    }
    clearCallout();
    if (!m_scene || !m_scene->map())
        return;
    m_pickListModel->beginResetModel();
    m_pickListModel->clearItems();
    if (const std::shared_ptr<Project> project = AppContext::currentProject())
        collectHits(*project, tap, MapHitTester::cameraViewProjection(*m_scene));
    m_pickListModel->sortAndEndReset();
    setSelectedPickedItem(m_pickListModel->rowCount() > 0 ? 0 : -1);
    if (m_selectedPickedItem == -1)
        clearCallout();
    m_lastPickPosition = tap;
    keepSelectionInView();
}

// A tap where the last one picked steps through its hits instead of picking anew.
bool MapViewController::cycleHits(const QPointF& tap)
{
    const int rows = m_pickListModel->rowCount();
    const int half = SymbolTextures::symbolSize() / 2;
    if (rows == 0 || !MapHitTester::withinSquare(tap, m_lastPickPosition, half))
        return false;
    setSelectedPickedItem(m_selectedPickedItem >= 0 ? (m_selectedPickedItem + 1) % rows : 0);
    return true;
}

void MapViewController::collectHits(const Project& project, const QPointF& tap, const osg::Matrixd& viewProjection)
{
    const int size = SymbolTextures::symbolSize();
    const int half = size / 2;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (m_viewFilter & FilterAnnotations) {
            PickedItem row;
            row.object = locality;
            row.type = FilterAnnotations;
            row.label = locality->name();
            row.description = locality->description();
            // The marker stands above its point.
            appendPointHit(row, QPointF(0.0, -half), tap, viewProjection, half);
        }
        for (const std::shared_ptr<Data>& data : locality->data()) {
            PickedItem row;
            row.object = data;
            row.type = MapCallout::categoryOf(*data);
            if (!(m_viewFilter & row.type))
                continue;
            row.label = MapCallout::dataLabel(*data, false, false);
            row.imageUrl = MapCallout::imageUrlOf(*data);
            const double offset = data->type() == Data::Annotation ? AnnotationRenderItem::NoteOffset * half : 0.0;
            appendPointHit(row, QPointF(offset, offset), tap, viewProjection, half);
        }
        if (!(m_viewFilter & FilterLines))
            continue;
        for (const std::shared_ptr<LineData2D>& line : locality->lines()) {
            const double tolerance = (line->thickness() * 0.5 + 16.0) * uiScale() * glScale();
            PickedItem row;
            int nearest = -1;
            if (hitTestLine(line, viewProjection, tap, tolerance, row, nearest)
                || (line->isFilled() && polygonHit(*m_scene, *line, viewProjection, tap, size * 0.5, row)))
                m_pickListModel->append(row);
        }
    }
}

// Appends the row when the tap lies strictly inside the symbol's square.
void MapViewController::appendPointHit(PickedItem row, const QPointF& offset, const QPointF& tap,
                                       const osg::Matrixd& viewProjection, int half)
{
    const auto* located = dynamic_cast<const LocatedObject*>(row.object.get());
    osg::Vec3d world;
    if (!located || !MapHitTester::worldOf(*m_scene, located->latitude(), located->longitude(), world))
        return;
    const QPointF centre = MapHitTester::windowPosition(*m_scene, world, viewProjection) + offset;
    if (!MapHitTester::withinSquare(tap, centre, half))
        return;
    row.latitude = located->latitude();
    row.longitude = located->longitude();
    placeRow(row, world, centre, QLineF(tap, centre).length());
    m_pickListModel->append(row);
}

void MapViewController::setSelectedPickedItem(int index)
{
    m_selectedPickedItem = index;
    if (index < 0 || index >= m_pickListModel->rowCount())
        return;
    // A copy: showing the callout may reset the list.
    const PickedItem row = m_pickListModel->item(index);
    if (row.object && QString::fromStdString(row.object->id()) != m_selectedItemId) {
        showCalloutAt(row.object, osg::Vec3d(row.worldX, row.worldY, row.worldZ),
                      QPointF(row.screenX, row.screenY));
    }
    emit selectedPickedItemChanged(index);
}

void MapViewController::clearPickedItemList()
{
    m_pickListModel->beginResetModel();
    m_pickListModel->clearItems();
    m_pickListModel->sortAndEndReset();
    m_selectedPickedItem = -1;
}

void MapViewController::deleteSelectedItem()
{
    qDebug() << "delete selected item here";
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return;
    const std::string id = m_selectedItemId.toStdString();
    bool removed = true;
    if (std::shared_ptr<Data> data = project->dataById(id)) {
        auto command = std::make_shared<RemoveDataCommand>();
        command->setFromData(data);
        removed = AppContext::runCommand(command) && removed;
    }
    if (std::shared_ptr<LineData2D> line = project->lineById(id)) {
        auto command = std::make_shared<RemoveLineCommand>(false);
        command->setLine(line);
        removed = AppContext::runCommand(command) && removed;
    }
    if (std::shared_ptr<Locality> locality = project->locality(id)) {
        auto command = std::make_shared<RemoveLocalityCommand>();
        command->setFromLocality(locality);
        removed = AppContext::runCommand(command) && removed;
    }
    if (!removed) {
        qWarning() << "MapViewController: could not delete" << m_selectedItemId;
        AppContext::toastError(QStringLiteral("Could not delete the selected item."),
                               DialogController::defaultToastDuration);
    }
    clearCallout();
}

void MapViewController::showCalloutAt(const std::shared_ptr<AbstractObject>& object, const osg::Vec3d& world,
                                      const QPointF& anchor)
{
    std::optional<MapCallout::Content> content =
        object ? MapCallout::contentOf(*object, calloutContext()) : std::nullopt;
    if (!content)
        return clearCallout();
    osg::Vec3d at = world;
    QPointF shown = anchor;
    if (const auto* line = dynamic_cast<const LineData2D*>(object.get()); line && linePointsShown())
        placeOverHandles(*line, *content, at, shown);
    m_callout.show(*content, at, shown);
    select(*object);
    setSelectedItemId(QString::fromStdString(object->id()));
    // Again with the balloon's width for its new text.
    if (dynamic_cast<const LineData2D*>(object.get()) && linePointsShown())
        placeLineCallout();
}

void MapViewController::placeLineCallout()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project || !m_callout.pointPicked())
        return;
    const auto line =
        std::dynamic_pointer_cast<LineData2D>(MapHitTester::findObject(*project, m_selectedItemId.toStdString()));
    std::optional<MapCallout::Content> content = line ? MapCallout::contentOf(*line, calloutContext()) : std::nullopt;
    if (!content)
        return;
    osg::Vec3d world = m_callout.world();
    QPointF anchor = m_callout.pickedScreenPos();
    if (linePointsShown())
        placeOverHandles(*line, *content, world, anchor);
    m_callout.show(*content, world, anchor);
}

void MapViewController::placeOverHandles(const LineData2D& line, MapCallout::Content& content, osg::Vec3d& world,
                                         QPointF& anchor) const
{
    if (!m_scene)
        return;
    std::vector<ProjectedPoint> points =
        MapHitTester::projectLine(*m_scene, line, MapHitTester::cameraViewProjection(*m_scene));
    if (points.empty())
        return;
    const double m = glScale();
    for (ProjectedPoint& point : points)
        point.screen /= m;
    std::stable_sort(points.begin(), points.end(),
                     [](const auto& a, const auto& b) { return a.screen.y() < b.screen.y(); });
    // A handle is drawn in one symbol cell; the balloon with its pointer is
    // 1.3 button heights tall, keeps the margin the view keeps, and may slide
    // sideways by up to its width.
    const double half = SymbolTextures::symbolSize() * 0.5 / m;
    const double height = 1.3 * buttonHeight();
    const double margin = ViewMargin * uiScale();
    const double side = m_calloutBounds.width() + half;
    const auto clear = [&](const QPointF& at, bool below) {
        // The handle pointed at is in view too, so the map need not move.
        const double top = below ? at.y() + half : at.y() - half - height;
        if (std::min(top, at.y() - half) - margin < m_visibleArea.top()
            || std::max(top + height, at.y() + half) + margin > m_visibleArea.bottom())
            return false;
        return std::none_of(points.begin(), points.end(), [&](const ProjectedPoint& handle) {
            const QPointF& h = handle.screen;
            return std::abs(h.x() - at.x()) < side && h.y() + half > top && h.y() - half < top + height;
        });
    };
    // Above the topmost handle, under the lowest, then above or under each
    // other one from the top; a line with no such room keeps its anchor.
    std::vector<std::pair<const ProjectedPoint*, bool>> places{{&points.front(), false}, {&points.back(), true}};
    for (const ProjectedPoint& point : points) {
        places.emplace_back(&point, false);
        places.emplace_back(&point, true);
    }
    const auto chosen = std::find_if(places.begin(), places.end(),
                                     [&](const auto& place) { return clear(place.first->screen, place.second); });
    if (chosen == places.end())
        return;
    content.offset = half;
    content.below = chosen->second;
    world = chosen->first->world;
    anchor = chosen->first->screen;
}

void MapViewController::selectUnplaced(const AbstractObject& object)
{
    m_callout.hide();
    m_gestures.releaseSnap();
    select(object);
}

// Records the category and lets the object's render item draw it highlighted.
void MapViewController::select(const AbstractObject& object)
{
    clearHighlights();
    m_callout.setCategory(MapCallout::categoryOf(object));
    std::vector<std::shared_ptr<GLRenderItem>> items;
    if (const auto* locality = dynamic_cast<const Locality*>(&object)) {
        if (LocalityRenderItems* bundle = m_bundles.find(locality->id()))
            items = {bundle->annotations};
    } else if (const auto* data = dynamic_cast<const Data*>(&object)) {
        if (LocalityRenderItems* bundle = m_bundles.find(data->localityId())) {
            if (m_callout.category() == FilterData)
                items = {bundle->pointData};
            else
                items = {data->type() == Data::Sighting ? std::shared_ptr<GLRenderItem>(bundle->sightings)
                                                        : std::shared_ptr<GLRenderItem>(bundle->annotations)};
        }
    } else if (const auto* line = dynamic_cast<const LineData2D*>(&object)) {
        if (LocalityRenderItems* bundle = m_bundles.find(line->localityId()))
            items = {bundle->lines, bundle->linePoints};
    }
    for (const std::shared_ptr<GLRenderItem>& item : items) {
        if (item)
            item->setSelectedId(object.id());
    }
    if (m_scene)
        m_scene->update(false);
}

void MapViewController::clearHighlights()
{
    for (const auto& entry : m_bundles.items()) {
        for (const std::shared_ptr<GLRenderItem>& item : LocalityBundles::members(entry.second)) {
            if (item)
                item->setSelectedId(std::string());
        }
    }
}

void MapViewController::clearCallout()
{
    // Before the selection is announced: a panel that narrows in answer
    // must not bring back the old selection's snap.
    m_gestures.releaseSnap();
    clearPickedItemList();
    clearHighlights();
    if (m_scene)
        m_scene->update(false);
    setSelectedItemId(QString());
    m_callout.clear();
}

void MapViewController::onSelectedItemIdChanged(QString newId)
{
    // Cleared first: a selection made by id has no picked row, so an empty id
    // would otherwise match it and leave the callout and highlight behind.
    if (newId.isEmpty()) {
        clearCallout();
        return;
    }
    // A selection from the pick list is already shown.
    if (newId == selectedPickedItemId())
        return;
    clearPickedItemList();
    const std::shared_ptr<Project> project = AppContext::currentProject();
    // An id that names nothing keeps the previous callout.
    const std::shared_ptr<AbstractObject> object =
        project ? MapHitTester::findObject(*project, newId.toStdString()) : nullptr;
    if (object) {
        selectById(object);
        keepSelectionInView();
    }
}

void MapViewController::selectById(const std::shared_ptr<AbstractObject>& object)
{
    if (!m_scene)
        return;
    osg::Vec3d world;
    if (auto locality = std::dynamic_pointer_cast<Locality>(object)) {
        if (!MapHitTester::worldOf(*m_scene, locality->latitude(), locality->longitude(), world))
            return selectUnplaced(*locality);
        showCalloutAt(locality, world, m_scene->worldToScreen(world));
        snapToLocality(locality.get());
    } else if (auto data = std::dynamic_pointer_cast<Data>(object)) {
        if (!MapHitTester::worldOf(*m_scene, data->latitude(), data->longitude(), world))
            return selectUnplaced(*data);
        showCalloutAt(data, world, m_scene->worldToScreen(world));
        m_gestures.holdPosition(QPointF(data->longitude(), data->latitude()));
    } else if (auto line = std::dynamic_pointer_cast<LineData2D>(object)) {
        // The centre of the line's screen rectangle, with a tolerance that reaches every point of it.
        const osg::Matrixd viewProjection = MapHitTester::cameraViewProjection(*m_scene);
        QPolygonF screen;
        for (const ProjectedPoint& point : MapHitTester::projectLine(*m_scene, *line, viewProjection))
            screen << point.screen;
        const QRectF box = screen.boundingRect();
        const QSizeF size(std::max(1.0, box.width()), std::max(1.0, box.height()));
        const QPointF centre = box.topLeft() + QPointF(size.width(), size.height()) * 0.5;
        PickedItem row;
        int nearest = -1;
        if (!hitTestLine(line, viewProjection, centre, size.width() + size.height(), row, nearest))
            return selectUnplaced(*line);
        showCalloutAt(line, osg::Vec3d(row.worldX, row.worldY, row.worldZ), QPointF(row.screenX, row.screenY));
        m_gestures.holdBounds(MapHitTester::boundsOf(row));
    }
}

void MapViewController::refreshCallout()
{
    if (m_selectedItemId.isEmpty())
        return m_callout.unpick();
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const std::shared_ptr<AbstractObject> object =
        project ? MapHitTester::findObject(*project, m_selectedItemId.toStdString()) : nullptr;
    // Deleted, or undone: nothing left to show.
    if (!object) {
        clearCallout();
        return;
    }
    if (!m_scene)
        return;
    osg::Vec3d world = m_callout.world();
    QPointF anchor = m_callout.pickedScreenPos();
    if (const auto* located = dynamic_cast<const LocatedObject*>(object.get())) {
        if (!MapHitTester::worldOf(*m_scene, located->latitude(), located->longitude(), world))
            return selectUnplaced(*object);
        anchor = m_scene->worldToScreen(world);
    } else if (!m_callout.pointPicked()) {
        return selectUnplaced(*object);
    }
    const osg::Vec3d before = m_callout.world();
    showCalloutAt(object, world, anchor);
    // Raised as after any camera change, so an edit does not drop a marker's callout onto it.
    updatePickedScreenPosition();
    // A moved entry may have gone under a panel.
    if (m_callout.world() != before)
        keepSelectionInView();
}

void MapViewController::keepSelectionInView()
{
    if (!m_scene || !m_callout.pointPicked() || !sceneSized())
        return;
    const MapCallout::Context context = calloutContext();
    const std::shared_ptr<AbstractObject> selected =
        context.project ? MapHitTester::findObject(*context.project, m_selectedItemId.toStdString()) : nullptr;
    // The symbol around the anchor, the balloon above it; sideways the
    // balloon slides by itself, so only its pointer needs the room.
    const double half = context.symbolSize * 0.5 / context.glScale;
    const QRectF symbol(-half, -half, 2.0 * half, 2.0 * half);
    const QRectF balloon(symbol.left(), m_calloutBounds.top(), symbol.width(), m_calloutBounds.height());
    const QRectF extent = symbol.united(m_calloutBounds.isEmpty() ? symbol : balloon)
                              .translated(MapCallout::anchorShift(selected.get(), context));
    m_gestures.keepInView(m_callout.world(), extent, ViewMargin * context.uiScale);
}

bool MapViewController::sceneSized() const
{
    const osg::Viewport* viewport = m_scene->camera() ? m_scene->camera()->getViewport() : nullptr;
    const QSize size = m_scene->windowSize();
    return !viewport
           || (std::abs(viewport->width() - size.width()) < 1.0 && std::abs(viewport->height() - size.height()) < 1.0);
}

void MapViewController::updatePickedScreenPosition()
{
    if (!m_scene)
        return;
    if (m_callout.pointPicked()) {
        m_scene->updateCamera();
        const MapCallout::Context context = calloutContext();
        const std::shared_ptr<AbstractObject> selected =
            context.project ? MapHitTester::findObject(*context.project, m_selectedItemId.toStdString()) : nullptr;
        m_callout.follow(MapHitTester::cameraViewProjection(*m_scene), m_scene->logicalWindowSize(),
                         MapCallout::anchorShift(selected.get(), context));
    }
    m_scene->update(true);
}

// Keep the two groups apart: gestures, snaps and the scale bar follow.

namespace {

// Height at which localities, data and line points enter a snap box.
constexpr double ObjectHeight = 10.0;

// A geographic position in map coordinates at the object height; false for
// one the map cannot place (not finite, outside the globe's degrees, NoValue).
bool toMap(const GLRender& scene, double longitude, double latitude, osg::Vec3d& world)
{
    if (!GLRenderItem::toMap(&scene, longitude, latitude, world))
        return false;
    world.z() = ObjectHeight;
    return true;
}

osg::Vec3d worldUnderFrom(const GLRender& scene, const QPointF& pos, const osg::Vec3d& position, double altitude)
{
    const osg::ref_ptr<osg::Camera> camera = scene.cameraManipulator().cameraAt(position, altitude);
    return camera ? scene.unproject(pos.x(), pos.y(), camera.get()) : osg::Vec3d();
}

// The scene's camera otherwise follows the manipulator only in the next frame.
void followCamera(GLRender& scene)
{
    QMutexLocker lock(&scene.sceneMutex());
    scene.updateCamera();
}

// The map scene as the gestures see it.
class SceneSurface : public MapCameraGestures::AbstractSurface
{
public:
    SceneSurface(GLRender& scene, std::function<void()> resetPickList)
        : m_scene(scene)
        , m_resetPickList(std::move(resetPickList))
    {
    }

    osg::Vec3d worldUnder(const QPointF& pos, const osg::Vec3d& position, double altitude) const override
    {
        return worldUnderFrom(m_scene, pos, position, altitude);
    }
    bool toMap(double longitude, double latitude, osg::Vec3d& world) const override
    {
        return kiv::toMap(m_scene, longitude, latitude, world);
    }
    void followCamera() override { kiv::followCamera(m_scene); }
    void requestFrame() override { m_scene.update(true); }
    void resetPickList() override { m_resetPickList(); }

private:
    GLRender& m_scene;
    std::function<void()> m_resetPickList;
};

} // namespace

void MapViewController::attachGestures()
{
    m_surface = std::make_unique<SceneSurface>(*m_scene, [this] { resetPickList(); });
    m_gestures.attach(m_camera, m_surface.get());
}

osg::Vec3d MapViewController::worldUnder(const QPointF& pos) const
{
    // The manipulator's state rather than the last frame's camera: right
    // before the first frame and straight after a change.
    return worldUnderFrom(*m_scene, pos, m_camera->position(), m_camera->altitude());
}

osg::Matrixd MapViewController::viewProjectionMatrix() const
{
    if (!m_scene)
        return osg::Matrixd();
    const osg::ref_ptr<osg::Camera> camera = m_camera->cameraAt(m_camera->position(), m_camera->altitude());
    return camera ? camera->getViewMatrix() * camera->getProjectionMatrix() : osg::Matrixd();
}

void MapViewController::resetPickList()
{
    clearPickedItemList();
    m_selectedPickedItem = -1;
}

void MapViewController::mousePressed(double x, double y, Qt::MouseButtons)
{
    m_gestures.press(QPointF(x, y));
}

bool MapViewController::releasePicks(bool longPress) const
{
    return m_gestures.releasePicks(longPress);
}

void MapViewController::mouseReleased(double x, double y, Qt::MouseButtons, bool longPress)
{
    if (m_gestures.release(longPress))
        pick(x, y);
    if (m_scene)
        m_scene->update(true);
}

void MapViewController::mouseMoved(double x, double y, Qt::MouseButtons)
{
    m_gestures.move(QPointF(x, y));
}

void MapViewController::mouseDoubleClicked(double x, double y, Qt::MouseButtons)
{
    m_gestures.doubleTap(QPointF(x, y), m_pickListModel->rowCount());
}

void MapViewController::mouseWheelSpun(double x, double y, QPointF angleDelta, QPointF)
{
    m_gestures.wheel(QPointF(x, y), angleDelta);
}

void MapViewController::pinchStarted(QPointF center)
{
    m_gestures.pinchStart(center);
}

void MapViewController::pinchUpdated(QPointF center, float scale)
{
    m_gestures.pinchUpdate(center, scale);
}

void MapViewController::pinchEnded()
{
    m_gestures.pinchEnd();
}

void MapViewController::snapToPosition(QPointF coords)
{
    m_gestures.snapToPosition(coords);
}

void MapViewController::snapToBounds(osg::BoundingBoxd bounds, double highestAltitude)
{
    m_gestures.snapToBounds(bounds, highestAltitude);
}

void MapViewController::snapToLocality(Locality* locality)
{
    if (!m_scene || !m_scene->map() || !locality)
        return;
    m_gestures.snapToLocality(*locality);
}

void MapViewController::snapToWorld()
{
    if (!m_scene)
        return;
    // Without a fix, the project's last position; without that, the origin.
    std::vector<QPointF> candidates;
    ApplicationManager* app = ApplicationManager::instance();
    AbstractLocationManager* location = app ? app->locationManager() : nullptr;
    if (location && AbstractLocationManager::isValidCoordinate(location->lastKnownCoordinate()))
        candidates.push_back(location->lastKnownCoordinate());
    if (const std::shared_ptr<Project> project = AppContext::currentProject())
        candidates.emplace_back(project->lastLongitude(), project->lastLatitude());
    m_gestures.snapToWorld(candidates);
}

void MapViewController::onVisibleAreaChanged(QRectF visibleArea)
{
    // A window resize reaches the page's items before the scene: the
    // scene's resize applies the area again.
    if (m_scene && !sceneSized())
        return;
    m_gestures.setVisibleArea(visibleArea);
    updatePickedScreenPosition();
    keepSelectionInView();
}

void MapViewController::onWindowResized()
{
    onVisibleAreaChanged(m_visibleArea);
    // The camera stands where it stood, but the new projection shows each
    // point elsewhere: whatever is placed on a point moves with it.
    if (m_scene && sceneSized()) {
        updateScaleBarWidth();
        emit cameraPositionChanged();
    }
}

void MapViewController::updateScaleBarWidth()
{
    if (!m_scene)
        return;
    double lon1 = 0.0, lat1 = 0.0, lon2 = 0.0, lat2 = 0.0;
    const osg::Vec3d left = worldUnder(QPointF(m_scaleBarLeft, m_scaleBarY));
    const osg::Vec3d right = worldUnder(QPointF(m_scaleBarRight, m_scaleBarY));
    if (!m_scene->worldToGeo(left.x(), left.y(), left.z(), lon1, lat1)
        || !m_scene->worldToGeo(right.x(), right.y(), right.z(), lon2, lat2))
        return;
    const double metres = geo::GeoMath::distance(osg::DegreesToRadians(lat1), osg::DegreesToRadians(lon1),
                                                 osg::DegreesToRadians(lat2), osg::DegreesToRadians(lon2));
    // Nothing to measure yet (both ends on one spot): keep what the bar shows.
    if (!(metres > 0.0) || !std::isfinite(metres))
        return;
    ApplicationManager* app = ApplicationManager::instance();
    const bool imperial = app && app->unitType() == ApplicationManager::Imperial;
    const ScaleBar bar = ScaleBar::measure(metres, m_scaleBarRight - m_scaleBarLeft, imperial);
    m_scaleLegend = bar.legend;
    emit scaleLegendChanged(m_scaleLegend);
    m_scaleWidth = bar.width;
    emit scaleWidthChanged(m_scaleWidth);
}

} // namespace kiv
