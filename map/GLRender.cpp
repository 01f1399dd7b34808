#include "map/GLRender.h"

#include "app/AppContext.h"
#include "tools/Tool.h"

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "app/MainView.h"
#include "app/OnlineTileSettings.h"
#include "geo/EarthFile.h"
#include "geo/GeoPoint.h"
#include "geo/ImageLayerOptions.h"
#include "geo/MapOptions.h"
#include "geo/XmlDocument.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"
#include "geo/drivers/XYZOptions.h"
#include "map/GLRenderItem.h"
#include "map/GridTileSource.h"
#include "map/OSGKIVWindowingSystem.h"
#include "map/QtNotifyHandler.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <osg/StateSet>

#include <QCryptographicHash>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutexLocker>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QThread>

#include <cmath>
#include <limits>

namespace kiv {

namespace {

// Shared by every scene: ticks without tile requests since the redraw timer
// was last started.
int s_idleTicks = 0;

const double Tan30 = std::tan(30.0 * M_PI / 180.0);
constexpr double DefaultFar = 10000.0;

// Map indices below the base maps: the online layer, then the grid.
constexpr int BaseMapOffset = 2;
constexpr unsigned OnlineMaxLevel = 19;
constexpr int CustomOnlineKind = 3;
constexpr int OnlineToastDuration = 2000;

unsigned mapIndexOf(int baseMapIndex)
{
    return unsigned(std::max(0, baseMapIndex) + BaseMapOffset);
}

} // namespace

GLRender::GLRender(QQuickWindow* window, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_cameraManipulator(this)
{
    connectWindow();

    m_redrawTimer = new QTimer(this);
    m_redrawTimer->setInterval(RedrawInterval);
    connect(m_redrawTimer, &QTimer::timeout, this, qOverload<>(&GLRender::update));

    m_notifyHandler = new QtNotifyHandler;
    osg::setNotifyHandler(m_notifyHandler.get());

    m_mapSRS = geo::SpatialReference::create(QStringLiteral("epsg:3785"));
    if (m_mapSRS)
        m_geoSRS = m_mapSRS->getGeographicSRS();

    // The map needs no GL context, so layer operations never wait for a frame.
    createMap();
    // Conversions and camera limits work before the first frame.
    setViewportFromWindow();

    if (m_mapSRS) {
        const QSizeF size = logicalWindowSize();
        m_cameraManipulator.setLimits(0.0, 0.0, size.width(), size.height());
        m_cameraManipulator.setAltitude(30000.0);
    }
}

GLRender::~GLRender()
{
    m_redrawTimer->stop();
    if (m_window) {
        disconnect(m_window, nullptr, this, nullptr);
        // Let the scene graph delete its GL objects in the context they
        // belong to; only possible on the context's own thread.
        QOpenGLContext* context = m_window->openglContext();
        if (context && context->thread() == QThread::currentThread()
            && QOpenGLContext::currentContext() != context)
            context->makeCurrent(m_window);
    }
    if (m_graphicsWindow) {
        OSGKIVWindowingSystem* windowing = OSGKIVWindowingSystem::instance();
        if (windowing->graphicsWindow() == m_graphicsWindow.get())
            windowing->setGraphicsWindow(nullptr);
    }
    QMutexLocker lock(&m_renderListMutex);
    for (const auto& item : m_renderList)
        item->setOwner(nullptr);
    m_renderList.clear();
}

void GLRender::connectWindow()
{
    if (!m_window)
        return;
    if (auto* view = qobject_cast<MainView*>(m_window.data())) {
        connect(view, &MainView::resized, this, &GLRender::onResize);
        connect(this, &GLRender::loadingTilesChanged, view, &MainView::loadingTilesChanged);
    } else {
        connect(m_window, &QWindow::widthChanged, this, &GLRender::onResize);
        connect(m_window, &QWindow::heightChanged, this, &GLRender::onResize);
    }
    connect(m_window, &QQuickWindow::beforeRendering, this, &GLRender::render,
            Qt::DirectConnection);
    connect(m_window, &QQuickWindow::beforeRendering, this, &GLRender::postRender,
            Qt::DirectConnection);
    if (ApplicationManager* manager = ApplicationManager::instance())
        connect(this, &GLRender::loadingTilesChanged, manager,
                &ApplicationManager::onLoadingTilesChanged);
}

void GLRender::createMap()
{
    geo::MapOptions options;
    options.setCoordSysType(geo::MapOptions::CSTYPE_PROJECTED);
    if (ApplicationManager* manager = ApplicationManager::instance())
        options.setCache(geo::CacheOptions(QStringLiteral("filesystem"), manager->cachePath()));
    m_map = new geo::Map(options);

    geo::Drivers::GridTileOptions grid;
    grid.setMaxDataLevel(19);
    m_gridLayer = new geo::ImageLayer(geo::ImageLayerOptions(QStringLiteral("GridTiles"), grid));
    m_map->insertImageLayer(m_gridLayer.get(), 1);
    m_tileLoader = std::make_shared<geo::TileLoader>();
}

double GLRender::glMultiplier() const
{
    ApplicationManager* manager = ApplicationManager::instance();
    return manager ? manager->physicalToGLMultiplier() : 1.0;
}

QSizeF GLRender::logicalWindowSize() const
{
    return m_window ? QSizeF(m_window->width(), m_window->height()) : QSizeF(0.0, 0.0);
}

void GLRender::setViewportFromWindow()
{
    const float s = float(glMultiplier());
    const QSizeF size = logicalWindowSize();
    camera()->setViewport(new osg::Viewport(0.0, 0.0, size.width() * s, size.height() * s));
}

// --- properties and slots ----------------------------------------------------

void GLRender::setEnabled(bool arg)
{
    if (m_enabled == arg)
        return;
    m_enabled = arg;
    emit enabledChanged(arg);
}

void GLRender::update(bool updateTimer)
{
    if (m_window)
        m_window->update();
    if (updateTimer)
        this->updateTimer(false);
}

void GLRender::update()
{
    update(true);
}

void GLRender::postRender() {}

void GLRender::onResize()
{
    {
        QMutexLocker lock(&m_sceneMutex);
        const float s = float(glMultiplier());
        const QSizeF size = logicalWindowSize();
        // The context first: it scales the viewports it knows; ours is set exactly after.
        if (m_graphicsWindow)
            m_graphicsWindow->resized(0, 0, int(size.width() * s), int(size.height() * s));
        setViewportFromWindow();
        if (m_screenSize)
            m_screenSize->set(osg::Vec2f(size.width() * s, size.height() * s));
    }
    // The new size is drawn now, not with the next input.
    update(true);
}

void GLRender::updateTimer(bool /*forceStart*/)
{
    if (QThread::currentThread() != thread())
        return;
    osgViewer::ViewerBase::Views views;
    m_viewer.getViews(views, true);
    if (views.empty())
        return;
    const bool tiles = m_tileLoader && m_tileLoader->requestsInProgress() > 0;
    // Items left dirty by a frame's time budget need frames as much as tiles do.
    if (tiles || m_itemsPending) {
        if (!m_redrawTimer->isActive()) {
            qDebug() << "Starting Redraw Timer";
            m_redrawTimer->start();
            s_idleTicks = 0;
        }
        if (tiles)
            setLoadingTiles(true);
        return;
    }
    if (s_idleTicks < std::numeric_limits<int>::max())
        ++s_idleTicks;
    if (s_idleTicks > IdleTicksBeforeStop && m_redrawTimer->isActive()) {
        qDebug() << "Stoping Redraw Timer";
        m_redrawTimer->stop();
        setLoadingTiles(false);
    }
}

void GLRender::setLoadingTiles(bool loading)
{
    if (m_loadingTiles == loading)
        return;
    m_loadingTiles = loading;
    emit loadingTilesChanged(loading);
}

void GLRender::updateTimer()
{
    updateTimer(false);
}

// --- render items and nodes --------------------------------------------------

void GLRender::addRenderItem(const std::shared_ptr<GLRenderItem>& item)
{
    if (!item || item->owner() == this)
        return;
    QMutexLocker lock(&m_renderListMutex);
    item->setOwner(this);
    m_renderList.append(item);
    item->setDirty(true);
}

void GLRender::removeRenderItem(const std::shared_ptr<GLRenderItem>& item)
{
    QMutexLocker lock(&m_renderListMutex);
    const int index = m_renderList.indexOf(item);
    if (index < 0)
        return;
    m_renderList.removeAt(index);
    if (m_renderItemGroup && item->node())
        m_renderItemGroup->removeChild(item->node());
    item->setOwner(nullptr);
}

QList<std::shared_ptr<GLRenderItem>> GLRender::renderItems() const
{
    QMutexLocker lock(&m_renderListMutex);
    return m_renderList;
}

void GLRender::addNode(const osg::ref_ptr<osg::Node>& node)
{
    if (m_sceneTransform && node)
        m_sceneTransform->addChild(node.get());
}

void GLRender::removeNode(const osg::ref_ptr<osg::Node>& node)
{
    if (m_sceneTransform && node)
        m_sceneTransform->removeChild(node.get());
}

void GLRender::clearScene()
{
    QMutexLocker lock(&m_sceneMutex);
    m_viewer.setSceneData(nullptr);
}

// --- coordinates -------------------------------------------------------------

osg::Vec3d GLRender::screenToWorld(double x, double y) const
{
    return unproject(x, y, camera());
}

osg::Vec3d GLRender::unproject(double x, double y, const osg::Camera* camera) const
{
    if (!camera)
        return osg::Vec3d();
    const double s = glMultiplier();
    osg::Matrixd transform = camera->getViewMatrix() * camera->getProjectionMatrix();
    if (const osg::Viewport* viewport = camera->getViewport())
        transform = transform * viewport->computeWindowMatrix();
    osg::Matrixd inverse;
    if (!inverse.invert(transform))
        return osg::Vec3d();
    const double height = logicalWindowSize().height();
    return osg::Vec3d(x * s, (height - y) * s, -1.0) * inverse;
}

QPointF GLRender::worldToScreen(const osg::Vec3d& world) const
{
    // Double precision: map coordinates run to 2e7 and single precision
    // would move symbols by metres when zoomed in.
    const osg::Vec3d ndc = world * (camera()->getViewMatrix() * camera()->getProjectionMatrix());
    return ndcToWindow(ndc.x(), ndc.y(), logicalWindowSize());
}

QPointF GLRender::ndcToWindow(double x, double y, const QSizeF& window)
{
    return QPointF((x + 1.0) * window.width() * 0.5, window.height() - (y + 1.0) * window.height() * 0.5);
}

QPointF GLRender::worldToScreenXY(double x, double y) const
{
    return worldToScreen(osg::Vec3d(x, y, 0.0));
}

bool GLRender::worldToGeo(double x, double y, double z, double& longitude, double& latitude) const
{
    geo::GeoPoint point;
    geo::GeoPoint geographic;
    if (!point.fromWorld(m_mapSRS.get(), osg::Vec3d(x, y, z))
        || !point.transform(m_geoSRS.get(), geographic))
        return false;
    longitude = geographic.x();
    latitude = geographic.y();
    return true;
}

bool GLRender::screenToGeo(double x, double y, double& longitude, double& latitude) const
{
    const osg::Vec3d world = screenToWorld(x, y);
    return worldToGeo(world.x(), world.y(), world.z(), longitude, latitude);
}

QRectF GLRender::visibleGeoRect() const
{
    const QSizeF size = logicalWindowSize();
    double lon1 = 0.0, lat1 = 0.0, lon2 = 0.0, lat2 = 0.0;
    screenToGeo(0.0, 0.0, lon1, lat1);
    screenToGeo(size.width(), size.height(), lon2, lat2);
    return QRectF(std::abs(lon2 - lon1), std::abs(lat2 - lat1), lon1, lat1);
}

QSize GLRender::windowSize() const
{
    const double s = glMultiplier();
    const QSizeF size = logicalWindowSize();
    return QSize(int(size.width() * s), int(size.height() * s));
}

void GLRender::updateCamera()
{
    const osg::Vec3d position = m_cameraManipulator.position();
    const double altitude = m_cameraManipulator.altitude();
    const osg::Vec3d eye(position.x(), position.y(), position.z() + altitude);
    camera()->setViewMatrixAsLookAt(eye, position, osg::Vec3d(0.0, 1.0, 0.0));
    updateProjection(camera(), altitude);
}

void GLRender::updateProjection(osg::Camera* camera, double distance) const
{
    double farPlane = DefaultFar;
    if (m_root) {
        const osg::BoundingSphere& bound = m_root->getBound();
        if (bound.valid())
            farPlane = 10.0 * bound.radius();
    }
    const double nearPlane = farPlane / 10000.0;
    const double h = distance * Tan30;
    const QSizeF size = logicalWindowSize();
    const double aspect = size.height() < 1.0 ? 1.0 : size.width() / size.height();
    camera->setProjectionMatrixAsOrtho(-h * aspect, h * aspect, -h, h, nearPlane, farPlane);
}

// --- the frame ---------------------------------------------------------------

void GLRender::render()
{
    QMutexLocker sceneLock(&m_sceneMutex);
    if (!m_enabled || !QOpenGLContext::currentContext()) {
        // A hidden map needs no frames; its dirty items wait for it to show.
        m_itemsPending = false;
        if (m_window)
            m_window->resetOpenGLState();
        return;
    }
    if (m_window)
        m_window->resetOpenGLState();

    if (!m_osgInitialised) {
        setupOSG();
        setupOsgEarth();
        m_osgInitialised = true;
        m_setupCondition.wakeAll();
    }

    const bool itemsLeft = rebuildDirtyItems();
    updateMapNode();
    updateCamera();
    if (m_mapNode && m_viewer.getSceneData())
        m_mapNode->update(*camera());

    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    GLint attribCount = 0;
    gl->glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &attribCount);
    restoreVertexAttribArrays(attribCount);
    resyncSceneGraphState();

    ApplicationManager* manager = ApplicationManager::instance();
    if (Tool* tool = manager ? manager->currentTool() : nullptr)
        tool->frame(this);

    m_viewer.frame(USE_REFERENCE_TIME);

    recordVertexAttribArrays(attribCount);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (m_window)
        m_window->resetOpenGLState();

    // Tiles asked for by this frame, and items it had no time for, keep
    // frames coming until they are done.
    const bool itemsStarted = itemsLeft && !m_itemsPending;
    m_itemsPending = itemsLeft;
    if ((m_tileLoader->requestsInProgress() > 0 && !m_loadingTiles) || itemsStarted)
        QMetaObject::invokeMethod(this, qOverload<>(&GLRender::updateTimer), Qt::QueuedConnection);
}

bool GLRender::rebuildDirtyItems()
{
    QMutexLocker lock(&m_renderListMutex);
    QElapsedTimer clock;
    clock.start();
    const int count = m_renderList.size();
    const int start = count > 0 ? m_rebuildCursor % count : 0;
    // Freshly marked items first, within the budget; the first one left
    // over starts the next frame's pass.
    bool built = false;
    bool left = false;
    for (int step = 0; step < count; ++step) {
        const int index = (start + step) % count;
        GLRenderItem& item = *m_renderList.at(index);
        if (!item.isFreshlyDirty())
            continue;
        if (built && clock.elapsed() >= m_itemBuildBudget) {
            m_rebuildCursor = index;
            left = true;
            break;
        }
        rebuildItem(item);
        built = true;
    }
    // Items that had nothing to draw are looked at again while time is left;
    // they never keep frames coming.
    for (int index = 0; index < count && clock.elapsed() < m_itemBuildBudget; ++index) {
        GLRenderItem& item = *m_renderList.at(index);
        if (item.isDirty() && !item.isFreshlyDirty())
            rebuildItem(item);
    }
    m_lastItemBuildTime = double(clock.nsecsElapsed()) / 1e6;
    return left;
}

void GLRender::rebuildItem(GLRenderItem& item)
{
    if (item.node())
        m_renderItemGroup->removeChild(item.node());
    item.noteBuildStarted();
    item.buildNode();
    if (item.node())
        m_renderItemGroup->addChild(item.node());
}

void GLRender::restoreVertexAttribArrays(int count)
{
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    for (int i = 0; i < count; ++i) {
        auto state = m_vertexAttribStates.find(i);
        if (state == m_vertexAttribStates.end())
            state = m_vertexAttribStates.insert(i, false);
        if (state.value())
            gl->glEnableVertexAttribArray(GLuint(i));
    }
}

void GLRender::recordVertexAttribArrays(int count)
{
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    for (int i = 0; i < count; ++i) {
        GLint enabled = 0;
        gl->glGetVertexAttribiv(GLuint(i), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        m_vertexAttribStates[i] = enabled != 0;
    }
}

void GLRender::resyncSceneGraphState()
{
    // Qt Quick's reset unbound buffers, program and textures and changed
    // modes behind the scene graph's back; make it apply everything afresh.
    osg::State* state = m_graphicsWindow ? m_graphicsWindow->getState() : nullptr;
    if (!state)
        return;
    // Modes are told their real value: marking them dirty would only flip
    // what the scene graph believes, which is wrong whenever it believed
    // right (blending after a frame that ended with it off).
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    for (GLenum mode : {GLenum(GL_BLEND), GLenum(GL_DEPTH_TEST), GLenum(GL_STENCIL_TEST),
                        GLenum(GL_SCISSOR_TEST), GLenum(GL_CULL_FACE),
                        GLenum(GL_POLYGON_OFFSET_FILL), GLenum(GL_SAMPLE_ALPHA_TO_COVERAGE),
                        GLenum(GL_DITHER)})
        state->haveAppliedMode(mode, gl->glIsEnabled(mode) ? osg::StateAttribute::ON
                                                           : osg::StateAttribute::OFF);
    state->dirtyAllAttributes();
    state->dirtyAllVertexArrays();
    state->setLastAppliedProgramObject(nullptr);
    if (osg::VertexArrayState* arrays = state->getCurrentVertexArrayState())
        arrays->resetBufferObjectPointers();
    state->setCurrentVertexArrayObject(0);
    state->setCurrentPixelBufferObject(nullptr);
    gl->glActiveTexture(GL_TEXTURE0);
    state->setActiveTextureUnit(0);
}

void GLRender::setupOSG()
{
    qDebug() << "GLRender::setupOSG";
    m_root = new osg::Group;
    m_sceneTransform = new osg::MatrixTransform;
    m_root->addChild(m_sceneTransform.get());
    m_renderItemGroup = new osg::Group;
    m_sceneTransform->addChild(m_renderItemGroup.get());
    m_viewer.setSceneData(m_root.get());

    const float s = float(glMultiplier());
    const QSizeF size = logicalWindowSize();
    const float width = float(size.width()) * s;
    const float height = float(size.height()) * s;
    m_graphicsWindow = new osgViewer::GraphicsWindowEmbedded(0, 0, int(width), int(height));
    osg::Camera* cam = camera();
    cam->setViewport(new osg::Viewport(0.0, 0.0, width, height));
    cam->setGraphicsContext(m_graphicsWindow.get());
    cam->setClearColor(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    cam->setClearStencil(0);
    cam->setClearMask(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    m_viewer.setLightingMode(osg::View::NO_LIGHT);

    m_viewer.setThreadingModel(osgViewer::ViewerBase::SingleThreaded);

    osgViewer::ViewerBase::Contexts contexts;
    m_viewer.getContexts(contexts, true);
    for (osg::GraphicsContext* context : contexts) {
        context->getState()->setUseModelViewAndProjectionUniforms(true);
        context->getState()->setUseVertexAttributeAliasing(true);
    }

    OSGKIVWindowingSystem::instance()->setGraphicsWindow(m_graphicsWindow.get());

    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    GLint value = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    if (value != 0)
        m_maxTextureSize = value;
    value = 0;
    gl->glGetIntegerv(GL_STENCIL_BITS, &value);
    m_stencilBits = value;
    const auto* renderer = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
    if (ApplicationManager* manager = ApplicationManager::instance())
        manager->setGlRenderer(QString::fromLatin1(renderer ? renderer : ""));

    m_screenSize = new osg::Uniform("ScreenSize", osg::Vec2f(width, height));
    m_root->getOrCreateStateSet()->addUniform(m_screenSize.get(), osg::StateAttribute::ON);

    cam->setCullingMode(cam->getCullingMode() & ~osg::CullSettings::SMALL_FEATURE_CULLING);
}

void GLRender::setupOsgEarth()
{
    if (m_mapNode)
        return;
    // The map and its grid layer exist since construction; the map node
    // follows in updateMapNode.
    qDebug() << "GLRender::setupOsgEarth";
}

void GLRender::updateMapNode()
{
    if (m_mapNode || !m_map || m_map->getNumImageLayers() == 0)
        return;
    qDebug() << "GLRender::updateMapNode";
    m_mapNode = new geo::MapNode(m_map.get(), m_tileLoader);
    if (osg::Group* engine = m_mapNode->getTerrainEngine())
        engine->getOrCreateStateSet()->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    m_sceneTransform->addChild(m_mapNode.get());
}

// --- base maps and the online layer ------------------------------------------

bool GLRender::placeExistingBaseMap(const QUrl& url, int index)
{
    const osg::ref_ptr<geo::ImageLayer> layer = m_baseMapLayers.value(url);
    if (!layer)
        return false;
    QMutexLocker lock(&m_sceneMutex);
    m_map->moveImageLayer(layer.get(), mapIndexOf(index));
    return true;
}

bool GLRender::baseMapFileExists(const QUrl& url) const
{
    const QString file = url.toLocalFile();
    if (!file.isEmpty() && QFileInfo::exists(file))
        return true;
    const std::shared_ptr<Project> project = AppContext::currentProject();
    qWarning().noquote() << "Failed to locate maps:" << (project ? project->pathDisplayString() : QString())
                         << url.toString() << QFileInfo(file).absolutePath();
    return false;
}

void GLRender::insertBaseMap(const QUrl& url, int index, const osg::ref_ptr<geo::ImageLayer>& layer)
{
    QMutexLocker lock(&m_sceneMutex);
    m_baseMapLayers.insert(url, layer);
    m_map->insertImageLayer(layer.get(), mapIndexOf(index));
}

osg::ref_ptr<geo::ImageLayer> GLRender::earthFileLayer(const QString& path) const
{
    const osg::ref_ptr<geo::XmlDocument> document = geo::XmlDocument::loadFile(path);
    if (!document) {
        qWarning() << "Caught exception when loading .earth file" << path;
        return nullptr;
    }
    const std::optional<geo::ImageLayerOptions> options =
        geo::EarthFile::firstImageLayer(document->getConfig(), QUrl(onlineTileSettings().endpoint));
    return options ? new geo::ImageLayer(*options) : nullptr;
}

void GLRender::addImageLayer(const QUrl& url, int index, double opacity, bool visible)
{
    if (!placeExistingBaseMap(url, index)) {
        if (!baseMapFileExists(url))
            return;
        const QString file = url.toLocalFile();
        osg::ref_ptr<geo::ImageLayer> layer;
        if (QFileInfo(file).suffix().toLower() == QLatin1String("earth")) {
            layer = earthFileLayer(file);
        } else {
            geo::Drivers::GDALOptions options;
            options.setUrl(file);
            layer = new geo::ImageLayer(QStringLiteral("GeoTiff"), options);
        }
        if (!layer)
            return;
        insertBaseMap(url, index, layer);
    }
    setLayerOpacity(url, float(opacity));
    setLayerVisible(url, visible);
}

void GLRender::addMBTilesLayer(const QUrl& url, int index, double opacity, bool visible)
{
    if (!placeExistingBaseMap(url, index)) {
        if (!baseMapFileExists(url))
            return;
        geo::Drivers::MBTilesTileSourceOptions options;
        options.setFilename(url.toLocalFile());
        options.setFormat(QStringLiteral("png"));
        insertBaseMap(url, index, new geo::ImageLayer(QStringLiteral("MBTiles"), options));
    }
    setLayerOpacity(url, float(opacity));
    setLayerVisible(url, visible);
}

void GLRender::removeMapLayer(QUrl url)
{
    QMutexLocker lock(&m_sceneMutex);
    const auto found = m_baseMapLayers.find(url);
    if (found == m_baseMapLayers.end())
        return;
    m_map->removeImageLayer(found.value().get());
    m_baseMapLayers.erase(found);
}

void GLRender::clearMapLayers()
{
    QMutexLocker lock(&m_sceneMutex);
    for (const osg::ref_ptr<geo::ImageLayer>& layer : qAsConst(m_baseMapLayers))
        m_map->removeImageLayer(layer.get());
    m_baseMapLayers.clear();
}

void GLRender::setLayerOpacity(const QUrl& url, float opacity)
{
    if (geo::ImageLayer* layer = baseMapLayer(url))
        layer->setOpacity(opacity);
}

void GLRender::setLayerVisible(const QUrl& url, bool visible)
{
    if (geo::ImageLayer* layer = baseMapLayer(url))
        layer->setVisible(visible);
}

geo::Bounds GLRender::getLayerExtent(const QUrl& url) const
{
    // The data's own bounds: a package on the global mercator profile would
    // otherwise report the whole world.
    const geo::ImageLayer* layer = baseMapLayer(url);
    return layer ? layer->getLatLongDataBounds() : geo::Bounds();
}

double GLRender::coarsestAltitude(const QUrl& url) const
{
    const geo::ImageLayer* layer = baseMapLayer(url);
    const osg::Viewport* viewport = camera() ? camera()->getViewport() : nullptr;
    if (!layer || !m_map || !viewport || viewport->width() < 1.0)
        return HUGE_VAL;
    double tileWidth = 0.0, tileHeight = 0.0;
    m_map->getProfile()->getTileDimensions(0, tileWidth, tileHeight);
    // The map draws the level whose texels come nearest to a pixel
    // (geo::MapNode::levelFor): aim at the middle of the coarsest one.
    const double unitsPerPixel =
        tileWidth / (geo::Profile::TileSize * std::ldexp(1.0, int(layer->getMinLevel())));
    const QSizeF size = logicalWindowSize();
    const double aspect = size.height() < 1.0 ? 1.0 : size.width() / size.height();
    // The inverse of updateProjection's orthographic frame.
    return unitsPerPixel * viewport->width() / (2.0 * Tan30 * aspect);
}

QString GLRender::builtInTileUrl(int kind)
{
    const OnlineTileSettings tiles = onlineTileSettings();
    const QString* mapIds[] = {&tiles.satelliteMapId, &tiles.streetMapId, &tiles.terrainMapId};
    if (kind < 0 || kind >= int(std::size(mapIds)) || tiles.endpoint.isEmpty()
        || mapIds[kind]->isEmpty())
        return QString();
    return tiles.endpoint + QStringLiteral("/v4/") + *mapIds[kind]
        + QStringLiteral("/{z}/{x}/{y}.png?access_token=") + tiles.accessToken;
}

void GLRender::dropOnlineLayer()
{
    QMutexLocker lock(&m_sceneMutex);
    if (m_onlineLayer)
        m_map->removeImageLayer(m_onlineLayer.get());
    m_onlineLayer = nullptr;
}

void GLRender::setOnlineMap(int kind)
{
    if (m_onlineLayer && kind == m_onlineLayerKind && kind != CustomOnlineKind)
        return;
    dropOnlineLayer();

    QString name;
    QString url;
    static const char* const builtInNames[] = {"mapbox Satellite", "mapbox Map", "mapbox Terrain"};
    if (kind >= 0 && kind < CustomOnlineKind) {
        name = QLatin1String(builtInNames[kind]);
        url = builtInTileUrl(kind);
    } else if (kind == CustomOnlineKind) {
        if (const std::shared_ptr<Project> project = AppContext::currentProject()) {
            url = project->baseMapUrl();
            qDebug() << "url now:" << url;
            name = QString::fromLatin1(
                QCryptographicHash::hash(url.toLatin1(), QCryptographicHash::Md5).toHex());
        }
    }

    geo::Drivers::XYZOptions xyz;
    xyz.setProfile(geo::ProfileOptions(QStringLiteral("spherical-mercator")));
    xyz.setMaxDataLevel(OnlineMaxLevel);
    xyz.setUrl(url);
    geo::ImageLayerOptions options(name, xyz);
    options.setMaxLevel(OnlineMaxLevel);
    options.setCachePolicy(m_online ? geo::CachePolicy::DEFAULT : geo::CachePolicy::CACHE_ONLY);
    osg::ref_ptr<geo::ImageLayer> layer = new geo::ImageLayer(options);
    layer->setVisible(true);
    {
        QMutexLocker lock(&m_sceneMutex);
        m_onlineLayer = layer;
        m_map->insertImageLayer(layer.get(), 0);
        m_map->moveImageLayer(m_gridLayer.get(), 1);
    }
    m_onlineLayerKind = kind;
    updateTimer(true);
}

void GLRender::onOnlineStatusChanged(bool isOnline)
{
    if (m_onlineStatusKnown && isOnline != m_online) {
        AppContext::toastInfo(isOnline ? tr("Now using online basemap") : tr("Now using offline-cached basemap"),
                              OnlineToastDuration);
    }
    m_online = isOnline;
    m_onlineStatusKnown = true;
    dropOnlineLayer();
    setOnlineMap(m_onlineLayerKind);
    updateTimer(true);
}

} // namespace kiv
