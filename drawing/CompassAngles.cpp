#include "drawing/CompassAngles.h"

#include <cmath>
#include <iomanip>
#include <limits>
#include <sstream>

namespace kiv {

double noHeading() { return std::numeric_limits<double>::lowest(); }

double wrapDegrees(double angle)
{
    const double wrapped = angle - 360.0 * std::floor(angle / 360.0);
    // Tiny negatives round up to 360 itself.
    return wrapped >= 360.0 ? 0.0 : wrapped;
}

QString formatAzimuth(double angle)
{
    long long rounded = 0;
    if (angle >= 0.0) {
        rounded = static_cast<long long>(std::trunc(angle + 0.5));
    } else {
        const double k = std::trunc(angle - 1.0);
        rounded = static_cast<long long>(k + std::trunc(angle - k + 0.5));
    }
    std::ostringstream text;
    text << std::setw(3) << std::setfill('0') << rounded;
    return QString::fromStdString(text.str()) + QChar(0x00B0);
}

HeadingArc headingArc(double bearing, double heading)
{
    HeadingArc arc{bearing, std::fmod(360.0 - bearing + heading, 360.0)};
    if (arc.span > 180.0) {
        arc.start = heading;
        arc.span = 360.0 - arc.span;
    }
    return arc;
}

} // namespace kiv
