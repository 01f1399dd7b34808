#pragma once

#include "geo/TileSourceOptions.h"

namespace kiv::geo::Drivers {

// Options of the "xyz" driver: a URL template with {z}, {x} and {y}, and how
// patiently to fetch. The access token in the URL is not part of the cache
// identity (see TileSourceOptions::cacheIdentity), so a new token keeps the
// tiles already cached.
class XYZOptions : public TileSourceOptions
{
public:
    explicit XYZOptions(const TileSourceOptions& options = TileSourceOptions());

    QString url() const { return str(QStringLiteral("url")); }
    void setUrl(const QString& url) { setStr(QStringLiteral("url"), url); }
    // Whole-transfer and connect time-outs in milliseconds.
    int timeoutMs() const;
    void setTimeoutMs(int ms) { setStr(QStringLiteral("timeout_ms"), QString::number(ms)); }
    int connectTimeoutMs() const;
    void setConnectTimeoutMs(int ms);
    QString userAgent() const { return str(QStringLiteral("user_agent")); }
    void setUserAgent(const QString& agent) { setStr(QStringLiteral("user_agent"), agent); }
};

} // namespace kiv::geo::Drivers
