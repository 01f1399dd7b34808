#pragma once

#include "geo/FileSystemCache.h"
#include "geo/ImageLayer.h"
#include "geo/MapOptions.h"
#include "geo/Profile.h"

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <memory>
#include <mutex>
#include <vector>

namespace kiv::geo {

using ImageLayerVector = std::vector<osg::ref_ptr<ImageLayer>>;
using Revision = unsigned long;

// The map's ordered image layers (index 0 is drawn first, at the bottom) in
// the spherical-mercator profile, and its tile cache. All operations are
// thread-safe; every change bumps the revision so the render side can notice.
class Map : public osg::Referenced
{
public:
    explicit Map(const MapOptions& options = MapOptions());

    const MapOptions& getMapOptions() const { return options_; }
    const Profile* getProfile() const { return profile_.get(); }
    const SpatialReference* getSRS() const { return profile_->getSRS(); }
    std::shared_ptr<const FileSystemCache> getCache() const { return cache_; }

    void addImageLayer(ImageLayer* layer);
    // Index clamped to the list; a layer already in the map is left alone.
    void insertImageLayer(ImageLayer* layer, unsigned index);
    // Index clamped to the list; a layer not in the map is ignored.
    void moveImageLayer(ImageLayer* layer, unsigned newIndex);
    void removeImageLayer(ImageLayer* layer);

    // A copy of the layer list and the revision it belongs to.
    Revision getImageLayers(ImageLayerVector& out) const;
    ImageLayerVector getImageLayers() const;
    unsigned getNumImageLayers() const;
    ImageLayer* getImageLayerAt(unsigned index) const;
    ImageLayer* getImageLayerByName(const QString& name) const;
    int getIndexOfImageLayer(const ImageLayer* layer) const;
    Revision getRevision() const;

protected:
    ~Map() override;

private:
    int indexOf(const ImageLayer* layer) const;

    MapOptions options_;
    osg::ref_ptr<const Profile> profile_;
    std::shared_ptr<const FileSystemCache> cache_;
    mutable std::mutex mutex_;
    ImageLayerVector layers_;
    Revision revision_ = 0;
};

} // namespace kiv::geo
