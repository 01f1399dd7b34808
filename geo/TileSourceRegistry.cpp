#include "geo/TileSourceRegistry.h"

#include "geo/drivers/BuiltinTileSourceDriver.h"

#include <QDebug>

namespace kiv::geo {

TileSourceRegistry* TileSourceRegistry::instance()
{
    static TileSourceRegistry registry;
    return &registry;
}

TileSourceRegistry::TileSourceRegistry()
{
    for (auto& driver : Drivers::BuiltinTileSourceDriver::all())
        drivers_.push_back(std::move(driver));
}

QString TileSourceRegistry::extensionOf(const QString& driverName)
{
    return QStringLiteral("osgearth_") + driverName.trimmed().toLower();
}

void TileSourceRegistry::addDriver(std::unique_ptr<TileSourceDriver> driver)
{
    if (!driver)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    drivers_.push_back(std::move(driver));
}

bool TileSourceRegistry::hasDriver(const QString& driverName) const
{
    const QString ext = extensionOf(driverName);
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& d : drivers_)
        if (d->acceptsExtension(ext))
            return true;
    return false;
}

osg::ref_ptr<TileSource> TileSourceRegistry::create(const TileSourceOptions& options) const
{
    const QString fileName = QStringLiteral(".") + extensionOf(options.getDriver());
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& d : drivers_) {
        const TileSourceDriver::ReadResult r = d->readObject(fileName, options);
        if (r.status == TileSourceDriver::ReadResult::FILE_LOADED && r.source)
            return r.source;
    }
    qWarning() << "Unsupported tile source driver:" << options.getDriver();
    return nullptr;
}

} // namespace kiv::geo
