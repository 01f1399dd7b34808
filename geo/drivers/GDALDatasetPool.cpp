#include "geo/drivers/GDALDatasetPool.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <QFileInfo>

#include <algorithm>
#include <mutex>

namespace kiv::geo::Drivers {

namespace {

// Base maps are GeoTIFF files; tiles are warped into memory datasets.
const char* const AllowedDrivers[] = {"GTiff", nullptr};
const char* const KeptDrivers[] = {"GTiff", "MEM"};

// Every other driver goes: a GeoTIFF's overview or mask sidecar is opened by
// GDAL itself, without our allow-list, and must not turn out to be a VRT or a
// web service. Network reads are refused outright.
void setUpGdal()
{
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        for (int i = GDALGetDriverCount() - 1; i >= 0; --i) {
            GDALDriverH driver = GDALGetDriver(i);
            const char* name = GDALGetDriverShortName(driver);
            if (std::none_of(std::begin(KeptDrivers), std::end(KeptDrivers),
                             [name](const char* kept) { return EQUAL(name, kept); })) {
                GDALDeregisterDriver(driver);
                GDALDestroyDriver(driver);
            }
        }
        CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_EXTENSIONS", ".network-access-disabled");
        CPLSetConfigOption("GDAL_HTTP_MAX_RETRY", "0");
        CPLSetConfigOption("GDAL_HTTP_TIMEOUT", "1");
        // Raster blocks kept between tiles, whatever the machine's memory.
        GDALSetCacheMax64(GIntBig(64) * 1024 * 1024);
    });
}

} // namespace

GDALDatasetH GDALDatasetPool::openRaster(const QString& path, CSLConstList openOptions)
{
    setUpGdal();
    const QFileInfo info(path);
    if (path.startsWith(QLatin1String("/vsi")) || !info.isFile()) {
        CPLError(CE_Failure, CPLE_OpenFailed, "Not a local raster file: %s", path.toUtf8().constData());
        return nullptr;
    }
    return GDALOpenEx(info.absoluteFilePath().toUtf8().constData(),
                      GDAL_OF_RASTER | GDAL_OF_READONLY, AllowedDrivers, openOptions, nullptr);
}

GDALDatasetPool::Lease::~Lease()
{
    if (pool_)
        pool_->release(level_, handle_);
}

GDALDatasetPool::GDALDatasetPool(const QString& path, int maxHandles)
    : path_(path), maxHandles_(std::max(1, maxHandles))
{
}

GDALDatasetPool::~GDALDatasetPool()
{
    for (auto& [level, l] : levels_)
        for (GDALDatasetH h : l.idle)
            GDALClose(h);
}

GDALDatasetH GDALDatasetPool::openHandle(int level) const
{
    CPLStringList openOptions;
    if (level >= 0)
        openOptions.SetNameValue("OVERVIEW_LEVEL", CPLString().Printf("%d", level));
    return openRaster(path_, openOptions.List());
}

GDALDatasetPool::Lease GDALDatasetPool::acquire(int level)
{
    std::unique_lock<std::mutex> lock(mutex_);
    Level& l = levels_[level];
    available_.wait(lock, [&l, this] { return !l.idle.empty() || l.open < maxHandles_; });
    if (!l.idle.empty()) {
        GDALDatasetH h = l.idle.back();
        l.idle.pop_back();
        return Lease(this, level, h);
    }
    ++l.open;
    lock.unlock();
    GDALDatasetH h = openHandle(level);
    if (!h) {
        lock.lock();
        --levels_[level].open;
        available_.notify_all();
        return Lease(nullptr, level, nullptr);
    }
    return Lease(this, level, h);
}

void GDALDatasetPool::release(int level, GDALDatasetH handle)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        levels_[level].idle.push_back(handle);
    }
    available_.notify_all();
}

} // namespace kiv::geo::Drivers
