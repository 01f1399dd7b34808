#pragma once

#include <QString>

namespace kiv {

// The held heading of a compass item when none is held.
double noHeading();

// Degrees brought into [0, 360); the sign of the input does not survive.
double wrapDegrees(double angle);

// An angle rounded half up, zero-padded to three digits, with a degree sign.
QString formatAzimuth(double angle);

// The arc between a bearing and a heading, the shorter way round, as a
// clockwise start and span in degrees.
struct HeadingArc
{
    double start = 0.0;
    double span = 0.0;
};
HeadingArc headingArc(double bearing, double heading);

} // namespace kiv
