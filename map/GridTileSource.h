#pragma once

#include "geo/TileSource.h"
#include "geo/TileSourceDriver.h"

#include <QImage>

namespace kiv::geo::Drivers {

// Options of the "gridtiles" driver; it has none of its own.
class GridTileOptions : public TileSourceOptions
{
public:
    explicit GridTileOptions(const TileSourceOptions& options = TileSourceOptions());
};

} // namespace kiv::geo::Drivers

namespace kiv {

// Serves the file extension "osgearth_gridtiles", i.e. the driver "gridtiles".
class GridTileSourceDriver : public geo::TileSourceDriver
{
public:
    GridTileSourceDriver();

    QString className() const override;
    ReadResult readObject(const QString& fileName,
                          const geo::TileSourceOptions& options) const override;
};

// The faint tile grid: every key gets the same 256 x 256 transparent tile
// with a one-pixel grey border.
class GridTileSource : public geo::TileSource
{
public:
    explicit GridTileSource(const geo::Drivers::GridTileOptions& options);

    geo::TileResult createImage(const geo::TileKey& key,
                                geo::ProgressCallback* progress = nullptr) override;
    QString getExtension() const override;
    geo::CachePolicy getCachePolicyHint() const override;

protected:
    geo::Status initialize() override;

private:
    QImage tile_;
};

} // namespace kiv
