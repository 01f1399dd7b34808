#include "drawing/SymbolFrame.h"

#include "drawing/AbstractPainter.h"
#include "drawing/AbstractPath.h"

#include <QtMath>

#include <algorithm>

namespace kiv {

namespace {

constexpr float SymbolSizeDivisor = 2.35f;

float radians(float degrees)
{
    return qDegreesToRadians(degrees);
}

} // namespace

SymbolFrame::SymbolFrame(AbstractPainter& painter, float azimuth)
    : SymbolFrame(painter, azimuth,
                  std::min(painter.width(), painter.height()) / SymbolSizeDivisor)
{
}

SymbolFrame::SymbolFrame(AbstractPainter& painter, float azimuth, float unit)
    : m_painter(painter)
    , m_azimuth(azimuth)
    , m_unit(unit)
{
}

SymbolFrame SymbolFrame::upright(AbstractPainter& painter)
{
    // At azimuth 90 the local axes are the screen's.
    return SymbolFrame(painter, 90.0f);
}

PainterPoint SymbolFrame::map(float u, float v) const
{
    // Drawn with the azimuth pointing right, then turned by azimuth - 90.
    PainterPoint point{u * m_unit, v * m_unit};
    rotatePoint(point, radians(m_azimuth - 90.0f));
    const PainterPoint& centre = m_painter.centre();
    return {centre.x + point.x, centre.y + point.y};
}

void SymbolFrame::line(float u1, float v1, float u2, float v2) const
{
    const PainterPoint from = map(u1, v1);
    const PainterPoint to = map(u2, v2);
    m_painter.drawLine(from.x, from.y, to.x, to.y);
}

void SymbolFrame::openPath(std::initializer_list<PainterPoint> points) const
{
    drawPath({std::vector<PainterPoint>(points)}, false);
}

void SymbolFrame::closedPath(std::initializer_list<PainterPoint> points) const
{
    drawPath({std::vector<PainterPoint>(points)}, true);
}

void SymbolFrame::openPaths(std::initializer_list<std::vector<PainterPoint>> subpaths) const
{
    drawPath(subpaths, false);
}

void SymbolFrame::arc(float u, float v, float radius, float fromDegrees, float toDegrees,
                      bool clockwise) const
{
    // Local angle 0 lies on screen at azimuth - 90, counted clockwise from 3 o'clock.
    const PainterPoint centre = map(u, v);
    const float turn = m_azimuth - 90.0f;
    m_painter.drawArc(centre.x, centre.y, radius * m_unit, radians(turn + fromDegrees),
                      radians(turn + toDegrees), clockwise);
}

void SymbolFrame::circle(float u, float v, float radius) const
{
    const PainterPoint centre = map(u, v);
    m_painter.drawArc(centre.x, centre.y, radius * m_unit, 0.0f, 2.0f * float(M_PI), false);
}

void SymbolFrame::drawPath(std::initializer_list<std::vector<PainterPoint>> subpaths,
                           bool closed) const
{
    const std::shared_ptr<AbstractPath> path = m_painter.createPath();
    for (const std::vector<PainterPoint>& subpath : subpaths) {
        if (subpath.empty())
            continue;
        const PainterPoint start = map(subpath.front().x, subpath.front().y);
        path->startSubpath(start.x, start.y);
        for (std::size_t i = 1; i < subpath.size(); ++i) {
            const PainterPoint next = map(subpath[i].x, subpath[i].y);
            path->lineTo(next.x, next.y);
        }
        if (closed)
            path->closeSubpath();
    }
    m_painter.drawPath(path);
}

} // namespace kiv
