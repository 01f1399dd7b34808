#include "geo/MapNode.h"

#include <osg/BlendFunc>
#include <osg/Depth>
#include <osg/Geometry>
#include <osg/MatrixTransform>

#include <algorithm>
#include <cmath>

namespace kiv::geo {

namespace {

// Written with the fixed-function names; the scene graph renames them to its
// own attributes and uniforms when the context wants that.
const char* const VertexSource = R"(
varying vec2 tileCoord;
void main()
{
    tileCoord = gl_MultiTexCoord0.xy;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
)";

const char* const FragmentSource = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D tileTexture;
uniform float layerOpacity;
varying vec2 tileCoord;
void main()
{
    vec4 colour = texture2D(tileTexture, tileCoord);
    gl_FragColor = vec4(colour.rgb, colour.a * layerOpacity);
}
)";

const char* const OpacityUniform = "layerOpacity";
constexpr int MapRenderBin = -10;

} // namespace

MapNode::MapNode(Map* map, std::shared_ptr<TileLoader> loader, const Options& options)
    : map_(map)
    , loader_(loader ? std::move(loader) : std::make_shared<TileLoader>())
    , cache_(options.maxTextures)
    , terrain_(new osg::Group)
{
    setName("MapNode");
    terrain_->setName("Terrain");
    addChild(terrain_.get());
    setUpState();
}

MapNode::~MapNode() = default;

void MapNode::setUpState()
{
    osg::StateSet* state = terrain_->getOrCreateStateSet();
    osg::ref_ptr<osg::Program> program = new osg::Program;
    program->setName("MapTile");
    program->addShader(new osg::Shader(osg::Shader::VERTEX, VertexSource));
    program->addShader(new osg::Shader(osg::Shader::FRAGMENT, FragmentSource));
    state->setAttributeAndModes(program.get(), osg::StateAttribute::ON);
    state->addUniform(new osg::Uniform("tileTexture", 0));
    state->addUniform(new osg::Uniform(OpacityUniform, 1.0f));
    state->setAttributeAndModes(
        new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA),
        osg::StateAttribute::ON);
    state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
    state->setAttribute(new osg::Depth(osg::Depth::ALWAYS, 0.0, 1.0, false));
    state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    // Layers are drawn in the order they are traversed: bottom layer first.
    state->setRenderBinDetails(MapRenderBin, "TraversalOrderBin");
}

osg::BoundingSphere MapNode::computeBound() const
{
    const GeoExtent& world = map_->getProfile()->getExtent();
    const osg::Vec3d centre((world.xMin() + world.xMax()) * 0.5,
                            (world.yMin() + world.yMax()) * 0.5, 0.0);
    return osg::BoundingSphere(centre, std::hypot(world.width(), world.height()) * 0.5);
}

unsigned MapNode::levelFor(double unitsPerPixel, double tileWidth)
{
    if (!(unitsPerPixel > 0.0) || !(tileWidth > 0.0))
        return 0;
    const double level = std::floor(std::log2(tileWidth / (Profile::TileSize * unitsPerPixel)) + 0.5);
    return unsigned(std::clamp(level, 0.0, double(Profile::MaxLevel)));
}

bool MapNode::visibleExtent(const osg::Camera& camera, GeoExtent& extent,
                            double& unitsPerPixel) const
{
    const osg::Viewport* viewport = camera.getViewport();
    if (!viewport || viewport->width() < 1.0 || viewport->height() < 1.0)
        return false;
    osg::Matrixd inverse;
    if (!inverse.invert(camera.getViewMatrix() * camera.getProjectionMatrix()))
        return false;
    double xmin = HUGE_VAL, ymin = HUGE_VAL, xmax = -HUGE_VAL, ymax = -HUGE_VAL;
    for (const auto& [nx, ny] : {std::pair{-1.0, -1.0}, {1.0, -1.0}, {-1.0, 1.0}, {1.0, 1.0}}) {
        const osg::Vec3d world = osg::Vec3d(nx, ny, 0.0) * inverse;
        xmin = std::min(xmin, world.x());
        xmax = std::max(xmax, world.x());
        ymin = std::min(ymin, world.y());
        ymax = std::max(ymax, world.y());
    }
    if (!std::isfinite(xmin) || !std::isfinite(ymin) || !std::isfinite(xmax) || !std::isfinite(ymax))
        return false;
    unitsPerPixel = (xmax - xmin) / viewport->width();
    const GeoExtent& world = map_->getProfile()->getExtent();
    xmin = std::max(xmin, world.xMin());
    ymin = std::max(ymin, world.yMin());
    xmax = std::min(xmax, world.xMax());
    ymax = std::min(ymax, world.yMax());
    if (xmin >= xmax || ymin >= ymax)
        return false;
    extent = GeoExtent(world.getSRS(), xmin, ymin, xmax, ymax);
    return true;
}

void MapNode::syncLayers(ImageLayerVector& layers)
{
    const Revision revision = map_->getImageLayers(layers);
    if (revision == revision_)
        return;
    revision_ = revision;
    cache_.retainLayers(layers);
    layerSet_.clear();
    for (const auto& layer : layers)
        layerSet_.insert(layer.get());
    for (auto it = layerGroups_.begin(); it != layerGroups_.end();)
        it = layerSet_.count(it->first) ? std::next(it) : layerGroups_.erase(it);
}

void MapNode::acceptLoadedTiles()
{
    for (LoadedTile& tile : loader_->takeFinished()) {
        if (!layerSet_.count(tile.layer.get()))
            continue; // the layer left the map meanwhile
        if (tile.result.isOk()) {
            osg::ref_ptr<osg::Texture2D> texture = TileTextureCache::makeTexture(tile.result.image());
            if (texture)
                cache_.insert(tile.layer.get(), tile.key, texture.get(), frame_);
        } else if (tile.result.isNoData()) {
            cache_.insert(tile.layer.get(), tile.key, nullptr, frame_);
        }
        // Failed tiles are asked for again once the loader's retry delay is over.
    }
}

void MapNode::update(const osg::Camera& camera)
{
    ++frame_;
    ImageLayerVector layers;
    syncLayers(layers);
    acceptLoadedTiles();

    terrain_->removeChildren(0, terrain_->getNumChildren());
    drawn_.clear();
    complete_ = true;
    GeoExtent visible;
    double unitsPerPixel = 0.0;
    if (visibleExtent(camera, visible, unitsPerPixel)) {
        double tileWidth = 0.0, tileHeight = 0.0;
        map_->getProfile()->getTileDimensions(0, tileWidth, tileHeight);
        level_ = levelFor(unitsPerPixel, tileWidth);
        for (const auto& layer : layers)
            if (layer->getVisible() && layer->getOpacity() > 0.0f)
                drawLayer(layer.get(), visible);
    }
    loader_->frame();
    cache_.evict(frame_);
}

osg::Group* MapNode::layerGroup(const ImageLayer* layer)
{
    osg::ref_ptr<osg::Group>& group = layerGroups_[layer];
    if (!group) {
        group = new osg::Group;
        group->setName(layer->getName().toStdString());
        osg::Uniform* opacity = new osg::Uniform(OpacityUniform, 1.0f);
        opacity->setDataVariance(osg::Object::DYNAMIC);
        group->getOrCreateStateSet()->addUniform(opacity);
    }
    group->removeChildren(0, group->getNumChildren());
    group->getStateSet()->getUniform(OpacityUniform)->set(std::clamp(layer->getOpacity(), 0.0f, 1.0f));
    return group.get();
}

void MapNode::drawLayer(ImageLayer* layer, const GeoExtent& visible)
{
    const TileSource* source = layer->getTileSource();
    if (!source || !layer->getProfile())
        return;
    const unsigned level = std::min(level_, layer->getMaxLevel());
    if (level < layer->getMinLevel())
        return;
    std::vector<TileKey> keys;
    map_->getProfile()->getIntersectingTiles(visible, level, keys);
    const double cx = (visible.xMin() + visible.xMax()) * 0.5;
    const double cy = (visible.yMin() + visible.yMax()) * 0.5;
    const double span = std::max(visible.width(), visible.height());

    osg::Group* group = layerGroup(layer);
    for (const TileKey& key : keys) {
        const GeoExtent extent = key.getExtent();
        if (!source->hasDataInExtent(extent))
            continue;
        if (TileTextureCache::Entry* entry = cache_.find(layer, key)) {
            cache_.touch(entry, frame_);
            if (!entry->texture)
                continue;
            if (!entry->node)
                entry->node = makeTileNode(key, key, entry->texture.get());
            group->addChild(entry->node.get());
            drawn_.push_back({layer, key, key});
            continue;
        }
        complete_ = false;
        // Tiles near the middle of the screen first.
        const double dx = (extent.xMin() + extent.xMax()) * 0.5 - cx;
        const double dy = (extent.yMin() + extent.yMax()) * 0.5 - cy;
        loader_->request(layer, key, float(-std::hypot(dx, dy) / span));
        drawFallback(layer, key, group);
    }
    if (group->getNumChildren() > 0)
        terrain_->addChild(group);
}

bool MapNode::drawFallback(ImageLayer* layer, const TileKey& key, osg::Group* group)
{
    for (TileKey parent = key.createParentKey(); parent.valid(); parent = parent.createParentKey()) {
        TileTextureCache::Entry* entry = cache_.find(layer, parent);
        if (!entry)
            continue;
        cache_.touch(entry, frame_);
        if (!entry->texture)
            return false; // the ancestor is empty, so is this tile
        group->addChild(makeTileNode(key, parent, entry->texture.get()));
        drawn_.push_back({layer, key, parent});
        return true;
    }
    return false;
}

osg::ref_ptr<osg::Node> MapNode::makeTileNode(const TileKey& key, const TileKey& textureKey,
                                              osg::Texture2D* texture) const
{
    const GeoExtent e = key.getExtent();
    const GeoExtent t = textureKey.getExtent();
    const double cx = (e.xMin() + e.xMax()) * 0.5;
    const double cy = (e.yMin() + e.yMax()) * 0.5;
    const float hw = float(e.width() * 0.5);
    const float hh = float(e.height() * 0.5);
    // Texture coordinates of the key's part of the texture's tile.
    const float s0 = float((e.xMin() - t.xMin()) / t.width());
    const float s1 = float((e.xMax() - t.xMin()) / t.width());
    const float t0 = float((e.yMin() - t.yMin()) / t.height());
    const float t1 = float((e.yMax() - t.yMin()) / t.height());

    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back({-hw, -hh, 0.0f});
    vertices->push_back({hw, -hh, 0.0f});
    vertices->push_back({-hw, hh, 0.0f});
    vertices->push_back({hw, hh, 0.0f});
    osg::ref_ptr<osg::Vec2Array> coords = new osg::Vec2Array;
    coords->push_back({s0, t0});
    coords->push_back({s1, t0});
    coords->push_back({s0, t1});
    coords->push_back({s1, t1});

    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    quad->setUseDisplayList(false);
    quad->setUseVertexBufferObjects(true);
    quad->setVertexArray(vertices.get());
    quad->setTexCoordArray(0, coords.get(), osg::Array::BIND_PER_VERTEX);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_STRIP, 0, 4));
    quad->getOrCreateStateSet()->setTextureAttribute(0, texture);

    // Vertices relative to the tile's centre keep single precision exact
    // enough at the deepest levels.
    osg::ref_ptr<osg::MatrixTransform> tile = new osg::MatrixTransform(
        osg::Matrixd::translate(cx, cy, 0.0));
    tile->addChild(quad.get());
    return tile;
}

} // namespace kiv::geo
