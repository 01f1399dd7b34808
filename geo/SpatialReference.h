#pragma once

#include <osg/Referenced>
#include <osg/ref_ptr>

#include <QString>

#include <memory>
#include <mutex>

class OGRSpatialReference;
class OGRCoordinateTransformation;

namespace kiv::geo {

// A horizontal coordinate system. Spherical mercator and WGS84 geographic are
// computed in closed form; every other system goes through GDAL/OGR with
// longitude (easting) first. Immutable after creation and safe to share.
class SpatialReference : public osg::Referenced
{
public:
    static constexpr double MercatorRadius = 6378137.0;
    static constexpr double MercatorHalfExtent = 20037508.342789244;
    static constexpr double MercatorMaxLatitude = 85.0511287798066;

    // "epsg:3785", "epsg:3857", "epsg:900913", "spherical-mercator" give
    // spherical mercator; "epsg:4326", "wgs84" give WGS84 geographic; anything
    // else (EPSG code, WKT, PROJ string) is handed to OGR. Null on failure.
    static osg::ref_ptr<SpatialReference> create(const QString& init);
    static osg::ref_ptr<SpatialReference> createFromWKT(const QString& wkt);

    ~SpatialReference() override;

    bool isGeographic() const { return kind_ == Kind::Geographic; }
    bool isSphericalMercator() const { return kind_ == Kind::SphericalMercator; }
    bool isProjected() const { return !isGeographic(); }

    // WGS84 geographic, the system the map's longitudes and latitudes are in.
    const SpatialReference* getGeographicSRS() const;

    QString getName() const { return name_; }
    QString getHorizInitString() const { return init_; }
    QString getWKT() const;
    bool isEquivalentTo(const SpatialReference* other) const;

    // False (outputs untouched) for non-finite input, latitudes at or beyond
    // the poles into mercator, or a failing OGR transformation.
    bool transform2D(double x, double y, const SpatialReference* outSRS, double& outX,
                     double& outY) const;

    bool toGeographic(double x, double y, double& lon, double& lat) const;
    bool fromGeographic(double lon, double lat, double& x, double& y) const;

private:
    enum class Kind { Geographic, SphericalMercator, Other };

    SpatialReference(Kind kind, const QString& init, const QString& name);
    static osg::ref_ptr<SpatialReference> createFromOGR(std::unique_ptr<OGRSpatialReference> srs,
                                                        const QString& init);
    bool transformOGR(OGRCoordinateTransformation* ct, double& x, double& y) const;

    Kind kind_;
    QString init_;
    QString name_;
    std::unique_ptr<OGRSpatialReference> ogr_;
    // OGR transformations are not re-entrant; each is used under the mutex.
    mutable std::mutex ogrMutex_;
    std::unique_ptr<OGRCoordinateTransformation> toWgs84_;
    std::unique_ptr<OGRCoordinateTransformation> fromWgs84_;
    mutable osg::ref_ptr<SpatialReference> geographic_;
    mutable std::once_flag geographicOnce_;
};

} // namespace kiv::geo
