#include "geo/drivers/MBTilesTileSourceOptions.h"

namespace kiv::geo::Drivers {

MBTilesTileSourceOptions::MBTilesTileSourceOptions(const TileSourceOptions& options)
    : TileSourceOptions(options)
{
    setDriver(QStringLiteral("mbtiles"));
}

} // namespace kiv::geo::Drivers
