#include "geo/drivers/XYZOptions.h"

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

} // namespace kiv::geo::Drivers
