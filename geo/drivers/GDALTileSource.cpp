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
#include <mutex>

namespace kiv::geo::Drivers {

namespace {

constexpr int TileSize = int(Profile::TileSize);
// Beyond this many source pixels per tile pixel (no overview being close
// enough), the source is read decimated first: a raster that claims 100,000
// pixels across is then never read whole for one tile.
constexpr double MaxStep = 2.0;
constexpr int MaxReducedSize = 4 * TileSize;

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

    for (int b : dataBands_) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (GDALGetRasterDataType(band) != GDT_Byte)
            byteData_ = false;
        int hasNoData = FALSE;
        const double nd = GDALGetRasterNoDataValue(band, &hasNoData);
        if (hasNoData)
            noData_.push_back(nd);
    }
    if (noData_.size() != dataBands_.size())
        noData_.clear();
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

    GDALRasterBandH band = GDALGetRasterBand(ds, dataBands_.front());
    for (int i = 0; i < GDALGetOverviewCount(band); ++i) {
        GDALRasterBandH ovr = GDALGetOverview(band, i);
        if (ovr && GDALGetRasterBandXSize(ovr) > 0)
            overviewFactors_.push_back(double(w) / GDALGetRasterBandXSize(ovr));
    }
}

int GDALTileSource::overviewFor(double tileResolution) const
{
    if (nativeResolution_ <= 0.0)
        return -1;
    const double ratio = tileResolution / nativeResolution_;
    int best = -1;
    double bestFactor = 1.0;
    for (size_t i = 0; i < overviewFactors_.size(); ++i) {
        if (overviewFactors_[i] <= ratio && overviewFactors_[i] > bestFactor) {
            best = int(i);
            bestFactor = overviewFactors_[i];
        }
    }
    return best;
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
    const GDALDataType type = byteData_ ? GDT_Byte : GDT_Float32;
    return GDALCreate(mem, "", TileSize, TileSize, int(dataBands_.size()) + 1, type, nullptr);
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

// The source pixels a tile covers, found from a grid of tile pixels, read at
// about the tile's resolution (nearest pixel) and warped from there.
bool GDALTileSource::warpReduced(GDALDatasetH src, GDALDatasetH dst, void* transformer,
                                 const double* tileGeo, double step,
                                 ProgressCallback* progress) const
{
    constexpr int Grid = 17;
    std::vector<double> xs, ys, zs(Grid * Grid, 0.0);
    std::vector<int> ok(Grid * Grid, FALSE);
    for (int j = 0; j < Grid; ++j)
        for (int i = 0; i < Grid; ++i) {
            xs.push_back(double(i) * TileSize / (Grid - 1));
            ys.push_back(double(j) * TileSize / (Grid - 1));
        }
    GDALGenImgProjTransform(transformer, TRUE, Grid * Grid, xs.data(), ys.data(), zs.data(),
                            ok.data());
    const double width = GDALGetRasterXSize(src), height = GDALGetRasterYSize(src);
    double x0 = width, y0 = height, x1 = 0.0, y1 = 0.0;
    for (size_t k = 0; k < xs.size(); ++k) {
        if (!ok[k] || !std::isfinite(xs[k]) || !std::isfinite(ys[k]))
            continue;
        x0 = std::min(x0, xs[k]);
        x1 = std::max(x1, xs[k]);
        y0 = std::min(y0, ys[k]);
        y1 = std::max(y1, ys[k]);
    }
    // One step of margin for what falls between the grid's points.
    const int left = int(std::floor(std::clamp(x0 - step, 0.0, width)));
    const int top = int(std::floor(std::clamp(y0 - step, 0.0, height)));
    const int right = int(std::ceil(std::clamp(x1 + step, 0.0, width)));
    const int bottom = int(std::ceil(std::clamp(y1 + step, 0.0, height)));
    if (right <= left || bottom <= top) {
        for (int b = 1; b <= GDALGetRasterCount(dst); ++b)
            GDALFillRaster(GDALGetRasterBand(dst, b), 0.0, 0.0);
        return true;
    }
    const int w = right - left, h = bottom - top;
    const int reducedWidth = std::clamp(int(std::ceil(w / step)), 1, std::min(w, MaxReducedSize));
    const int reducedHeight = std::clamp(int(std::ceil(h / step)), 1, std::min(h, MaxReducedSize));
    GDALDatasetH reduced = readReduced(src, left, top, w, h, reducedWidth, reducedHeight, progress);
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

// A memory raster of the window read at width x height, georeferenced as
// the part of the source it shows; the data bands, then the alpha band.
GDALDatasetH GDALTileSource::readReduced(GDALDatasetH src, int x, int y, int w, int h, int width,
                                         int height, ProgressCallback* progress) const
{
    std::vector<int> bands = dataBands_;
    if (srcAlphaBand_)
        bands.push_back(srcAlphaBand_);
    const GDALDataType type = byteData_ ? GDT_Byte : GDT_Float32;
    std::vector<uchar> buffer(size_t(width) * size_t(height) * bands.size()
                              * size_t(GDALGetDataTypeSizeBytes(type)));
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_NearestNeighbour;
    extra.pfnProgress = cancelProgress;
    extra.pProgressData = progress;
    if (GDALDatasetRasterIOEx(src, GF_Read, x, y, w, h, buffer.data(), width, height, type,
                              int(bands.size()), bands.data(), 0, 0, 0, &extra)
        != CE_None)
        return nullptr;
    GDALDatasetH reduced = GDALCreate(GDALGetDriverByName("MEM"), "", width, height,
                                      int(bands.size()), type, nullptr);
    if (!reduced)
        return nullptr;
    double gt[6];
    GDALGetGeoTransform(src, gt);
    const double sx = double(w) / width, sy = double(h) / height;
    const double reducedGeo[6] = {gt[0] + x * gt[1] + y * gt[2], gt[1] * sx, gt[2] * sy,
                                  gt[3] + x * gt[4] + y * gt[5], gt[4] * sx, gt[5] * sy};
    GDALSetGeoTransform(reduced, const_cast<double*>(reducedGeo));
    GDALSetProjection(reduced, GDALGetProjectionRef(src));
    if (GDALDatasetRasterIO(reduced, GF_Write, 0, 0, width, height, buffer.data(), width, height,
                            type, int(bands.size()), nullptr, 0, 0, 0)
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

    const double tileResolution = extent.width() / TileSize;
    const int overview = overviewFor(tileResolution);
    const double levelFactor = overview < 0 ? 1.0 : overviewFactors_[size_t(overview)];
    const double step = nativeResolution_ > 0.0
        ? tileResolution / (nativeResolution_ * levelFactor) : 1.0;
    GDALDatasetPool::Lease src = pool_->acquire(overview);
    if (!src.get())
        return TileResult::failed(lastGdalError(QStringLiteral("Cannot open ") + path_));
    GDALDatasetH dst = takeDestination();
    if (!dst)
        return TileResult::failed(lastGdalError(QStringLiteral("Cannot create tile")));
    CPLErrorReset();
    void* transformer = takeTransformer(src.get(), overview);
    bool warped = false;
    if (transformer) {
        double gt[6] = {extent.xMin(), extent.width() / TileSize, 0.0,
                        extent.yMax(), 0.0, -extent.height() / TileSize};
        GDALSetGenImgProjTransformerDstGeoTransform(transformer, gt);
        warped = step > MaxStep
            ? warpReduced(src.get(), dst, transformer, gt, step, progress)
            : warp(src.get(), dst, transformer, dataBands_, srcAlphaBand_, progress);
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
