#pragma once

#include "geo/Map.h"
#include "geo/TileLoader.h"
#include "geo/TileTextureCache.h"

#include <osg/Camera>
#include <osg/Group>
#include <osg/Program>
#include <osg/Uniform>

#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

namespace kiv::geo {

// The map's flat terrain: the visible image layers, bottom to top, as
// textured 256-pixel tiles in the map's profile, at the level the camera
// needs. A tile still loading is stood in for by the nearest loaded tile
// above it. update() runs on the render thread before each frame is drawn.
struct MapNodeOptions
{
    // Tile textures kept on the GPU (256 KiB each).
    size_t maxTextures = 384;
};

class MapNode : public osg::Group
{
public:
    using Options = MapNodeOptions;

    // One tile drawn in the last update: the key it covers and the key whose
    // texture covers it (an ancestor while the key itself is loading).
    struct DrawnTile
    {
        const ImageLayer* layer;
        TileKey key;
        TileKey textureKey;
    };

    MapNode(Map* map, std::shared_ptr<TileLoader> loader, const Options& options = Options());

    Map* getMap() const { return map_.get(); }
    TileLoader* getTileLoader() const { return loader_.get(); }
    // The group that holds the drawn tiles; its state set is the terrain's.
    osg::Group* getTerrainEngine() const { return terrain_.get(); }

    // Takes the tiles loaded since the last call, asks for the ones the
    // camera's view needs and rebuilds what is drawn.
    void update(const osg::Camera& camera);

    unsigned getLevel() const { return level_; }
    const std::vector<DrawnTile>& getDrawnTiles() const { return drawn_; }
    // True when the last update drew every wanted tile from its own texture
    // (or knew it to be empty).
    bool isComplete() const { return complete_; }
    const TileTextureCache& getTextureCache() const { return cache_; }

    // The level whose texels are closest to screen pixels of the given size
    // (map units per pixel) in a profile whose level-0 tiles are tileWidth wide.
    static unsigned levelFor(double unitsPerPixel, double tileWidth);
    // The part of the map the camera sees (map units, clipped to the profile)
    // and the map units per viewport pixel. False when it sees nothing.
    bool visibleExtent(const osg::Camera& camera, GeoExtent& extent, double& unitsPerPixel) const;

    osg::BoundingSphere computeBound() const override;

protected:
    ~MapNode() override;

private:
    void syncLayers(ImageLayerVector& layers);
    void acceptLoadedTiles();
    void drawLayer(ImageLayer* layer, const GeoExtent& visible);
    bool drawFallback(ImageLayer* layer, const TileKey& key, osg::Group* group);
    osg::Group* layerGroup(const ImageLayer* layer);
    osg::ref_ptr<osg::Node> makeTileNode(const TileKey& key, const TileKey& textureKey,
                                         osg::Texture2D* texture) const;
    void setUpState();

    osg::ref_ptr<Map> map_;
    std::shared_ptr<TileLoader> loader_;
    TileTextureCache cache_;
    osg::ref_ptr<osg::Group> terrain_;
    std::map<const ImageLayer*, osg::ref_ptr<osg::Group>> layerGroups_;
    std::unordered_set<const ImageLayer*> layerSet_;
    Revision revision_ = ~Revision(0);
    unsigned long frame_ = 0;
    unsigned level_ = 0;
    std::vector<DrawnTile> drawn_;
    bool complete_ = false;
};

} // namespace kiv::geo
