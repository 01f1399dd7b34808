#include "geo/GeoPoint.h"

#include <cmath>

namespace kiv::geo {

GeoPoint::GeoPoint(const SpatialReference* srs, double x, double y, double z)
    : srs_(srs), point_(x, y, z)
{
}

bool GeoPoint::fromWorld(const SpatialReference* srs, const osg::Vec3d& world)
{
    if (!srs || !world.valid())
        return false;
    srs_ = srs;
    point_ = world;
    return true;
}

bool GeoPoint::toWorld(osg::Vec3d& world) const
{
    if (!isValid())
        return false;
    world = point_;
    return true;
}

bool GeoPoint::transform(const SpatialReference* outSRS, GeoPoint& output) const
{
    double x = 0.0;
    double y = 0.0;
    if (!isValid() || !srs_->transform2D(point_.x(), point_.y(), outSRS, x, y))
        return false;
    output = GeoPoint(outSRS, x, y, point_.z());
    return true;
}

GeoPoint GeoPoint::transform(const SpatialReference* outSRS) const
{
    GeoPoint result;
    transform(outSRS, result);
    return result;
}

} // namespace kiv::geo
