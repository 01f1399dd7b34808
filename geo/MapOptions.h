#pragma once

#include "geo/CacheOptions.h"

#include <optional>

namespace kiv::geo {

// Options of a map. The map is always a flat, projected (spherical-mercator)
// map; a tile cache is optional.
class MapOptions
{
public:
    enum CoordinateSystemType { CSTYPE_PROJECTED };

    CoordinateSystemType coordSysType() const { return cstype_; }
    void setCoordSysType(CoordinateSystemType type) { cstype_ = type; }
    const std::optional<CacheOptions>& cache() const { return cache_; }
    void setCache(const CacheOptions& cache) { cache_ = cache; }

private:
    CoordinateSystemType cstype_ = CSTYPE_PROJECTED;
    std::optional<CacheOptions> cache_;
};

} // namespace kiv::geo
