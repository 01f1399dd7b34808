#pragma once

#include <QString>

namespace kiv {

// The scale bar's legend and length for a measuring line of a given length
// that covers a given ground distance: a round step in the user's unit.
struct ScaleBar
{
    QString legend;
    double width = 0.0;

    // metres must be above 0 and finite; length is in item units.
    static ScaleBar measure(double metres, double length, bool imperial);
};

} // namespace kiv
