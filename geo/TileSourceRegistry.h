#pragma once

#include "geo/TileSourceDriver.h"

#include <memory>
#include <mutex>
#include <vector>

namespace kiv::geo {

// The process-wide list of tile-source drivers. The built-in drivers
// ("gdal", "mbtiles", "xyz") are there from the start; the program adds its
// own through static registration objects.
class TileSourceRegistry
{
public:
    static TileSourceRegistry* instance();

    void addDriver(std::unique_ptr<TileSourceDriver> driver);
    bool hasDriver(const QString& driverName) const;

    // An unopened source for the options' driver; null (with a warning) when
    // no driver handles it.
    osg::ref_ptr<TileSource> create(const TileSourceOptions& options) const;

    static QString extensionOf(const QString& driverName);

private:
    TileSourceRegistry();

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<TileSourceDriver>> drivers_;
};

} // namespace kiv::geo
