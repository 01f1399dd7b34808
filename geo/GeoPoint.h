#pragma once

#include "geo/SpatialReference.h"

#include <osg/Vec3d>

namespace kiv::geo {

// A point in a given spatial reference. Invalid until it has one.
class GeoPoint
{
public:
    GeoPoint() = default;
    GeoPoint(const SpatialReference* srs, double x, double y, double z = 0.0);

    // On the flat map, world coordinates are the SRS's own coordinates.
    bool fromWorld(const SpatialReference* srs, const osg::Vec3d& world);
    bool toWorld(osg::Vec3d& world) const;

    bool transform(const SpatialReference* outSRS, GeoPoint& output) const;
    GeoPoint transform(const SpatialReference* outSRS) const;

    bool isValid() const { return srs_.valid(); }
    const SpatialReference* getSRS() const { return srs_.get(); }
    double x() const { return point_.x(); }
    double y() const { return point_.y(); }
    double z() const { return point_.z(); }
    const osg::Vec3d& vec3d() const { return point_; }

private:
    osg::ref_ptr<const SpatialReference> srs_;
    osg::Vec3d point_;
};

} // namespace kiv::geo
