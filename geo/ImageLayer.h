#pragma once

#include "geo/FileSystemCache.h"
#include "geo/ImageLayerOptions.h"
#include "geo/TileSource.h"

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <atomic>
#include <memory>
#include <mutex>

namespace kiv::geo {

// One image layer of the map: a tile source plus how it is shown and
// cached. Opacity and visibility may be set from any thread; the source is
// opened on first use.
class ImageLayer : public osg::Referenced
{
public:
    explicit ImageLayer(const ImageLayerOptions& options);
    ImageLayer(const QString& name, const TileSourceOptions& driverOptions);

    const QString& getName() const { return options_.name(); }
    const ImageLayerOptions& getImageLayerOptions() const { return options_; }

    void setOpacity(float opacity);
    float getOpacity() const { return opacity_.load(); }
    void setVisible(bool visible) { visible_.store(visible); }
    bool getVisible() const { return visible_.load(); }

    // The opened source, or null when there is no such driver or it failed
    // to open (see getStatus()).
    TileSource* getTileSource() const;
    // The source's profile; null when the source failed to open.
    const Profile* getProfile() const;
    Status getStatus() const;
    DataExtentList getDataExtents() const;
    // Longitude/latitude box around the data extents; for sources on the
    // global mercator profile (MBTiles) this is tighter than the profile's
    // lat-long extent. Invalid when the source failed to open.
    Bounds getLatLongDataBounds() const;
    unsigned getMinLevel() const;
    unsigned getMaxLevel() const;
    bool isKeyInRange(const TileKey& key) const;
    bool isNetworkLayer() const;

    // The policy in effect: the source's hint wins over the layer's option.
    CachePolicy getCachePolicy() const;
    // Names the cache folder of this layer's tiles; stable across runs and
    // independent of anything that does not change the imagery.
    QString getCacheBinId() const;
    void setCache(std::shared_ptr<const FileSystemCache> cache);

    // One tile: the cache first, then the source (unless the policy says
    // otherwise); what a network source fetched is stored in the cache.
    TileResult createImage(const TileKey& key, ProgressCallback* progress = nullptr) const;

protected:
    ~ImageLayer() override;

private:
    std::shared_ptr<const FileSystemCache> cache() const;
    std::optional<TileResult> readCache(const FileSystemCache& cache, const TileKey& key) const;

    ImageLayerOptions options_;
    std::atomic<float> opacity_;
    std::atomic<bool> visible_;
    mutable std::once_flag sourceOnce_;
    mutable osg::ref_ptr<TileSource> source_;
    mutable std::mutex cacheMutex_;
    std::shared_ptr<const FileSystemCache> cache_;
};

} // namespace kiv::geo
