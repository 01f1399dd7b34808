#pragma once

#include "geo/TileSourceOptions.h"

namespace kiv::geo::Drivers {

// Options of the "gdal" driver: the raster file (a relative path resolves
// against the file the options were read from).
class GDALOptions : public TileSourceOptions
{
public:
    explicit GDALOptions(const TileSourceOptions& options = TileSourceOptions());

    QString url() const { return path(QStringLiteral("url")); }
    void setUrl(const QString& url) { setStr(QStringLiteral("url"), url); }
};

} // namespace kiv::geo::Drivers
