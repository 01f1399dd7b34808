#pragma once

#include <vector>

namespace kiv {

// A point in painter units: x to the right, y downwards.
struct PainterPoint
{
    float x = 0.0f;
    float y = 0.0f;
};

using PainterPoints = std::vector<PainterPoint>;

// Turns the point about the origin by angle radians; since y points down, a
// positive angle turns clockwise on screen.
void rotatePoint(PainterPoint& point, float angle);

} // namespace kiv
