#include "geo/TileSource.h"

#include <QDebug>

#include <algorithm>

namespace kiv::geo {

TileSource::TileSource(const TileSourceOptions& options) : options_(options) {}

TileSource::~TileSource() = default;

const Status& TileSource::open()
{
    std::call_once(openOnce_, [this] {
        const ProfileOptions profileOptions = options_.profile();
        if (!profileOptions.empty()) {
            profile_ = Profile::create(profileOptions);
            if (!profile_) {
                std::lock_guard<std::mutex> lock(statusMutex_);
                status_ = Status::Error(Status::ConfigurationError,
                                        QStringLiteral("Unknown profile ")
                                            + profileOptions.namedProfile());
                open_ = true;
                return;
            }
        }
        const Status status = initialize();
        if (status.isError())
            qWarning() << "Tile source" << options_.getDriver()
                       << "failed to open:" << status.message();
        std::lock_guard<std::mutex> lock(statusMutex_);
        status_ = status;
        open_ = true;
    });
    return status_;
}

bool TileSource::isOpen() const
{
    std::lock_guard<std::mutex> lock(statusMutex_);
    return open_ && status_.isOK();
}

Status TileSource::getStatus() const
{
    std::lock_guard<std::mutex> lock(statusMutex_);
    return status_;
}

unsigned TileSource::getMaxDataLevel() const
{
    const std::optional<unsigned> cap = options_.maxDataLevel();
    return cap ? std::min(*cap, maxLevel_) : maxLevel_;
}

void TileSource::setLevels(unsigned minLevel, unsigned maxLevel)
{
    minLevel_ = std::min(minLevel, Profile::MaxLevel);
    maxLevel_ = std::clamp(maxLevel, minLevel_, Profile::MaxLevel);
}

bool TileSource::hasDataInExtent(const GeoExtent& extent) const
{
    if (dataExtents_.empty())
        return true;
    return std::any_of(dataExtents_.begin(), dataExtents_.end(),
                       [&extent](const GeoExtent& e) { return e.intersects(extent); });
}

} // namespace kiv::geo
