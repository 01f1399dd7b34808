#pragma once

#include "drawing/PainterPoint.h"

#include <initializer_list>
#include <vector>

namespace kiv {

class AbstractPainter;

// The local frame of a symbol: origin at the painter's centre, +u towards the
// azimuth, +v towards azimuth + 90 degrees, lengths in units of the symbol
// size. Local angles grow from +u towards +v, which is clockwise on screen.
class SymbolFrame
{
public:
    // The unit defaults to the symbol size, min(width, height) / 2.35.
    SymbolFrame(AbstractPainter& painter, float azimuth);
    SymbolFrame(AbstractPainter& painter, float azimuth, float unit);

    // An unturned frame: u to the right, v downwards.
    static SymbolFrame upright(AbstractPainter& painter);

    PainterPoint map(float u, float v) const;

    void line(float u1, float v1, float u2, float v2) const;
    void openPath(std::initializer_list<PainterPoint> points) const;
    void closedPath(std::initializer_list<PainterPoint> points) const;
    // One path of several open subpaths.
    void openPaths(std::initializer_list<std::vector<PainterPoint>> subpaths) const;
    // From local angle fromDegrees to toDegrees about (u, v).
    void arc(float u, float v, float radius, float fromDegrees, float toDegrees,
             bool clockwise) const;
    void circle(float u, float v, float radius) const;

private:
    void drawPath(std::initializer_list<std::vector<PainterPoint>> subpaths, bool closed) const;

    AbstractPainter& m_painter;
    float m_azimuth;
    float m_unit;
};

} // namespace kiv
