#include "geo/TileKey.h"

#include "geo/Profile.h"

#include <tuple>

namespace kiv::geo {

TileKey::TileKey(unsigned lod, unsigned x, unsigned y, const Profile* profile)
    : lod_(lod), x_(x), y_(y), profile_(profile)
{
}

bool TileKey::valid() const
{
    if (!profile_.valid() || lod_ > Profile::MaxLevel)
        return false;
    unsigned w = 0, h = 0;
    profile_->getNumTiles(lod_, w, h);
    return x_ < w && y_ < h;
}

GeoExtent TileKey::getExtent() const
{
    if (!valid())
        return GeoExtent();
    double tw = 0.0, th = 0.0;
    profile_->getTileDimensions(lod_, tw, th);
    const GeoExtent& e = profile_->getExtent();
    const double xmin = e.xMin() + tw * x_;
    const double ymax = e.yMax() - th * y_;
    return GeoExtent(profile_->getSRS(), xmin, ymax - th, xmin + tw, ymax);
}

QString TileKey::str() const
{
    return QStringLiteral("%1/%2/%3").arg(lod_).arg(x_).arg(y_);
}

TileKey TileKey::createParentKey() const
{
    if (lod_ == 0)
        return TileKey();
    return TileKey(lod_ - 1, x_ / 2, y_ / 2, profile_.get());
}

TileKey TileKey::createChildKey(unsigned quadrant) const
{
    if (quadrant > 3 || lod_ >= Profile::MaxLevel)
        return TileKey();
    return TileKey(lod_ + 1, x_ * 2 + (quadrant & 1u), y_ * 2 + (quadrant >> 1), profile_.get());
}

bool TileKey::operator==(const TileKey& other) const
{
    return lod_ == other.lod_ && x_ == other.x_ && y_ == other.y_
        && (profile_ == other.profile_
            || (profile_.valid() && profile_->isEquivalentTo(other.profile_.get())));
}

bool TileKey::operator<(const TileKey& other) const
{
    return std::tie(lod_, x_, y_) < std::tie(other.lod_, other.x_, other.y_);
}

uint qHash(const TileKey& key, uint seed)
{
    return ::qHash(quint64(key.getLOD()) << 58 ^ quint64(key.getTileX()) << 29 ^ key.getTileY(),
                   seed);
}

} // namespace kiv::geo
