#pragma once

#include "geo/Bounds.h"
#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/MapNode.h"
#include "geo/SpatialReference.h"
#include "geo/TileLoader.h"
#include "map/MapCameraManipulator.h"

#include <osg/Camera>
#include <osg/Group>
#include <osg/MatrixTransform>
#include <osg/Uniform>
#include <osg/ref_ptr>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/Viewer>

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QQuickWindow>
#include <QRectF>
#include <QSize>
#include <QTimer>
#include <QUrl>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <memory>

namespace kiv {

class GLRenderItem;
class QtNotifyHandler;
class Tool;

// The map scene: a scene-graph viewer that draws the map and the project's
// render items into Qt Quick's OpenGL context, underneath the QML interface.
// The frame runs on the thread that renders the window; everything else on
// the GUI thread. Lock order: scene mutex, then render-list mutex.
class GLRender : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(bool loadingTiles READ loadingTiles NOTIFY loadingTilesChanged)

public:
    // The current tool's part of a frame, until the tool base offers one.

    static constexpr int RedrawInterval = 16;
    static constexpr int IdleTicksBeforeStop = 10;
    // Time a frame spends rebuilding dirty items before it leaves the rest
    // to the next frames, so a large project fills in without freezing.
    static constexpr int DefaultItemBuildBudget = 8;

    explicit GLRender(QQuickWindow* window, QObject* parent = nullptr);
    ~GLRender() override;

    bool enabled() const { return m_enabled; }
    bool loadingTiles() const { return m_loadingTiles; }
    bool isSetUp() const { return m_osgInitialised; }

    void addRenderItem(const std::shared_ptr<GLRenderItem>& item);
    void removeRenderItem(const std::shared_ptr<GLRenderItem>& item);
    QList<std::shared_ptr<GLRenderItem>> renderItems() const;
    void addNode(const osg::ref_ptr<osg::Node>& node);
    void removeNode(const osg::ref_ptr<osg::Node>& node);
    void clearScene();

    // Window positions in logical pixels, top-left origin.
    osg::Vec3d screenToWorld(double x, double y) const;
    osg::Vec3d unproject(double x, double y, const osg::Camera* camera) const;
    QPointF worldToScreen(const osg::Vec3d& world) const;
    // Normalised device coordinates (-1..1, y up) to a window of that size, y down.
    static QPointF ndcToWindow(double x, double y, const QSizeF& window);
    QPointF worldToScreenXY(double x, double y) const;
    bool worldToGeo(double x, double y, double z, double& longitude, double& latitude) const;
    bool screenToGeo(double x, double y, double& longitude, double& latitude) const;
    // x: longitude span, y: latitude span, width: west longitude, height:
    // north latitude (of the top-left corner).
    QRectF visibleGeoRect() const;
    QSize windowSize() const;
    // The window's size in logical pixels; empty without a window.
    QSizeF logicalWindowSize() const;

    void updateCamera();
    void updateProjection(osg::Camera* camera, double distance) const;

    MapCameraManipulator& cameraManipulator() { return m_cameraManipulator; }
    const MapCameraManipulator& cameraManipulator() const { return m_cameraManipulator; }
    osg::Camera* camera() { return m_viewer.getCamera(); }
    const osg::Camera* camera() const { return m_viewer.getCamera(); }
    QQuickWindow* window() const { return m_window; }
    const geo::SpatialReference* mapSRS() const { return m_mapSRS.get(); }
    const geo::SpatialReference* geographicSRS() const { return m_geoSRS.get(); }

    geo::Map* map() const { return m_map.get(); }
    geo::MapNode* mapNode() const { return m_mapNode.get(); }
    geo::ImageLayer* gridLayer() const { return m_gridLayer.get(); }
    geo::ImageLayer* onlineLayer() const { return m_onlineLayer.get(); }
    geo::ImageLayer* baseMapLayer(const QUrl& url) const { return m_baseMapLayers.value(url).get(); }
    geo::TileLoader* tileLoader() const { return m_tileLoader.get(); }

    osg::Group* root() const { return m_root.get(); }
    osg::MatrixTransform* sceneTransform() const { return m_sceneTransform.get(); }
    osg::Group* renderItemGroup() const { return m_renderItemGroup.get(); }
    osg::Uniform* screenSizeUniform() const { return m_screenSize.get(); }
    osgViewer::GraphicsWindowEmbedded* graphicsWindow() const { return m_graphicsWindow.get(); }
    int maxTextureSize() const { return m_maxTextureSize; }
    int stencilBits() const { return m_stencilBits; }
    bool isRedrawTimerActive() const { return m_redrawTimer->isActive(); }
    // Milliseconds; every frame builds at least one dirty item.
    int itemBuildBudget() const { return m_itemBuildBudget; }
    void setItemBuildBudget(int msec) { m_itemBuildBudget = msec; }
    // True while the last frame left dirty items it had no time for.
    bool itemsPending() const { return m_itemsPending; }
    // Milliseconds the last frame spent rebuilding items.
    double lastItemBuildTime() const { return m_lastItemBuildTime; }

    // Guards the scene graph and the map's layers for a whole frame; GUI-side
    // layer operations take it too.
    QMutex& sceneMutex() { return m_sceneMutex; }

    // Base maps: the one given index i sits at map index i + 2, above the
    // online layer (0) and the grid (1). A URL already present is only moved
    // and restyled.
    void addImageLayer(const QUrl& url, int index, double opacity, bool visible);
    void addMBTilesLayer(const QUrl& url, int index, double opacity, bool visible);
    void clearMapLayers();
    void setLayerOpacity(const QUrl& url, float opacity);
    void setLayerVisible(const QUrl& url, bool visible);
    // The base map's data bounds in longitude/latitude; invalid for an
    // unknown URL or a source that failed to open.
    geo::Bounds getLayerExtent(const QUrl& url) const;
    // The highest camera altitude at which the map draws the base map from
    // its own coarsest level (a package may hold a single one); infinite for
    // an unknown URL or without a viewport.
    double coarsestAltitude(const QUrl& url) const;

    // The online layer of a project base-tile kind (0 satellite, 1 street
    // map, 2 terrain, 3 the project's own address). Built-in kinds are built
    // once; the custom kind on every call.
    void setOnlineMap(int kind);
    int onlineLayerKind() const { return m_onlineLayerKind; }
    bool isOnline() const { return m_online; }
    // The tile address of a built-in kind from the configured service;
    // empty when the service or the kind's map is not configured.
    static QString builtInTileUrl(int kind);

public slots:
    void update(bool updateTimer);
    void update();
    void render();
    void postRender();
    void setEnabled(bool arg);
    void onResize();
    void updateTimer(bool forceStart);
    void updateTimer();
    void removeMapLayer(QUrl url);
    void onOnlineStatusChanged(bool isOnline);

signals:
    void enabledChanged(bool arg);
    void loadingTilesChanged(bool loadingTiles);

private:
    void connectWindow();
    void createMap();
    void setupOSG();
    void setupOsgEarth();
    void updateMapNode();
    bool rebuildDirtyItems();
    void rebuildItem(GLRenderItem& item);
    void resyncSceneGraphState();
    void restoreVertexAttribArrays(int count);
    void recordVertexAttribArrays(int count);
    double glMultiplier() const;
    void setViewportFromWindow();
    void setLoadingTiles(bool loading);
    bool placeExistingBaseMap(const QUrl& url, int index);
    bool baseMapFileExists(const QUrl& url) const;
    osg::ref_ptr<geo::ImageLayer> earthFileLayer(const QString& path) const;
    void insertBaseMap(const QUrl& url, int index, const osg::ref_ptr<geo::ImageLayer>& layer);
    void dropOnlineLayer();

    QPointer<QQuickWindow> m_window;
    osg::ref_ptr<QtNotifyHandler> m_notifyHandler;
    MapCameraManipulator m_cameraManipulator;
    QList<std::shared_ptr<GLRenderItem>> m_renderList;
    mutable QMutex m_renderListMutex;
    QMutex m_sceneMutex;
    QWaitCondition m_setupCondition;
    bool m_enabled = true;
    bool m_loadingTiles = false;
    bool m_osgInitialised = false;
    osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> m_graphicsWindow;
    osg::ref_ptr<osg::Group> m_root;
    osg::ref_ptr<osg::MatrixTransform> m_sceneTransform;
    osgViewer::Viewer m_viewer;
    osg::ref_ptr<osg::Group> m_renderItemGroup;
    osg::ref_ptr<osg::Uniform> m_screenSize;
    osg::ref_ptr<geo::SpatialReference> m_mapSRS;
    osg::ref_ptr<const geo::SpatialReference> m_geoSRS;
    osg::ref_ptr<geo::Map> m_map;
    osg::ref_ptr<geo::MapNode> m_mapNode;
    osg::ref_ptr<geo::ImageLayer> m_onlineLayer;
    osg::ref_ptr<geo::ImageLayer> m_gridLayer;
    QMap<QUrl, osg::ref_ptr<geo::ImageLayer>> m_baseMapLayers;
    QMap<int, bool> m_vertexAttribStates;
    QTimer* m_redrawTimer = nullptr;
    int m_itemBuildBudget = DefaultItemBuildBudget;
    // Where the next frame starts its rebuild pass, so that items that stay
    // dirty cannot starve the ones after them.
    int m_rebuildCursor = 0;
    std::atomic<bool> m_itemsPending{false};
    std::atomic<double> m_lastItemBuildTime{0.0};
    int m_maxTextureSize = 4096;
    int m_stencilBits = 8;
    bool m_online = false;
    bool m_onlineStatusKnown = false;
    int m_onlineLayerKind = 2;
    std::shared_ptr<geo::TileLoader> m_tileLoader;
};

} // namespace kiv
