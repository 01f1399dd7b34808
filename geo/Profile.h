#pragma once

#include "geo/GeoExtent.h"
#include "geo/ProfileOptions.h"
#include "geo/TileKey.h"

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <vector>

namespace kiv::geo {

// A tiling scheme: an extent in an SRS split into a grid of tiles at level 0,
// each tile split in four at the next level. Tiles are 256 pixels square.
class Profile : public osg::Referenced
{
public:
    static constexpr unsigned TileSize = 256;
    static constexpr unsigned MaxLevel = 30;

    // "spherical-mercator": the whole mercator square as one level-0 tile.
    static osg::ref_ptr<const Profile> create(const QString& name);
    static osg::ref_ptr<const Profile> create(const ProfileOptions& options);
    static osg::ref_ptr<const Profile> create(const SpatialReference* srs, double xmin,
                                              double ymin, double xmax, double ymax,
                                              unsigned tilesWide = 1, unsigned tilesHigh = 1);

    const SpatialReference* getSRS() const { return extent_.getSRS(); }
    const GeoExtent& getExtent() const { return extent_; }
    const GeoExtent& getLatLongExtent() const { return latLongExtent_; }
    bool isSphericalMercator() const;

    void getNumTiles(unsigned lod, unsigned& tilesWide, unsigned& tilesHigh) const;
    void getTileDimensions(unsigned lod, double& width, double& height) const;

    // Keys of the level whose tiles overlap the extent (touching edges do not
    // count); the extent is transformed into the profile's SRS when needed.
    void getIntersectingTiles(const GeoExtent& extent, unsigned lod,
                              std::vector<TileKey>& out) const;

    bool isEquivalentTo(const Profile* other) const;

private:
    Profile(const GeoExtent& extent, unsigned tilesWide, unsigned tilesHigh);

    GeoExtent extent_;
    GeoExtent latLongExtent_;
    unsigned tilesWide_;
    unsigned tilesHigh_;
};

} // namespace kiv::geo
