#pragma once

#include "geo/TileSource.h"
#include "geo/drivers/GDALDatasetPool.h"
#include "geo/drivers/GDALOptions.h"

#include <cpl_string.h>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace kiv::geo::Drivers {

// Tiles warped from any raster GDAL can open (GeoTIFF with its world file,
// .prj and .aux.xml sidecars, ...): each tile is what `gdalwarp -r bilinear
// -dstalpha` makes of the tile's mercator extent (`-r near` for paletted
// rasters, which are then coloured), from the overview level gdalwarp picks;
// grey rasters become grey RGBA (non-byte values stretched over their range).
// A tile that would read more than 64 million source pixels is warped from
// a bounded, averaged read of its window instead.
class GDALTileSource : public TileSource
{
public:
    explicit GDALTileSource(const GDALOptions& options);

    TileResult createImage(const TileKey& key, ProgressCallback* progress = nullptr) override;
    // Local files are read directly, never through the tile cache.
    CachePolicy getCachePolicyHint() const override { return CachePolicy::NO_CACHE; }

    // Mercator metres per native pixel near the raster's centre.
    double nativeResolution() const { return nativeResolution_; }

protected:
    ~GDALTileSource() override;
    Status initialize() override;

private:
    enum class Layout { Grey, Palette, Rgb };

    // Where a tile falls in the full-resolution raster.
    struct Footprint
    {
        double ratio = 0.0; // source pixels per tile pixel across, as gdalwarp measures it
        double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0; // grid hull, unclamped
        bool inside = false; // the whole tile lies a pixel or more inside the raster
    };
    // A source window at one level, clamped to the raster, and its pixels
    // per tile pixel.
    struct Window
    {
        int x = 0, y = 0, width = 0, height = 0;
        double stepX = 1.0, stepY = 1.0;
        double pixels() const { return double(width) * height; }
    };

    Status readSpatialReference(GDALDatasetH ds);
    Status readBands(GDALDatasetH ds);
    void readResolution(GDALDatasetH ds, const double* geoTransform);
    bool footprint(const double* tileGeo, Footprint& fp) const;
    int overviewFor(double ratio) const;
    Window windowAt(const Footprint& fp, int overview, double margin) const;
    bool sparse(GDALDatasetH src, const Window& window) const;
    void fillUniform(GDALDatasetH dst, bool opaque) const;
    GDALDatasetH takeDestination() const;
    void returnDestination(GDALDatasetH dst) const;
    void* takeTransformer(GDALDatasetH src, int overview) const;
    void returnTransformer(int overview, void* transformer) const;
    CPLStringList transformerOptions() const;
    bool warp(GDALDatasetH src, GDALDatasetH dst, void* transformer,
              const std::vector<int>& srcBands, int srcAlphaBand, ProgressCallback* progress) const;
    bool warpReduced(GDALDatasetH src, GDALDatasetH dst, const double* tileGeo,
                     const Window& window,
                     ProgressCallback* progress) const;
    GDALDatasetH readReduced(GDALDatasetH src, const Window& window, int width, int height,
                             ProgressCallback* progress) const;
    QImage toImage(GDALDatasetH dst) const;
    bool readInterleaved(GDALDatasetH dst, QImage& image) const;
    bool readPlanes(GDALDatasetH dst, QImage& image) const;

    QString path_;
    osg::ref_ptr<SpatialReference> srs_;
    QString sidecarWkt_;
    QString mercatorWkt_;
    Layout layout_ = Layout::Grey;
    std::vector<int> dataBands_;
    int srcAlphaBand_ = 0;
    bool byteData_ = true;
    GDALDataType tileType_ = GDT_Byte; // of the warped tile's bands
    std::vector<std::array<double, 2>> ranges_;
    std::vector<std::array<uchar, 4>> palette_;
    std::vector<double> noData_;
    int width_ = 0, height_ = 0;
    // Width and height of each overview level of band 1, as gdalwarp sees them.
    std::vector<std::pair<int, int>> overviewSizes_;
    double nativeResolution_ = 0.0;
    std::unique_ptr<GDALDatasetPool> pool_;
    mutable std::mutex transformerMutex_;
    // Idle coordinate transformers, by the overview level they were made for.
    mutable std::vector<std::pair<int, void*>> idleTransformers_;
    mutable std::vector<GDALDatasetH> idleDestinations_;
};

} // namespace kiv::geo::Drivers
