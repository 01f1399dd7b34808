#pragma once

#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/TileKey.h"

#include <osg/Image>
#include <osg/Node>
#include <osg/Texture2D>
#include <osg/ref_ptr>

#include <QImage>

#include <list>
#include <unordered_map>

namespace kiv::geo {

// The textures of loaded tiles, per layer and key, least recently used first
// out once there are more than the capacity. A tile that had no data is kept
// as an entry without texture, so it is not asked for again. Entries used in
// the current frame are never evicted, so a screen that needs more tiles
// than the capacity may exceed it for a while. Render thread only.
class TileTextureCache
{
public:
    struct Entry
    {
        osg::ref_ptr<const ImageLayer> layer;
        TileKey key;
        osg::ref_ptr<osg::Texture2D> texture; // null: the tile has no data
        osg::ref_ptr<osg::Node> node;         // the whole tile, made on first draw
        unsigned long lastUsed = 0;
    };

    explicit TileTextureCache(size_t capacity);

    size_t capacity() const { return capacity_; }
    size_t size() const { return entries_.size(); }

    Entry* find(const ImageLayer* layer, const TileKey& key);
    void touch(Entry* entry, unsigned long frame);
    // Replaces an entry of the same layer and key; the new entry counts as
    // used in the given frame.
    Entry* insert(const ImageLayer* layer, const TileKey& key, osg::Texture2D* texture,
                  unsigned long frame);
    // Drops least recently used entries not used in the given frame until the
    // cache fits its capacity.
    void evict(unsigned long currentFrame);
    // Drops every entry of a layer that is not in the list.
    void retainLayers(const ImageLayerVector& layers);
    void clear();

    // A 256-pixel tile image (RGBA8888, row 0 at the north) as a scene-graph
    // image with row 0 at the south, GL_RGBA / GL_UNSIGNED_BYTE.
    static osg::ref_ptr<osg::Image> makeImage(const QImage& tile);
    static osg::ref_ptr<osg::Texture2D> makeTexture(const QImage& tile);

private:
    struct Id
    {
        const ImageLayer* layer;
        TileKey key;
        bool operator==(const Id& o) const { return layer == o.layer && key == o.key; }
    };
    struct IdHash
    {
        size_t operator()(const Id& id) const;
    };
    using List = std::list<Entry>;

    void erase(List::iterator it);

    size_t capacity_;
    List entries_; // most recently used first
    std::unordered_map<Id, List::iterator, IdHash> index_;
};

} // namespace kiv::geo
