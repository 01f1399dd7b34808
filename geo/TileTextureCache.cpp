#include "geo/TileTextureCache.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_set>

namespace kiv::geo {

size_t TileTextureCache::IdHash::operator()(const Id& id) const
{
    return std::hash<const void*>()(id.layer) ^ (size_t(qHash(id.key)) * 0x9e3779b97f4a7c15ull);
}

TileTextureCache::TileTextureCache(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

TileTextureCache::Entry* TileTextureCache::find(const ImageLayer* layer, const TileKey& key)
{
    auto it = index_.find(Id{layer, key});
    return it == index_.end() ? nullptr : &*it->second;
}

void TileTextureCache::touch(Entry* entry, unsigned long frame)
{
    entry->lastUsed = frame;
    auto it = index_.find(Id{entry->layer.get(), entry->key});
    if (it != index_.end())
        entries_.splice(entries_.begin(), entries_, it->second);
}

TileTextureCache::Entry* TileTextureCache::insert(const ImageLayer* layer, const TileKey& key,
                                                  osg::Texture2D* texture, unsigned long frame)
{
    auto known = index_.find(Id{layer, key});
    if (known != index_.end())
        erase(known->second);
    entries_.push_front(Entry{layer, key, texture, nullptr, frame});
    index_.emplace(Id{layer, key}, entries_.begin());
    return &entries_.front();
}

void TileTextureCache::erase(List::iterator it)
{
    index_.erase(Id{it->layer.get(), it->key});
    entries_.erase(it);
}

void TileTextureCache::evict(unsigned long currentFrame)
{
    while (entries_.size() > capacity_) {
        auto last = std::prev(entries_.end());
        if (last->lastUsed >= currentFrame)
            return; // everything left is on screen
        erase(last);
    }
}

void TileTextureCache::retainLayers(const ImageLayerVector& layers)
{
    std::unordered_set<const ImageLayer*> keep;
    for (const auto& layer : layers)
        keep.insert(layer.get());
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto next = std::next(it);
        if (!keep.count(it->layer.get()))
            erase(it);
        it = next;
    }
}

void TileTextureCache::clear()
{
    index_.clear();
    entries_.clear();
}

osg::ref_ptr<osg::Image> TileTextureCache::makeImage(const QImage& tile)
{
    const QImage rgba = tile.format() == QImage::Format_RGBA8888
        ? tile
        : tile.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return nullptr;
    const int width = rgba.width();
    const int height = rgba.height();
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(width, height, 1, GL_RGBA, GL_UNSIGNED_BYTE, 1);
    image->setInternalTextureFormat(GL_RGBA);
    const size_t rowBytes = size_t(width) * 4;
    // GL reads row 0 as the bottom (south) edge of the texture.
    for (int row = 0; row < height; ++row)
        std::memcpy(image->data(0, height - 1 - row), rgba.constScanLine(row), rowBytes);
    return image;
}

osg::ref_ptr<osg::Texture2D> TileTextureCache::makeTexture(const QImage& tile)
{
    osg::ref_ptr<osg::Image> image = makeImage(tile);
    if (!image)
        return nullptr;
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    texture->setResizeNonPowerOfTwoHint(false);
    // Once on the GPU the pixels are not needed in memory any more.
    texture->setUnRefImageDataAfterApply(true);
    return texture;
}

} // namespace kiv::geo
