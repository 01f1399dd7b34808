#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>

namespace kiv::test {

// Pixels of the image within `tolerance` of a colour, inside a rectangle.
int pixelsLike(const QImage& image, const QRect& area, const QColor& colour, int tolerance);
QRect squareAround(const QPointF& centre, int half);

} // namespace kiv::test
