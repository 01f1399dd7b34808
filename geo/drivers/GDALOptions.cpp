#include "geo/drivers/GDALOptions.h"

namespace kiv::geo::Drivers {

GDALOptions::GDALOptions(const TileSourceOptions& options) : TileSourceOptions(options)
{
    setDriver(QStringLiteral("gdal"));
}

} // namespace kiv::geo::Drivers
