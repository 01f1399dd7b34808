#pragma once

#include "geo/TileSourceOptions.h"

namespace kiv::geo::Drivers {

// Options of the "mbtiles" driver: the package file (relative paths resolve
// against the file the options were read from) and its tile format.
class MBTilesTileSourceOptions : public TileSourceOptions
{
public:
    explicit MBTilesTileSourceOptions(const TileSourceOptions& options = TileSourceOptions());

    QString filename() const { return path(QStringLiteral("filename")); }
    void setFilename(const QString& filename) { setStr(QStringLiteral("filename"), filename); }
    QString format() const { return str(QStringLiteral("format")); }
    void setFormat(const QString& format) { setStr(QStringLiteral("format"), format); }
};

} // namespace kiv::geo::Drivers
