#pragma once

#include "geo/CachePolicy.h"
#include "geo/GeoExtent.h"
#include "geo/Profile.h"
#include "geo/ProgressCallback.h"
#include "geo/Status.h"
#include "geo/TileKey.h"
#include "geo/TileResult.h"
#include "geo/TileSourceOptions.h"

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <mutex>
#include <vector>

namespace kiv::geo {

using DataExtentList = std::vector<GeoExtent>;

// A supplier of tile images. Keys are in the map's (spherical-mercator)
// profile. createImage is called from several loader threads at once and
// must be thread-safe; everything set up by initialize is read-only after
// open() has returned.
class TileSource : public osg::Referenced
{
public:
    explicit TileSource(const TileSourceOptions& options);

    // Runs initialize() once; later calls, from any thread, wait for and
    // return that first outcome.
    const Status& open();
    bool isOpen() const;
    Status getStatus() const;

    virtual TileResult createImage(const TileKey& key, ProgressCallback* progress = nullptr) = 0;

    // File extension of the tiles in the cache.
    virtual QString getExtension() const { return QStringLiteral("png"); }
    virtual CachePolicy getCachePolicyHint() const { return CachePolicy::DEFAULT; }
    // Network sources get their own loader threads.
    virtual bool isNetworkSource() const { return false; }

    const Profile* getProfile() const { return profile_.get(); }
    const DataExtentList& getDataExtents() const { return dataExtents_; }
    unsigned getMinLevel() const { return minLevel_; }
    unsigned getMaxDataLevel() const;
    const TileSourceOptions& getOptions() const { return options_; }

    // True when the key's tile can hold data (level range and data extents).
    bool hasDataInExtent(const GeoExtent& extent) const;

protected:
    ~TileSource() override;

    virtual Status initialize() = 0;

    void setProfile(const Profile* profile) { profile_ = profile; }
    void addDataExtent(const GeoExtent& extent) { dataExtents_.push_back(extent); }
    void setLevels(unsigned minLevel, unsigned maxLevel);

private:
    TileSourceOptions options_;
    osg::ref_ptr<const Profile> profile_;
    DataExtentList dataExtents_;
    unsigned minLevel_ = 0;
    unsigned maxLevel_ = 19;
    std::once_flag openOnce_;
    mutable std::mutex statusMutex_;
    Status status_ = Status::Error(Status::GeneralError, QStringLiteral("Not open"));
    bool open_ = false;
};

} // namespace kiv::geo
