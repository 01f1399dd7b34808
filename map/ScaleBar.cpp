#include "map/ScaleBar.h"

namespace kiv {

namespace {

constexpr double FeetPerMetre = 3.2808399;
constexpr double FeetPerMile = 5280.0;

long long roundStep(long long n)
{
    if (n > 1000)
        return (n / 1000) * 1000;
    for (long long step : {500, 200, 100, 50, 20, 10, 5, 2}) {
        if (n > step)
            return step;
    }
    return 1;
}

} // namespace

ScaleBar ScaleBar::measure(double metres, double length, bool imperial)
{
    double d = metres;
    QString format = QStringLiteral("%1m");
    if (!imperial) {
        if (d > 1000.0) {
            d /= 1000.0;
            format = QStringLiteral("%1km");
        }
    } else {
        d *= FeetPerMetre;
        format = QStringLiteral("%1ft");
        if (d > FeetPerMile) {
            d /= FeetPerMile;
            format = QStringLiteral("%1mi");
        }
    }
    const long long step = roundStep(static_cast<long long>(d));
    return {format.arg(step), double(step) * length / d};
}

} // namespace kiv
