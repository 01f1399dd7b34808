#pragma once

#include "geo/Bounds.h"
#include "geo/SpatialReference.h"

namespace kiv::geo {

// An axis-aligned box in a spatial reference. Invalid without one.
class GeoExtent
{
public:
    GeoExtent() = default;
    GeoExtent(const SpatialReference* srs, double xmin, double ymin, double xmax, double ymax);
    GeoExtent(const SpatialReference* srs, const Bounds& bounds);

    bool isValid() const;
    const SpatialReference* getSRS() const { return srs_.get(); }
    double xMin() const { return xmin_; }
    double yMin() const { return ymin_; }
    double xMax() const { return xmax_; }
    double yMax() const { return ymax_; }
    double west() const { return xmin_; }
    double south() const { return ymin_; }
    double east() const { return xmax_; }
    double north() const { return ymax_; }
    double width() const { return xmax_ - xmin_; }
    double height() const { return ymax_ - ymin_; }
    Bounds bounds() const;

    bool contains(double x, double y) const;
    // The other extent is transformed into this one's SRS when it differs.
    bool intersects(const GeoExtent& other) const;

    // The bounding box of the extent in another SRS, from points sampled
    // along its edges (a UTM square is not a square in mercator). Geographic
    // extents are clipped to the mercator latitude range on the way there.
    GeoExtent transform(const SpatialReference* outSRS) const;

private:
    osg::ref_ptr<const SpatialReference> srs_;
    double xmin_ = 0.0;
    double ymin_ = 0.0;
    double xmax_ = -1.0;
    double ymax_ = -1.0;
};

} // namespace kiv::geo
