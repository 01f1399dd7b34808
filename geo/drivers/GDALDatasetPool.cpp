#include "geo/drivers/GDALDatasetPool.h"

#include <cpl_string.h>

#include <algorithm>

namespace kiv::geo::Drivers {

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
    return GDALOpenEx(path_.toUtf8().constData(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr,
                      openOptions.List(), nullptr);
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
