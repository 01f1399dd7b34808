#include "geo/GeoExtent.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kiv::geo {

GeoExtent::GeoExtent(const SpatialReference* srs, double xmin, double ymin, double xmax,
                     double ymax)
    : srs_(srs), xmin_(xmin), ymin_(ymin), xmax_(xmax), ymax_(ymax)
{
}

GeoExtent::GeoExtent(const SpatialReference* srs, const Bounds& bounds)
    : GeoExtent(srs, bounds.xMin(), bounds.yMin(), bounds.xMax(), bounds.yMax())
{
}

bool GeoExtent::isValid() const
{
    return srs_.valid() && std::isfinite(xmin_) && std::isfinite(ymin_) && std::isfinite(xmax_)
        && std::isfinite(ymax_) && xmax_ >= xmin_ && ymax_ >= ymin_;
}

Bounds GeoExtent::bounds() const
{
    return isValid() ? Bounds(xmin_, ymin_, xmax_, ymax_) : Bounds();
}

bool GeoExtent::contains(double x, double y) const
{
    return isValid() && x >= xmin_ && x <= xmax_ && y >= ymin_ && y <= ymax_;
}

bool GeoExtent::intersects(const GeoExtent& other) const
{
    if (!isValid() || !other.isValid())
        return false;
    const GeoExtent o = other.getSRS()->isEquivalentTo(srs_.get()) ? other
                                                                     : other.transform(srs_.get());
    return o.isValid() && bounds().intersects(o.bounds());
}

GeoExtent GeoExtent::transform(const SpatialReference* outSRS) const
{
    if (!isValid() || !outSRS)
        return GeoExtent();
    if (outSRS->isEquivalentTo(srs_.get()))
        return GeoExtent(outSRS, xmin_, ymin_, xmax_, ymax_);

    double x0 = xmin_, y0 = ymin_, x1 = xmax_, y1 = ymax_;
    if (srs_->isGeographic() && outSRS->isSphericalMercator()) {
        y0 = std::max(y0, -SpatialReference::MercatorMaxLatitude);
        y1 = std::min(y1, SpatialReference::MercatorMaxLatitude);
        if (y1 < y0)
            return GeoExtent();
    }

    constexpr int Steps = 16;
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = -minX, maxY = -minX;
    int good = 0;
    for (int i = 0; i <= Steps; ++i) {
        for (int j = 0; j <= Steps; ++j) {
            // Edges only, plus the centre lines (which catch a pole or the
            // antimeridian inside the box for curved systems).
            if (i != 0 && i != Steps && j != 0 && j != Steps && i != Steps / 2 && j != Steps / 2)
                continue;
            const double x = x0 + (x1 - x0) * i / Steps;
            const double y = y0 + (y1 - y0) * j / Steps;
            double ox = 0.0, oy = 0.0;
            if (!srs_->transform2D(x, y, outSRS, ox, oy))
                continue;
            ++good;
            minX = std::min(minX, ox);
            minY = std::min(minY, oy);
            maxX = std::max(maxX, ox);
            maxY = std::max(maxY, oy);
        }
    }
    if (good == 0)
        return GeoExtent();
    return GeoExtent(outSRS, minX, minY, maxX, maxY);
}

} // namespace kiv::geo
