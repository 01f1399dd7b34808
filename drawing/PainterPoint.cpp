#include "drawing/PainterPoint.h"

#include <cmath>

namespace kiv {

void rotatePoint(PainterPoint& point, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float x = point.x * c - point.y * s;
    const float y = point.x * s + point.y * c;
    point.x = x;
    point.y = y;
}

} // namespace kiv
