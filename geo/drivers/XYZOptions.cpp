#include "geo/drivers/XYZOptions.h"

#include <QUrl>
#include <QUrlQuery>

namespace kiv::geo::Drivers {

XYZOptions::XYZOptions(const TileSourceOptions& options) : TileSourceOptions(options)
{
    setDriver(QStringLiteral("xyz"));
}

int XYZOptions::timeoutMs() const
{
    return int(number(QStringLiteral("timeout_ms")).value_or(30000.0));
}

int XYZOptions::connectTimeoutMs() const
{
    return int(number(QStringLiteral("connect_timeout_ms")).value_or(10000.0));
}

void XYZOptions::setConnectTimeoutMs(int ms)
{
    setStr(QStringLiteral("connect_timeout_ms"), QString::number(ms));
}

QString XYZOptions::cacheIdentity() const
{
    // Only what selects the imagery: the template without its token.
    QUrl url(this->url());
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("access_token"));
    url.setQuery(query);
    return QStringLiteral("url=") + url.toString() + QStringLiteral(";profile=")
        + profile().namedProfile();
}

} // namespace kiv::geo::Drivers
