#pragma once

#include "geo/Config.h"

namespace kiv::geo {

// Names a tiling profile; "spherical-mercator" is the one the map uses.
class ProfileOptions
{
public:
    ProfileOptions() = default;
    explicit ProfileOptions(const QString& namedProfile) : namedProfile_(namedProfile) {}
    explicit ProfileOptions(const Config& conf);

    const QString& namedProfile() const { return namedProfile_; }
    bool empty() const { return namedProfile_.isEmpty(); }
    Config getConfig() const;

private:
    QString namedProfile_;
};

} // namespace kiv::geo
