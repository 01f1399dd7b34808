#include "geo/drivers/BuiltinTileSourceDriver.h"

#include "geo/TileSourceRegistry.h"
#include "geo/drivers/GDALTileSource.h"
#include "geo/drivers/MBTilesTileSource.h"
#include "geo/drivers/XYZTileSource.h"

namespace kiv::geo::Drivers {

BuiltinTileSourceDriver::BuiltinTileSourceDriver(const QString& driverName,
                                                 const QString& description, Factory factory)
    : description_(description), factory_(std::move(factory))
{
    supportsExtension(TileSourceRegistry::extensionOf(driverName), description);
}

std::vector<std::unique_ptr<TileSourceDriver>> BuiltinTileSourceDriver::all()
{
    std::vector<std::unique_ptr<TileSourceDriver>> drivers;
    drivers.push_back(std::make_unique<BuiltinTileSourceDriver>(
        QStringLiteral("gdal"), QStringLiteral("GDAL Tile Source Driver"),
        [](const TileSourceOptions& o) { return osg::ref_ptr<TileSource>(new GDALTileSource(GDALOptions(o))); }));
    drivers.push_back(std::make_unique<BuiltinTileSourceDriver>(
        QStringLiteral("mbtiles"), QStringLiteral("MBTiles Tile Source Driver"),
        [](const TileSourceOptions& o) {
            return osg::ref_ptr<TileSource>(new MBTilesTileSource(MBTilesTileSourceOptions(o)));
        }));
    drivers.push_back(std::make_unique<BuiltinTileSourceDriver>(
        QStringLiteral("xyz"), QStringLiteral("XYZ Tile Source Driver"),
        [](const TileSourceOptions& o) { return osg::ref_ptr<TileSource>(new XYZTileSource(XYZOptions(o))); }));
    return drivers;
}

TileSourceDriver::ReadResult BuiltinTileSourceDriver::readObject(
    const QString& fileName, const TileSourceOptions& options) const
{
    ReadResult result;
    if (!acceptsExtension(lowerCaseExtension(fileName)))
        return result;
    result.source = factory_(options);
    result.status = result.source ? ReadResult::FILE_LOADED : ReadResult::ERROR_IN_READING_FILE;
    return result;
}

} // namespace kiv::geo::Drivers
