#include "geo/Profile.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace kiv::geo {

Profile::Profile(const GeoExtent& extent, unsigned tilesWide, unsigned tilesHigh)
    : extent_(extent),
      latLongExtent_(extent.transform(extent.getSRS()->getGeographicSRS())),
      tilesWide_(tilesWide),
      tilesHigh_(tilesHigh)
{
}

osg::ref_ptr<const Profile> Profile::create(const QString& name)
{
    if (name.trimmed().toLower() == QLatin1String("spherical-mercator")) {
        const double e = SpatialReference::MercatorHalfExtent;
        return create(SpatialReference::create(QStringLiteral("spherical-mercator")), -e, -e, e,
                      e);
    }
    qWarning() << "Unknown profile:" << name;
    return nullptr;
}

osg::ref_ptr<const Profile> Profile::create(const ProfileOptions& options)
{
    return create(options.namedProfile());
}

osg::ref_ptr<const Profile> Profile::create(const SpatialReference* srs, double xmin, double ymin,
                                            double xmax, double ymax, unsigned tilesWide,
                                            unsigned tilesHigh)
{
    const GeoExtent extent(srs, xmin, ymin, xmax, ymax);
    if (!extent.isValid() || extent.width() <= 0.0 || extent.height() <= 0.0 || tilesWide == 0
        || tilesHigh == 0)
        return nullptr;
    return new Profile(extent, tilesWide, tilesHigh);
}

bool Profile::isSphericalMercator() const
{
    return getSRS()->isSphericalMercator()
        && std::abs(extent_.xMax() - SpatialReference::MercatorHalfExtent) < 1e-3
        && std::abs(extent_.yMax() - SpatialReference::MercatorHalfExtent) < 1e-3
        && tilesWide_ == 1 && tilesHigh_ == 1;
}

void Profile::getNumTiles(unsigned lod, unsigned& tilesWide, unsigned& tilesHigh) const
{
    lod = std::min(lod, MaxLevel);
    tilesWide = tilesWide_ << lod;
    tilesHigh = tilesHigh_ << lod;
}

void Profile::getTileDimensions(unsigned lod, double& width, double& height) const
{
    unsigned w = 0, h = 0;
    getNumTiles(lod, w, h);
    width = extent_.width() / w;
    height = extent_.height() / h;
}

void Profile::getIntersectingTiles(const GeoExtent& extent, unsigned lod,
                                   std::vector<TileKey>& out) const
{
    if (lod > MaxLevel)
        return;
    const GeoExtent local = extent.transform(getSRS());
    if (!local.isValid())
        return;
    const Bounds b = local.bounds().intersectionWith(extent_.bounds());
    if (!b.valid())
        return;

    unsigned w = 0, h = 0;
    getNumTiles(lod, w, h);
    double tw = 0.0, th = 0.0;
    getTileDimensions(lod, tw, th);
    auto clampIndex = [](double v, unsigned n) {
        return unsigned(std::clamp(v, 0.0, double(n - 1)));
    };
    const unsigned x0 = clampIndex(std::floor((b.xMin() - extent_.xMin()) / tw), w);
    const unsigned x1 =
        std::max(x0, clampIndex(std::ceil((b.xMax() - extent_.xMin()) / tw) - 1.0, w));
    const unsigned y0 = clampIndex(std::floor((extent_.yMax() - b.yMax()) / th), h);
    const unsigned y1 =
        std::max(y0, clampIndex(std::ceil((extent_.yMax() - b.yMin()) / th) - 1.0, h));
    for (unsigned y = y0; y <= y1; ++y)
        for (unsigned x = x0; x <= x1; ++x)
            out.emplace_back(lod, x, y, this);
}

bool Profile::isEquivalentTo(const Profile* other) const
{
    if (!other)
        return false;
    if (other == this)
        return true;
    const double eps = 1e-6 * std::max(extent_.width(), extent_.height());
    return getSRS()->isEquivalentTo(other->getSRS()) && tilesWide_ == other->tilesWide_
        && tilesHigh_ == other->tilesHigh_
        && std::abs(extent_.xMin() - other->extent_.xMin()) < eps
        && std::abs(extent_.yMin() - other->extent_.yMin()) < eps
        && std::abs(extent_.xMax() - other->extent_.xMax()) < eps
        && std::abs(extent_.yMax() - other->extent_.yMax()) < eps;
}

} // namespace kiv::geo
