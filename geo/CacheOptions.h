#pragma once

#include <QString>

namespace kiv::geo {

// Which tile cache the map uses; only the "filesystem" driver exists.
class CacheOptions
{
public:
    CacheOptions() = default;
    CacheOptions(const QString& driver, const QString& rootPath)
        : driver_(driver), rootPath_(rootPath)
    {
    }

    const QString& getDriver() const { return driver_; }
    void setDriver(const QString& driver) { driver_ = driver; }
    const QString& rootPath() const { return rootPath_; }
    void setRootPath(const QString& path) { rootPath_ = path; }

private:
    QString driver_;
    QString rootPath_;
};

} // namespace kiv::geo
