#include "geo/CachePolicy.h"

namespace kiv::geo {

CachePolicy CachePolicy::fromString(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("cache_only"))
        return CACHE_ONLY;
    if (t == QLatin1String("no_cache"))
        return NO_CACHE;
    return DEFAULT;
}

QString CachePolicy::toString() const
{
    switch (usage_) {
    case Usage::CacheOnly:
        return QStringLiteral("cache_only");
    case Usage::NoCache:
        return QStringLiteral("no_cache");
    case Usage::ReadWrite:
        break;
    }
    return QStringLiteral("read_write");
}

} // namespace kiv::geo
