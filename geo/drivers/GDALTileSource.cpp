#include "geo/drivers/GDALTileSource.h"

#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace kiv::geo::Drivers {

namespace {

constexpr int TileSize = int(Profile::TileSize);
// Up to this many source pixels (at the level read) a tile is warped as
// gdalwarp warps it, in chunks within the warp memory limit; beyond, a raster
// claiming 100,000 pixels across would take minutes per tile, so the window
// is first read at about the tile's resolution (at most MaxReducedSize
// pixels a side), each row averaged from source rows of one block row only:
// the blocks read are those a nearest-neighbour read would decode anyway.
constexpr double MaxWarpPixels = 64e6;
constexpr int MaxReducedSize = 4 * TileSize;
// Values one averaged read may cover, so that GDAL's buffers stay small.
constexpr double MaxAveragedValues = 4.0 * 1024 * 1024;

QString lastGdalError(const QString& fallback)
{
    const char* msg = CPLGetLastErrorMsg();
    return msg && *msg ? QString::fromUtf8(msg) : fallback;
}

int CPL_STDCALL cancelProgress(double, const char*, void* arg)
{
    const auto* progress = static_cast<const ProgressCallback*>(arg);
    return progress && progress->isCanceled() ? FALSE : TRUE;
}

// The well-known systems get the closed-form transformations.
osg::ref_ptr<SpatialReference> fromOgr(OGRSpatialReferenceH srs)
{
    const char* name = OSRGetAuthorityName(srs, nullptr);
    const char* code = OSRGetAuthorityCode(srs, nullptr);
    if (name && code && QByteArray(name).toUpper() == "EPSG") {
        if (QByteArray(code) == "4326")
            return SpatialReference::create(QStringLiteral("epsg:4326"));
        if (QByteArray(code) == "3857")
            return SpatialReference::create(QStringLiteral("epsg:3857"));
    }
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    const QString text = QString::fromUtf8(wkt);
    CPLFree(wkt);
    return SpatialReference::createFromWKT(text);
}

} // namespace

GDALTileSource::GDALTileSource(const GDALOptions& options)
    : TileSource(options), path_(options.url())
{
}

GDALTileSource::~GDALTileSource()
{
    for (const auto& idle : idleTransformers_)
        GDALDestroyGenImgProjTransformer(idle.second);
    for (GDALDatasetH dst : idleDestinations_)
        GDALClose(dst);
}

Status GDALTileSource::initialize()
{
    if (path_.isEmpty())
        return Status::Error(Status::ConfigurationError, QStringLiteral("No raster file given"));
    CPLErrorReset();
    GDALDatasetH ds = GDALDatasetPool::openRaster(path_);
    if (!ds)
        return Status::Error(Status::ResourceUnavailable,
                             lastGdalError(QStringLiteral("Cannot open ") + path_));
    std::unique_ptr<void, void (*)(void*)> closer(ds, [](void* h) { GDALClose(h); });

    double gt[6];
    if (GDALGetGeoTransform(ds, gt) != CE_None || gt[1] == 0.0 || gt[5] == 0.0)
        return Status::Error(Status::NoGeoreference,
                             QStringLiteral("Raster is not georeferenced: ") + path_);
    Status status = readSpatialReference(ds);
    if (status.isError())
        return status;
    status = readBands(ds);
    if (status.isError())
        return status;

    const double w = GDALGetRasterXSize(ds);
    const double h = GDALGetRasterYSize(ds);
    double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300;
    for (const auto& [px, py] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
        const double x = gt[0] + px * gt[1] + py * gt[2];
        const double y = gt[3] + px * gt[4] + py * gt[5];
        xmin = std::min(xmin, x);
        xmax = std::max(xmax, x);
        ymin = std::min(ymin, y);
        ymax = std::max(ymax, y);
    }
    osg::ref_ptr<const Profile> profile = Profile::create(srs_.get(), xmin, ymin, xmax, ymax);
    if (!profile || !profile->getLatLongExtent().isValid())
        return Status::Error(Status::NoGeoreference,
                             QStringLiteral("Raster extent cannot be placed on the map: ") + path_);
    setProfile(profile.get());
    addDataExtent(profile->getLatLongExtent());

    mercatorWkt_ = SpatialReference::create(QStringLiteral("epsg:3857"))->getWKT();
    readResolution(ds, gt);
    pool_ = std::make_unique<GDALDatasetPool>(path_, std::max(2, QThread::idealThreadCount()));
    return Status::OK();
}

Status GDALTileSource::readSpatialReference(GDALDatasetH ds)
{
    if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
        srs_ = fromOgr(srs);
    } else {
        // A world file usually comes with an ESRI .prj that the GeoTIFF
        // reader itself does not look at.
        const QFileInfo info(path_);
        QFile prj(info.absolutePath() + QLatin1Char('/') + info.completeBaseName()
                  + QStringLiteral(".prj"));
        if (prj.open(QIODevice::ReadOnly | QIODevice::Text)) {
            srs_ = SpatialReference::create(QString::fromUtf8(prj.readAll()));
            if (srs_)
                sidecarWkt_ = srs_->getWKT();
        }
    }
    if (!srs_)
        return Status::Error(Status::NoGeoreference,
                             QStringLiteral("Raster has no usable spatial reference: ") + path_);
    return Status::OK();
}

Status GDALTileSource::readBands(GDALDatasetH ds)
{
    const int count = GDALGetRasterCount(ds);
    if (count < 1)
        return Status::Error(Status::ConfigurationError, QStringLiteral("Raster has no bands"));

    std::vector<int> colour;
    for (int b = 1; b <= count; ++b) {
        const GDALColorInterp ci = GDALGetRasterColorInterpretation(GDALGetRasterBand(ds, b));
        if (ci == GCI_AlphaBand && srcAlphaBand_ == 0)
            srcAlphaBand_ = b;
        else
            colour.push_back(b);
    }
    if (colour.empty())
        return Status::Error(Status::ConfigurationError, QStringLiteral("Raster has only alpha"));

    GDALRasterBandH first = GDALGetRasterBand(ds, colour.front());
    GDALColorTableH table = GDALGetRasterColorTable(first);
    if (colour.size() < 3 && table
        && GDALGetRasterColorInterpretation(first) == GCI_PaletteIndex) {
        layout_ = Layout::Palette;
        dataBands_ = {colour.front()};
        for (int i = 0; i < 256; ++i) {
            const GDALColorEntry* e = i < GDALGetColorEntryCount(table)
                ? GDALGetColorEntry(table, i) : nullptr;
            palette_.push_back(e ? std::array<uchar, 4>{uchar(e->c1), uchar(e->c2), uchar(e->c3),
                                                        uchar(e->c4)}
                                 : std::array<uchar, 4>{0, 0, 0, 0});
        }
    } else if (colour.size() >= 3) {
        layout_ = Layout::Rgb;
        dataBands_.assign(colour.begin(), colour.begin() + 3);
    } else {
        layout_ = Layout::Grey;
        dataBands_ = {colour.front()};
    }

    // Tiles are warped in the source's own type (as gdalwarp does) when that
    // is 8 or 16 bits, otherwise in floats: a 64-million-pixel window then
    // takes 2 bytes a value in the warper instead of 4.
    GDALDataType common = GDALGetRasterDataType(GDALGetRasterBand(ds, dataBands_.front()));
    for (int b : dataBands_) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (GDALGetRasterDataType(band) != GDT_Byte)
            byteData_ = false;
        if (GDALGetRasterDataType(band) != common)
            common = GDT_Float32;
        int hasNoData = FALSE;
        const double nd = GDALGetRasterNoDataValue(band, &hasNoData);
        if (hasNoData)
            noData_.push_back(nd);
    }
    if (noData_.size() != dataBands_.size())
        noData_.clear();
    tileType_ = common == GDT_Byte || common == GDT_UInt16 || common == GDT_Int16 ? common
                                                                                : GDT_Float32;
    if (layout_ == Layout::Palette && GDALGetRasterDataType(first) != GDT_Byte)
        return Status::Error(Status::ConfigurationError,
                             QStringLiteral("Palettes over more than 256 entries are not supported"));

    if (!byteData_) {
        for (int b : dataBands_) {
            double minMax[2] = {0.0, 255.0};
            CPLErrorReset();
            if (GDALComputeRasterMinMax(GDALGetRasterBand(ds, b), TRUE, minMax) != CE_None)
                return Status::Error(Status::ResourceUnavailable,
                                     lastGdalError(QStringLiteral("Cannot read raster values")));
            ranges_.push_back({minMax[0], minMax[1]});
        }
    }
    return Status::OK();
}

void GDALTileSource::readResolution(GDALDatasetH ds, const double* gt)
{
    osg::ref_ptr<SpatialReference> mercator = SpatialReference::create(QStringLiteral("epsg:3857"));
    const SpatialReference* merc = mercator.get();
    const int w = GDALGetRasterXSize(ds);
    const int h = GDALGetRasterYSize(ds);
    auto toMercator = [&](double px, double py, double& mx, double& my) {
        return srs_->transform2D(gt[0] + px * gt[1] + py * gt[2], gt[3] + px * gt[4] + py * gt[5],
                                 merc, mx, my);
    };
    double x0, y0, x1, y1, x2, y2;
    const double cx = w / 2.0, cy = h / 2.0;
    if (srs_->isSphericalMercator() || srs_->isEquivalentTo(merc)) {
        // Already mercator metres: differences of transformed coordinates
        // would only add rounding noise.
        nativeResolution_ = std::min(std::hypot(gt[1], gt[4]), std::hypot(gt[2], gt[5]));
    } else if (toMercator(cx, cy, x0, y0) && toMercator(cx + 1, cy, x1, y1)
               && toMercator(cx, cy + 1, x2, y2)) {
        nativeResolution_ = std::min(std::hypot(x1 - x0, y1 - y0), std::hypot(x2 - x0, y2 - y0));
    } else {
        const GeoExtent m = getProfile()->getExtent().transform(merc);
        nativeResolution_ = m.isValid() ? std::min(m.width() / w, m.height() / h) : 0.0;
    }
    unsigned maxLevel = 0;
    if (nativeResolution_ > 0.0) {
        // A pixel within a relative 1e-9 of a level's counts as that level's,
        // so that an aligned raster is not warped to a level finer than itself.
        constexpr double Tolerance = 1e-9;
        const double world = 2.0 * SpatialReference::MercatorHalfExtent;
        const double level = std::log2(world / (TileSize * nativeResolution_ * (1.0 + Tolerance)));
        maxLevel = unsigned(std::clamp(std::ceil(level), 0.0, 23.0));
    }
    setLevels(0, maxLevel);

    width_ = w;
    height_ = h;
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    for (int i = 0; i < GDALGetOverviewCount(band); ++i) {
        GDALRasterBandH ovr = GDALGetOverview(band, i);
        if (!ovr || GDALGetRasterBandXSize(ovr) <= 0 || GDALGetRasterBandYSize(ovr) <= 0)
            break; // levels are used by their index, so none after a broken one
        overviewSizes_.emplace_back(GDALGetRasterBandXSize(ovr), GDALGetRasterBandYSize(ovr));
    }
}

// The tile's corners and a grid between them, taken into full-resolution
// source pixels.
bool GDALTileSource::footprint(const double* tileGeo, Footprint& fp) const
{
    GDALDatasetPool::Lease full = pool_->acquire(-1);
    if (!full.get())
        return false;
    void* transformer = takeTransformer(full.get(), -1);
    if (!transformer)
        return false;
    double gt[6];
    std::copy(tileGeo, tileGeo + 6, gt);
    GDALSetGenImgProjTransformerDstGeoTransform(transformer, gt);
    // gdalwarp measures the ratio on a 10 x 10 grid over the target, across;
    // the same points give the window.
    constexpr int Grid = 10;
    std::vector<double> xs, ys, zs(Grid * Grid, 0.0);
    std::vector<int> ok(Grid * Grid, FALSE);
    for (int i = 0; i < Grid; ++i)
        for (int j = 0; j < Grid; ++j) {
            xs.push_back(TileSize * double(i) / (Grid - 1));
            ys.push_back(TileSize * double(j) / (Grid - 1));
        }
    GDALGenImgProjTransform(transformer, TRUE, Grid * Grid, xs.data(), ys.data(), zs.data(),
                            ok.data());
    returnTransformer(-1, transformer);
    fp.left = fp.top = std::numeric_limits<double>::infinity();
    fp.right = fp.bottom = -std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < xs.size(); ++k) {
        if (!ok[k] || !std::isfinite(xs[k]) || !std::isfinite(ys[k]))
            continue;
        fp.left = std::min(fp.left, xs[k]);
        fp.right = std::max(fp.right, xs[k]);
        fp.top = std::min(fp.top, ys[k]);
        fp.bottom = std::max(fp.bottom, ys[k]);
    }
    const bool found = fp.right >= fp.left && fp.bottom >= fp.top;
    fp.ratio = found && fp.right > fp.left ? (fp.right - fp.left) / TileSize : 0.0;
    fp.inside = found && fp.left >= 1.0 && fp.top >= 1.0 && fp.right <= width_ - 1.0
        && fp.bottom <= height_ - 1.0;
    if (!found)
        fp.left = fp.top = fp.right = fp.bottom = 0.0;
    return true;
}

// gdalwarp's choice: the full raster up to a ratio just above 1, then the
// level whose factor is within 0.1 of the ratio or the finer of the two
// around it; the coarsest when the ratio is beyond all.
int GDALTileSource::overviewFor(double ratio) const
{
    const int count = int(overviewSizes_.size());
    if (!(ratio > 1.0) || count == 0)
        return -1;
    auto factor = [this](int level) {
        return level < 0 ? 1.0 : double(width_) / overviewSizes_[size_t(level)].first;
    };
    int level = -1;
    for (; level < count - 1; ++level) {
        const double here = factor(level);
        if ((here < ratio && factor(level + 1) > ratio) || std::abs(here - ratio) < 1e-1)
            break;
    }
    return level;
}

GDALTileSource::Window GDALTileSource::windowAt(const Footprint& fp, int overview,
                                                double margin) const
{
    const int w = overview < 0 ? width_ : overviewSizes_[size_t(overview)].first;
    const int h = overview < 0 ? height_ : overviewSizes_[size_t(overview)].second;
    const double fx = double(w) / width_, fy = double(h) / height_;
    Window window;
    window.stepX = std::max(1e-9, (fp.right - fp.left) * fx / TileSize);
    window.stepY = std::max(1e-9, (fp.bottom - fp.top) * fy / TileSize);
    const double mx = margin * window.stepX, my = margin * window.stepY;
    window.x = int(std::floor(std::clamp(fp.left * fx - mx, 0.0, double(w))));
    window.y = int(std::floor(std::clamp(fp.top * fy - my, 0.0, double(h))));
    window.width = int(std::ceil(std::clamp(fp.right * fx + mx, 0.0, double(w)))) - window.x;
    window.height = int(std::ceil(std::clamp(fp.bottom * fy + my, 0.0, double(h)))) - window.y;
    return window;
}

// Whether GDAL reports the window as left out of a sparse file: it then
// reads as nodata, or 0 without one, and needs no reading at all.
bool GDALTileSource::sparse(GDALDatasetH src, const Window& window) const
{
    if (srcAlphaBand_ != 0 || window.width <= 0 || window.height <= 0)
        return false;
    for (int b : dataBands_) {
        GDALRasterBandH band = GDALGetRasterBand(src, b);
        const int flags = GDALGetMaskFlags(band);
        const bool byNoData = flags == GMF_NODATA && !noData_.empty();
        if (flags != GMF_ALL_VALID && !byNoData)
            return false;
        if (GDALGetDataCoverageStatus(band, window.x, window.y, window.width, window.height, 0,
                                      nullptr)
            != GDAL_DATA_COVERAGE_STATUS_EMPTY)
            return false;
    }
    return true;
}

// What the warp makes of a window of zeros (opaque) or of nodata.
void GDALTileSource::fillUniform(GDALDatasetH dst, bool opaque) const
{
    const int n = GDALGetRasterCount(dst);
    for (int b = 1; b <= n; ++b)
        GDALFillRaster(GDALGetRasterBand(dst, b), b == n && opaque ? 255.0 : 0.0, 0.0);
}

// The destination needs no georeferencing of its own: the transformer
// carries the tile's geotransform. The warp clears it (INIT_DEST), so idle
// ones are reused.
GDALDatasetH GDALTileSource::takeDestination() const
{
    {
        std::lock_guard<std::mutex> lock(transformerMutex_);
        if (!idleDestinations_.empty()) {
            GDALDatasetH dst = idleDestinations_.back();
            idleDestinations_.pop_back();
            return dst;
        }
    }
    GDALDriverH mem = GDALGetDriverByName("MEM");
    return GDALCreate(mem, "", TileSize, TileSize, int(dataBands_.size()) + 1, tileType_, nullptr);
}

// Building a transformer sets up a coordinate operation, a good part of a
// tile's time; idle ones are kept per overview level and only their
// destination geotransform changes from tile to tile.
void* GDALTileSource::takeTransformer(GDALDatasetH src, int overview) const
{
    {
        std::lock_guard<std::mutex> lock(transformerMutex_);
        for (auto it = idleTransformers_.begin(); it != idleTransformers_.end(); ++it)
            if (it->first == overview) {
                void* transformer = it->second;
                idleTransformers_.erase(it);
                return transformer;
            }
    }
    return GDALCreateGenImgProjTransformer2(src, nullptr, transformerOptions().List());
}

CPLStringList GDALTileSource::transformerOptions() const
{
    CPLStringList options;
    if (!sidecarWkt_.isEmpty())
        options.SetNameValue("SRC_SRS", sidecarWkt_.toUtf8().constData());
    options.SetNameValue("DST_SRS", mercatorWkt_.toUtf8().constData());
    return options;
}

void GDALTileSource::returnTransformer(int overview, void* transformer) const
{
    std::lock_guard<std::mutex> lock(transformerMutex_);
    idleTransformers_.emplace_back(overview, transformer);
}

void GDALTileSource::returnDestination(GDALDatasetH dst) const
{
    std::lock_guard<std::mutex> lock(transformerMutex_);
    idleDestinations_.push_back(dst);
}

bool GDALTileSource::warp(GDALDatasetH src, GDALDatasetH dst, void* transformer,
                          const std::vector<int>& srcBands, int srcAlphaBand,
                          ProgressCallback* progress) const
{
    // As gdalwarp does: exact transforms at a few points per row, linear in
    // between, within an eighth of a pixel.
    void* approx = GDALCreateApproxTransformer(GDALGenImgProjTransform, transformer, 0.125);

    const int n = int(dataBands_.size());
    GDALWarpOptions* wo = GDALCreateWarpOptions();
    wo->hSrcDS = src;
    wo->hDstDS = dst;
    wo->nBandCount = n;
    wo->panSrcBands = static_cast<int*>(CPLMalloc(sizeof(int) * n));
    wo->panDstBands = static_cast<int*>(CPLMalloc(sizeof(int) * n));
    for (int i = 0; i < n; ++i) {
        wo->panSrcBands[i] = srcBands[size_t(i)];
        wo->panDstBands[i] = i + 1;
    }
    wo->nSrcAlphaBand = srcAlphaBand;
    wo->dfWarpMemoryLimit = 64.0 * 1024 * 1024;
    wo->nDstAlphaBand = n + 1;
    if (!noData_.empty()) {
        wo->padfSrcNoDataReal = static_cast<double*>(CPLMalloc(sizeof(double) * n));
        std::copy(noData_.begin(), noData_.end(), wo->padfSrcNoDataReal);
    }
    wo->eResampleAlg = layout_ == Layout::Palette ? GRA_NearestNeighbour : GRA_Bilinear;
    wo->papszWarpOptions = CSLSetNameValue(wo->papszWarpOptions, "INIT_DEST", "0");
    wo->papszWarpOptions = CSLSetNameValue(wo->papszWarpOptions, "DST_ALPHA_MAX", "255");
    wo->pfnTransformer = GDALApproxTransform;
    wo->pTransformerArg = approx;
    wo->pfnProgress = cancelProgress;
    wo->pProgressArg = progress;

    GDALWarpOperationH op = GDALCreateWarpOperation(wo);
    const bool ok = op && GDALChunkAndWarpImage(op, 0, 0, TileSize, TileSize) == CE_None;
    if (op)
        GDALDestroyWarpOperation(op);
    GDALDestroyApproxTransformer(approx);
    GDALDestroyWarpOptions(wo);
    return ok;
}

// The window read at about the tile's resolution, averaged (nearest index
// for paletted rasters), then warped.
bool GDALTileSource::warpReduced(GDALDatasetH src, GDALDatasetH dst, const double* tileGeo,
                                 const Window& window, ProgressCallback* progress) const
{
    if (window.width <= 0 || window.height <= 0) {
        fillUniform(dst, false);
        return true;
    }
    const int reducedWidth = std::clamp(int(std::ceil(window.width / window.stepX)), 1,
                                        std::min(window.width, MaxReducedSize));
    const int reducedHeight = std::clamp(int(std::ceil(window.height / window.stepY)), 1,
                                         std::min(window.height, MaxReducedSize));
    GDALDatasetH reduced = readReduced(src, window, reducedWidth, reducedHeight, progress);
    if (!reduced)
        return false;
    void* reducedTransformer =
        GDALCreateGenImgProjTransformer2(reduced, nullptr, transformerOptions().List());
    bool warped = false;
    if (reducedTransformer) {
        double gt[6];
        std::copy(tileGeo, tileGeo + 6, gt);
        GDALSetGenImgProjTransformerDstGeoTransform(reducedTransformer, gt);
        std::vector<int> bands(dataBands_.size());
        for (size_t i = 0; i < bands.size(); ++i)
            bands[i] = int(i) + 1;
        warped = warp(reduced, dst, reducedTransformer, bands,
                      srcAlphaBand_ ? int(bands.size()) + 1 : 0, progress);
        GDALDestroyGenImgProjTransformer(reducedTransformer);
    }
    GDALClose(reduced);
    return warped;
}

// A memory raster of the window at width x height, georeferenced as the
// part of the source it shows; the data bands, then the alpha band.
GDALDatasetH GDALTileSource::readReduced(GDALDatasetH src, const Window& window, int width,
                                         int height, ProgressCallback* progress) const
{
    std::vector<int> bands = dataBands_;
    if (srcAlphaBand_)
        bands.push_back(srcAlphaBand_);
    const int n = int(bands.size());
    const GDALDataType type = byteData_ ? GDT_Byte : GDT_Float32;
    const int typeSize = GDALGetDataTypeSizeBytes(type);
    std::vector<uchar> buffer(size_t(width) * size_t(height) * size_t(n) * size_t(typeSize));
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.pfnProgress = cancelProgress;
    extra.pProgressData = progress;
    if (layout_ == Layout::Palette) {
        extra.eResampleAlg = GRIORA_NearestNeighbour;
        if (GDALDatasetRasterIOEx(src, GF_Read, window.x, window.y, window.width, window.height,
                                  buffer.data(), width, height, type, n, bands.data(), 0, 0, 0,
                                  &extra)
            != CE_None)
            return nullptr;
    } else {
        extra.eResampleAlg = GRIORA_Average;
        int blockWidth = 0, blockHeight = 0;
        GDALGetBlockSize(GDALGetRasterBand(src, bands.front()), &blockWidth, &blockHeight);
        blockHeight = std::max(1, blockHeight);
        const int maxRows = std::max(1, int(MaxAveragedValues / (double(window.width) * n)));
        const double rowStep = double(window.height) / height;
        const GSpacing line = GSpacing(width) * typeSize;
        for (int j = 0; j < height; ++j) {
            const int centre = window.y + int((j + 0.5) * rowStep);
            const int blockTop = centre / blockHeight * blockHeight;
            int top = std::max(blockTop, window.y + int(j * rowStep));
            int bottom = std::min({blockTop + blockHeight, window.y + window.height,
                                   window.y + int(std::ceil((j + 1) * rowStep))});
            if (bottom - top > maxRows) {
                top = std::max(top, centre - maxRows / 2);
                bottom = std::min(bottom, top + maxRows);
            }
            bottom = std::max(bottom, top + 1);
            uchar* row = buffer.data() + j * line;
            if (sparse(src, Window{window.x, top, window.width, bottom - top, 1.0, 1.0})) {
                // Left out of the file: its fill value, no need to average it.
                for (size_t b = 0; b < noData_.size(); ++b)
                    GDALCopyWords(&noData_[b], GDT_Float64, 0, row + b * line * height, type,
                                  typeSize, width);
                continue;
            }
            if (GDALDatasetRasterIOEx(src, GF_Read, window.x, top, window.width, bottom - top, row,
                                      width, 1, type, n, bands.data(), typeSize, line,
                                      line * height, &extra)
                != CE_None)
                return nullptr;
        }
    }

    GDALDatasetH reduced = GDALCreate(GDALGetDriverByName("MEM"), "", width, height, n, type,
                                      nullptr);
    if (!reduced)
        return nullptr;
    double gt[6];
    GDALGetGeoTransform(src, gt);
    const double sx = double(window.width) / width, sy = double(window.height) / height;
    const double reducedGeo[6] = {gt[0] + window.x * gt[1] + window.y * gt[2], gt[1] * sx,
                                  gt[2] * sy, gt[3] + window.x * gt[4] + window.y * gt[5],
                                  gt[4] * sx, gt[5] * sy};
    GDALSetGeoTransform(reduced, const_cast<double*>(reducedGeo));
    GDALSetProjection(reduced, GDALGetProjectionRef(src));
    if (GDALDatasetRasterIO(reduced, GF_Write, 0, 0, width, height, buffer.data(), width, height,
                            type, n, nullptr, 0, 0, 0)
        != CE_None) {
        GDALClose(reduced);
        return nullptr;
    }
    return reduced;
}

// Byte rasters are read straight into the image, every other kind once per
// tile into byte planes; rounding on every value was a fifth of a tile's time.
QImage GDALTileSource::toImage(GDALDatasetH dst) const
{
    QImage image(TileSize, TileSize, QImage::Format_RGBA8888);
    const bool ok = byteData_ && layout_ != Layout::Palette
        ? readInterleaved(dst, image)
        : readPlanes(dst, image);
    if (!ok)
        return QImage();
    for (int y = 0; y < TileSize; ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < TileSize; ++x)
            if (row[4 * x + 3] != 0)
                return image;
    }
    return QImage();
}

bool GDALTileSource::readInterleaved(GDALDatasetH dst, QImage& image) const
{
    // Destination bands: the data bands, then alpha.
    int rgb[4] = {1, 2, 3, 4};
    int grey[4] = {1, 1, 1, 2};
    return GDALDatasetRasterIO(dst, GF_Read, 0, 0, TileSize, TileSize, image.bits(), TileSize,
                               TileSize, GDT_Byte, 4, layout_ == Layout::Rgb ? rgb : grey, 4,
                               image.bytesPerLine(), 1)
        == CE_None;
}

bool GDALTileSource::readPlanes(GDALDatasetH dst, QImage& image) const
{
    const int n = int(dataBands_.size());
    const size_t pixels = size_t(TileSize) * TileSize;
    std::vector<uchar> planes(pixels * (n + 1));
    if (byteData_) {
        if (GDALDatasetRasterIO(dst, GF_Read, 0, 0, TileSize, TileSize, planes.data(), TileSize,
                                TileSize, GDT_Byte, n + 1, nullptr, 0, 0, 0)
            != CE_None)
            return false;
    } else {
        std::vector<float> values(planes.size());
        if (GDALDatasetRasterIO(dst, GF_Read, 0, 0, TileSize, TileSize, values.data(), TileSize,
                                TileSize, GDT_Float32, n + 1, nullptr, 0, 0, 0)
            != CE_None)
            return false;
        // NaN and values out of range end at 0 or 255.
        auto toByte = [](float v) {
            return !(v > 0.0f) ? uchar(0) : v >= 255.0f ? uchar(255) : uchar(v + 0.5f);
        };
        for (int b = 0; b <= n; ++b) {
            float offset = 0.0f, scale = 1.0f; // alpha is already 0..255
            if (b < n) {
                const auto& [lo, hi] = ranges_[b];
                offset = float(lo);
                scale = hi > lo ? float(255.0 / (hi - lo)) : 0.0f;
            }
            const float* in = values.data() + b * pixels;
            uchar* out = planes.data() + b * pixels;
            for (size_t i = 0; i < pixels; ++i)
                out[i] = toByte((in[i] - offset) * scale);
        }
    }

    const uchar* alpha = planes.data() + pixels * n;
    for (int y = 0; y < TileSize; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < TileSize; ++x, p += 4) {
            const size_t i = size_t(y) * TileSize + x;
            if (layout_ == Layout::Palette) {
                const auto& c = palette_[planes[i]];
                p[0] = c[0];
                p[1] = c[1];
                p[2] = c[2];
                p[3] = uchar(alpha[i] * c[3] / 255);
                continue;
            }
            for (int b = 0; b < 3; ++b)
                p[b] = planes[(layout_ == Layout::Rgb ? b * pixels : 0) + i];
            p[3] = alpha[i];
        }
    }
    return true;
}

TileResult GDALTileSource::createImage(const TileKey& key, ProgressCallback* progress)
{
    const GeoExtent extent = key.getExtent();
    if (!pool_ || !extent.isValid() || !extent.getSRS()->isSphericalMercator())
        return TileResult::failed(QStringLiteral("Not a mercator tile key"));
    if (!hasDataInExtent(extent))
        return TileResult::noData();

    const double gt[6] = {extent.xMin(), extent.width() / TileSize, 0.0,
                          extent.yMax(), 0.0, -extent.height() / TileSize};
    CPLErrorReset();
    Footprint fp;
    if (!footprint(gt, fp))
        return TileResult::failed(lastGdalError(QStringLiteral("Cannot open ") + path_));
    const int overview = overviewFor(fp.ratio);
    // Bilinear weights reach a step beyond the pixels the tile covers.
    const Window covered = windowAt(fp, overview, 0.0);
    const Window reach = windowAt(fp, overview, 1.0);
    GDALDatasetPool::Lease src = pool_->acquire(overview);
    if (!src.get())
        return TileResult::failed(lastGdalError(QStringLiteral("Cannot open ") + path_));
    GDALDatasetH dst = takeDestination();
    if (!dst)
        return TileResult::failed(lastGdalError(QStringLiteral("Cannot create tile")));
    bool warped = false;
    if (covered.pixels() > MaxWarpPixels) {
        warped = warpReduced(src.get(), dst, gt, reach, progress);
    } else if (fp.inside && sparse(src.get(), reach)) {
        fillUniform(dst, noData_.empty());
        warped = true;
    } else if (void* transformer = takeTransformer(src.get(), overview)) {
        double tileGeo[6];
        std::copy(gt, gt + 6, tileGeo);
        GDALSetGenImgProjTransformerDstGeoTransform(transformer, tileGeo);
        warped = warp(src.get(), dst, transformer, dataBands_, srcAlphaBand_, progress);
        returnTransformer(overview, transformer);
    }
    QImage image = warped ? toImage(dst) : QImage();
    returnDestination(dst);
    if (progress && progress->isCanceled())
        return TileResult::cancelled();
    if (!warped)
        return TileResult::failed(lastGdalError(QStringLiteral("Warping failed")));
    return image.isNull() ? TileResult::noData() : TileResult::ok(image);
}

} // namespace kiv::geo::Drivers
