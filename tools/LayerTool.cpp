#include "tools/LayerTool.h"

#include "Database/CommandManager.h"
#include "Database/ObjectTaskRunner.h"
#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "geo/Bounds.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/AddBaseMapCommand.h"
#include "model/MapLayerListModel.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/RemoveBaseMapCommand.h"
#include "model/StorageStep.h"
#include "tools/AddLayerTask.h"

#include <QDebug>
#include <QQmlEngine>

namespace kiv {

namespace {

constexpr int ToastMs = 2000;

LayerTool::BaseLayer baseLayerOf(int kind)
{
    switch (kind) {
    case LayerTool::Base_Satellite:
    case LayerTool::Base_Map:
    case LayerTool::Base_Custom:
        return LayerTool::BaseLayer(kind);
    default:
        return LayerTool::Base_Terrain;
    }
}

bool hasArea(const QRectF& extent)
{
    return extent.width() > 0.0 && extent.height() > 0.0;
}

} // namespace

LayerTool::LayerTool(QObject* parent)
    : Tool(parent)
{
    if (const std::shared_ptr<Project> project = AppContext::currentProject()) {
        m_baseLayer = baseLayerOf(project->baseTileLayer());
        m_layerURL = project->baseMapUrl();
    }
}

LayerTool::~LayerTool() = default;

QObject* LayerTool::layerModel() const
{
    return m_layerModel.get();
}

std::shared_ptr<Project> LayerTool::projectWithLayer(int layer)
{
    std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project || layer < 0 || layer >= static_cast<int>(project->baseMaps().size()))
        return nullptr;
    return project;
}

bool LayerTool::saveProject(Project& project)
{
    return runStorageStep("LayerTool: saving the project failed:", [&] { return project.save(); });
}

void LayerTool::setBaseLayer(BaseLayer layer)
{
    if (layer == m_baseLayer)
        return;
    m_baseLayer = layer;
    if (GLRender* scene = mapView() ? mapView()->scene() : nullptr)
        scene->setOnlineMap(layer);
    if (const std::shared_ptr<Project> project = AppContext::currentProject()) {
        project->setBaseTileLayer(layer);
        saveProject(*project);
    }
    emit baseLayerChanged(layer);
}

void LayerTool::setLayerURL(const QString& url)
{
    if (url == m_layerURL)
        return;
    m_layerURL = url;
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (project)
        project->setBaseMapUrl(url);
    if (m_baseLayer != Base_Custom) {
        setBaseLayer(Base_Custom);
    } else {
        if (GLRender* scene = mapView() ? mapView()->scene() : nullptr)
            scene->setOnlineMap(Base_Custom);
        // The new address must survive a restart as well.
        if (project)
            saveProject(*project);
    }
    emit layerURLChanged(url);
}

void LayerTool::toolActivated()
{
    Tool::toolActivated();
    ensureLayerModel();
}

void LayerTool::ensureLayerModel()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!m_layerModel) {
        qDebug() << "Creating Data Model";
        m_layerModel = std::make_unique<MapLayerListModel>(project.get());
        // The tool owns it; QML must never collect it.
        QQmlEngine::setObjectOwnership(m_layerModel.get(), QQmlEngine::CppOwnership);
        m_layerModel->updateData();
        emit layerModelChanged(m_layerModel.get());
    } else {
        m_layerModel->updateData();
    }
    if (project)
        connect(project.get(), &Project::baseMapsChanged, m_layerModel.get(), &MapLayerListModel::updateData,
                Qt::UniqueConnection);
}

void LayerTool::refreshLayerModel()
{
    if (m_layerModel)
        m_layerModel->updateData();
}

void LayerTool::setLayerVisible(int layer, bool visible)
{
    const std::shared_ptr<Project> project = projectWithLayer(layer);
    if (!project)
        return;
    Project::BaseMap& map = project->baseMaps()[std::size_t(layer)];
    map.active = visible;
    saveProject(*project);
    if (GLRender* scene = mapView() ? mapView()->scene() : nullptr)
        scene->setLayerVisible(map.location, visible);
    refreshLayerModel();
}

void LayerTool::previewLayerOpacity(int layer, double opacity)
{
    const std::shared_ptr<Project> project = projectWithLayer(layer);
    GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    if (project && scene)
        scene->setLayerOpacity(project->baseMaps()[std::size_t(layer)].location, float(opacity));
}

bool LayerTool::setLayerOpacity(int layer, double opacity)
{
    const std::shared_ptr<Project> project = projectWithLayer(layer);
    if (!project)
        return false;
    double& held = project->baseMaps()[std::size_t(layer)].opacity;
    const double before = held;
    held = opacity;
    const bool saved = saveProject(*project);
    // The map shows what the project holds.
    if (!saved) {
        held = before;
        if (const std::shared_ptr<DialogController> dialog = AppContext::dialogs())
            dialog->toastError(QStringLiteral("Failed to save project"), ToastMs);
    }
    previewLayerOpacity(layer, held);
    refreshLayerModel();
    return saved;
}

void LayerTool::addLayer(const QUrl& filePath, int)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return;
    const std::size_t before = project->baseMaps().size();
    const QString fileName = filePath.fileName();
    const std::shared_ptr<DialogController> dialog = AppContext::dialogs();
    if (dialog)
        dialog->modalWait(QStringLiteral("Loading Layer..."));

    auto command = std::make_shared<AddBaseMapCommand>();
    command->setUrl(filePath);
    command->setIndex(0);
    auto task = std::make_unique<AddLayerTask>(command, mapView() ? mapView()->scene() : nullptr);
    ObjectTaskRunner::instance()->runAndWait(task.get());

    if (dialog)
        dialog->modalWait(false);
    if (!task->successful()) {
        if (dialog)
            dialog->toastError(task->errorMessage(), ToastMs);
        return;
    }
    const bool added = project->baseMaps().size() > before && keepNewLayer(*project);
    refreshLayerModel();
    if (!dialog)
        return;
    if (added)
        dialog->toastOk(QStringLiteral("Added new map layer ") + fileName, ToastMs);
    else
        dialog->toastError(QStringLiteral("Failed to add map layer from ") + fileName, ToastMs);
}

bool LayerTool::keepNewLayer(Project& project)
{
    MapViewController* map = mapView();
    GLRender* scene = map ? map->scene() : nullptr;
    if (map)
        map->updateMapLayers();
    Project::BaseMap& layer = project.baseMaps().front();
    const geo::Bounds extent = scene ? scene->getLayerExtent(layer.location) : geo::Bounds();
    if (MapViewController::boundsValid(extent)) {
        if (!hasArea(layer.extent)) {
            layer.extent = QRectF(extent.xMin(), extent.yMin(), extent.xMax() - extent.xMin(),
                                  extent.yMax() - extent.yMin());
        }
        return true;
    }
    // Record and copies go together: a record alone would be a broken layer
    // at every start.
    auto remove = std::make_shared<RemoveBaseMapCommand>();
    remove->setBaseMap(layer);
    remove->setIndex(0);
    AppContext::runCommand(remove);
    return false;
}

void LayerTool::removeLayer(int selected)
{
    const std::shared_ptr<Project> project = projectWithLayer(selected);
    if (!project)
        return;
    auto command = std::make_shared<RemoveBaseMapCommand>();
    command->setBaseMap(project->baseMaps()[std::size_t(selected)]);
    command->setIndex(selected);
    AppContext::runCommand(command);
}

void LayerTool::moveLayer(int from, int to)
{
    const std::shared_ptr<Project> project = projectWithLayer(from);
    if (!project || from == to || !projectWithLayer(to))
        return;
    ensureLayerModel();
    m_layerModel->move(from, to);
    saveProject(*project);
    if (MapViewController* map = mapView())
        map->updateMapLayers();
}

void LayerTool::snapToLayerBounds(int layer)
{
    const std::shared_ptr<Project> project = projectWithLayer(layer);
    MapViewController* map = mapView();
    GLRender* scene = map ? map->scene() : nullptr;
    if (!project || !scene || !scene->geographicSRS() || !scene->mapSRS())
        return;
    const Project::BaseMap& baseMap = project->baseMaps()[std::size_t(layer)];
    const QRectF extent = baseMap.extent;
    if (!hasArea(extent))
        return;
    double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
    if (!scene->geographicSRS()->transform2D(extent.x(), extent.y(), scene->mapSRS(), west, south)
        || !scene->geographicSRS()->transform2D(extent.x() + extent.width(), extent.y() + extent.height(),
                                                 scene->mapSRS(), east, north))
        return;
    // A package holding only finer levels shows nothing higher up.
    map->snapToBounds(osg::BoundingBoxd(west, south, 0.0, east, north, 0.0),
                      scene->coarsestAltitude(baseMap.location));
}

} // namespace kiv
