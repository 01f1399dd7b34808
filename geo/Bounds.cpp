#include "geo/Bounds.h"

#include <algorithm>

namespace kiv::geo {

Bounds::Bounds(double xmin, double ymin, double xmax, double ymax)
    : osg::BoundingBoxd(xmin, ymin, 0.0, xmax, ymax, 0.0)
{
}

bool Bounds::contains(double x, double y) const
{
    return valid() && x >= xMin() && x <= xMax() && y >= yMin() && y <= yMax();
}

bool Bounds::intersects(const Bounds& other) const
{
    return valid() && other.valid() && xMin() <= other.xMax() && other.xMin() <= xMax()
        && yMin() <= other.yMax() && other.yMin() <= yMax();
}

Bounds Bounds::unionWith(const Bounds& other) const
{
    if (!valid())
        return other;
    if (!other.valid())
        return *this;
    return Bounds(std::min(xMin(), other.xMin()), std::min(yMin(), other.yMin()),
                  std::max(xMax(), other.xMax()), std::max(yMax(), other.yMax()));
}

Bounds Bounds::intersectionWith(const Bounds& other) const
{
    if (!intersects(other))
        return Bounds();
    return Bounds(std::max(xMin(), other.xMin()), std::max(yMin(), other.yMin()),
                  std::min(xMax(), other.xMax()), std::min(yMax(), other.yMax()));
}

osg::Vec2d Bounds::center2d() const
{
    return osg::Vec2d(0.5 * (xMin() + xMax()), 0.5 * (yMin() + yMax()));
}

double Bounds::area2d() const
{
    return valid() ? width() * height() : -1.0;
}

QString Bounds::toString() const
{
    return QStringLiteral("%1 %2, %3 %4")
        .arg(xMin(), 0, 'g', 12)
        .arg(yMin(), 0, 'g', 12)
        .arg(xMax(), 0, 'g', 12)
        .arg(yMax(), 0, 'g', 12);
}

} // namespace kiv::geo
