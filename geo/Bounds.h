#pragma once

#include <osg/BoundingBox>

#include <QString>

namespace kiv::geo {

// A 2D box in some coordinate system; z is carried along but ignored by the
// 2D operations. A default-constructed box is invalid.
class Bounds : public osg::BoundingBoxd
{
public:
    Bounds() = default;
    Bounds(double xmin, double ymin, double xmax, double ymax);

    double width() const { return xMax() - xMin(); }
    double height() const { return yMax() - yMin(); }
    bool contains(double x, double y) const;
    bool intersects(const Bounds& other) const;
    Bounds unionWith(const Bounds& other) const;
    Bounds intersectionWith(const Bounds& other) const;
    osg::Vec2d center2d() const;
    double area2d() const;
    QString toString() const;
};

} // namespace kiv::geo
