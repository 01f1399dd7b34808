#include "geo/Map.h"

#include <QDebug>

#include <algorithm>

namespace kiv::geo {

Map::Map(const MapOptions& options)
    : options_(options), profile_(Profile::create(QStringLiteral("spherical-mercator")))
{
    if (const auto& cache = options_.cache()) {
        if (cache->getDriver() != QLatin1String("filesystem"))
            qWarning() << "Unsupported tile cache driver:" << cache->getDriver();
        else if (cache->rootPath().isEmpty())
            qWarning() << "Tile cache without a root path; caching is off";
        else
            cache_ = std::make_shared<FileSystemCache>(cache->rootPath());
    }
}

Map::~Map() = default;

int Map::indexOf(const ImageLayer* layer) const
{
    for (size_t i = 0; i < layers_.size(); ++i)
        if (layers_[i].get() == layer)
            return int(i);
    return -1;
}

void Map::addImageLayer(ImageLayer* layer)
{
    insertImageLayer(layer, ~0u);
}

void Map::insertImageLayer(ImageLayer* layer, unsigned index)
{
    if (!layer)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (indexOf(layer) >= 0)
        return;
    layer->setCache(cache_);
    const size_t at = std::min<size_t>(index, layers_.size());
    layers_.insert(layers_.begin() + at, layer);
    ++revision_;
}

void Map::moveImageLayer(ImageLayer* layer, unsigned newIndex)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int from = indexOf(layer);
    if (from < 0)
        return;
    osg::ref_ptr<ImageLayer> keep = layers_[from];
    layers_.erase(layers_.begin() + from);
    const size_t at = std::min<size_t>(newIndex, layers_.size());
    layers_.insert(layers_.begin() + at, keep);
    ++revision_;
}

void Map::removeImageLayer(ImageLayer* layer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int at = indexOf(layer);
    if (at < 0)
        return;
    layers_.erase(layers_.begin() + at);
    ++revision_;
}

Revision Map::getImageLayers(ImageLayerVector& out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    out = layers_;
    return revision_;
}

ImageLayerVector Map::getImageLayers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return layers_;
}

unsigned Map::getNumImageLayers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unsigned(layers_.size());
}

ImageLayer* Map::getImageLayerAt(unsigned index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return index < layers_.size() ? layers_[index].get() : nullptr;
}

ImageLayer* Map::getImageLayerByName(const QString& name) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& layer : layers_)
        if (layer->getName() == name)
            return layer.get();
    return nullptr;
}

int Map::getIndexOfImageLayer(const ImageLayer* layer) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return indexOf(layer);
}

Revision Map::getRevision() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return revision_;
}

} // namespace kiv::geo
