#pragma once

#include "geo/TileSourceDriver.h"

#include <functional>
#include <memory>
#include <vector>

namespace kiv::geo::Drivers {

// Driver for one of the tile sources that come with the geo layer.
class BuiltinTileSourceDriver : public TileSourceDriver
{
public:
    using Factory = std::function<osg::ref_ptr<TileSource>(const TileSourceOptions&)>;

    BuiltinTileSourceDriver(const QString& driverName, const QString& description,
                            Factory factory);

    // The "gdal", "mbtiles" and "xyz" drivers.
    static std::vector<std::unique_ptr<TileSourceDriver>> all();

    QString className() const override { return description_; }
    ReadResult readObject(const QString& fileName,
                          const TileSourceOptions& options) const override;

private:
    QString description_;
    Factory factory_;
};

} // namespace kiv::geo::Drivers
