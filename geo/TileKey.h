#pragma once

#include "geo/GeoExtent.h"

#include <osg/ref_ptr>

#include <QHash>
#include <QString>

namespace kiv::geo {

class Profile;

// One tile of a profile: level of detail and column/row, row 0 at the top.
class TileKey
{
public:
    TileKey() = default;
    TileKey(unsigned lod, unsigned x, unsigned y, const Profile* profile);

    // False for a default key and for columns/rows outside the level's grid.
    bool valid() const;
    unsigned getLOD() const { return lod_; }
    unsigned getTileX() const { return x_; }
    unsigned getTileY() const { return y_; }
    const Profile* getProfile() const { return profile_.get(); }
    GeoExtent getExtent() const;
    QString str() const;

    TileKey createParentKey() const;
    // Quadrants 0..3: top-left, top-right, bottom-left, bottom-right.
    TileKey createChildKey(unsigned quadrant) const;

    bool operator==(const TileKey& other) const;
    bool operator!=(const TileKey& other) const { return !(*this == other); }
    bool operator<(const TileKey& other) const;

private:
    unsigned lod_ = 0;
    unsigned x_ = 0;
    unsigned y_ = 0;
    osg::ref_ptr<const Profile> profile_;
};

uint qHash(const TileKey& key, uint seed = 0);

} // namespace kiv::geo
