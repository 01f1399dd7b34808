#pragma once

#include <gdal.h>

#include <QString>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace kiv::geo::Drivers {

// Read-only handles on one raster file, one per overview level in use. A
// GDAL dataset may be used by one thread at a time, so each tile borrows a
// handle and gives it back; at most `maxHandles` are open per level.
class GDALDatasetPool
{
public:
    class Lease
    {
    public:
        Lease(GDALDatasetPool* pool, int level, GDALDatasetH handle)
            : pool_(pool), level_(level), handle_(handle)
        {
        }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();
        GDALDatasetH get() const { return handle_; }

    private:
        GDALDatasetPool* pool_;
        int level_;
        GDALDatasetH handle_;
    };

    GDALDatasetPool(const QString& path, int maxHandles);

    // Opens a local raster file read-only with the GeoTIFF driver alone and
    // GDAL's network access off; null for anything else (a VRT, a URL, ...).
    static GDALDatasetH openRaster(const QString& path, CSLConstList openOptions = nullptr);
    ~GDALDatasetPool();

    // A handle on the full-resolution raster (level -1) or one overview
    // level; null when the file cannot be opened.
    Lease acquire(int level = -1);

private:
    struct Level
    {
        std::vector<GDALDatasetH> idle;
        int open = 0;
    };

    GDALDatasetH openHandle(int level) const;
    void release(int level, GDALDatasetH handle);

    QString path_;
    int maxHandles_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::map<int, Level> levels_;
};

} // namespace kiv::geo::Drivers
