#pragma once

#include <QString>

namespace kiv::geo {

// How a layer uses the tile cache: DEFAULT reads the cache first and stores
// what it fetches; CACHE_ONLY never fetches (a miss is "no data"); NO_CACHE
// never touches the cache.
class CachePolicy
{
public:
    enum class Usage { ReadWrite, CacheOnly, NoCache };

    static const CachePolicy DEFAULT;
    static const CachePolicy CACHE_ONLY;
    static const CachePolicy NO_CACHE;

    constexpr CachePolicy(Usage usage = Usage::ReadWrite) : usage_(usage) {}

    constexpr Usage usage() const { return usage_; }
    constexpr bool isCacheEnabled() const { return usage_ != Usage::NoCache; }
    constexpr bool isCacheOnly() const { return usage_ == Usage::CacheOnly; }
    constexpr bool operator==(const CachePolicy& o) const { return usage_ == o.usage_; }
    constexpr bool operator!=(const CachePolicy& o) const { return usage_ != o.usage_; }

    // "read_write", "cache_only", "no_cache"; unknown text gives DEFAULT.
    static CachePolicy fromString(const QString& text);
    QString toString() const;

private:
    Usage usage_;
};

inline constexpr CachePolicy CachePolicy::DEFAULT{CachePolicy::Usage::ReadWrite};
inline constexpr CachePolicy CachePolicy::CACHE_ONLY{CachePolicy::Usage::CacheOnly};
inline constexpr CachePolicy CachePolicy::NO_CACHE{CachePolicy::Usage::NoCache};

} // namespace kiv::geo
