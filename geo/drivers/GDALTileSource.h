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
// .prj and .aux.xml sidecars, ...): each tile is warped bilinearly into the
// tile's mercator extent, with alpha 0 for nodata and outside the raster.
// Paletted rasters are warped by nearest index and then coloured; grey
// rasters become grey RGBA (non-byte values stretched over their range).
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

    Status readSpatialReference(GDALDatasetH ds);
    Status readBands(GDALDatasetH ds);
    void readResolution(GDALDatasetH ds, const double* geoTransform);
    int overviewFor(double tileResolution) const;
    GDALDatasetH takeDestination() const;
    void returnDestination(GDALDatasetH dst) const;
    void* takeTransformer(GDALDatasetH src, int overview) const;
    void returnTransformer(int overview, void* transformer) const;
    CPLStringList transformerOptions() const;
    bool warp(GDALDatasetH src, GDALDatasetH dst, void* transformer,
              const std::vector<int>& srcBands, int srcAlphaBand, ProgressCallback* progress) const;
    bool warpReduced(GDALDatasetH src, GDALDatasetH dst, void* transformer, const double* tileGeo,
                     double step, ProgressCallback* progress) const;
    GDALDatasetH readReduced(GDALDatasetH src, int x, int y, int w, int h, int width, int height,
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
    std::vector<std::array<double, 2>> ranges_;
    std::vector<std::array<uchar, 4>> palette_;
    std::vector<double> noData_;
    std::vector<double> overviewFactors_;
    double nativeResolution_ = 0.0;
    std::unique_ptr<GDALDatasetPool> pool_;
    mutable std::mutex transformerMutex_;
    // Idle coordinate transformers, by the overview level they were made for.
    mutable std::vector<std::pair<int, void*>> idleTransformers_;
    mutable std::vector<GDALDatasetH> idleDestinations_;
};

} // namespace kiv::geo::Drivers
