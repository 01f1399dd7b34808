#include "geo/SpatialReference.h"

#include <ogr_spatialref.h>

#include <QDebug>

#include <cmath>

namespace kiv::geo {

namespace {

constexpr double DegToRad = M_PI / 180.0;
constexpr double RadToDeg = 180.0 / M_PI;

std::unique_ptr<OGRSpatialReference> wgs84OGR()
{
    auto srs = std::make_unique<OGRSpatialReference>();
    srs->SetWellKnownGeogCS("WGS84");
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

bool isMercatorInit(const QString& s)
{
    return s == QLatin1String("epsg:3785") || s == QLatin1String("epsg:3857")
        || s == QLatin1String("epsg:900913") || s == QLatin1String("spherical-mercator");
}

bool isWgs84Init(const QString& s)
{
    return s == QLatin1String("epsg:4326") || s == QLatin1String("wgs84");
}

} // namespace

SpatialReference::SpatialReference(Kind kind, const QString& init, const QString& name)
    : kind_(kind), init_(init), name_(name)
{
}

SpatialReference::~SpatialReference() = default;

osg::ref_ptr<SpatialReference> SpatialReference::create(const QString& init)
{
    const QString key = init.trimmed().toLower();
    if (isMercatorInit(key))
        return new SpatialReference(Kind::SphericalMercator, key,
                                    QStringLiteral("Spherical Mercator"));
    if (isWgs84Init(key))
        return new SpatialReference(Kind::Geographic, key, QStringLiteral("WGS84"));
    if (key.isEmpty())
        return nullptr;

    auto srs = std::make_unique<OGRSpatialReference>();
    if (srs->SetFromUserInput(init.trimmed().toUtf8().constData()) != OGRERR_NONE) {
        qWarning() << "Unknown spatial reference:" << init;
        return nullptr;
    }
    return createFromOGR(std::move(srs), init.trimmed());
}

osg::ref_ptr<SpatialReference> SpatialReference::createFromWKT(const QString& wkt)
{
    auto srs = std::make_unique<OGRSpatialReference>();
    const QByteArray text = wkt.toUtf8();
    if (text.isEmpty() || srs->importFromWkt(text.constData()) != OGRERR_NONE) {
        qWarning() << "Unreadable spatial reference WKT";
        return nullptr;
    }
    return createFromOGR(std::move(srs), wkt);
}

osg::ref_ptr<SpatialReference>
SpatialReference::createFromOGR(std::unique_ptr<OGRSpatialReference> srs, const QString& init)
{
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const char* ogrName = srs->GetName();
    osg::ref_ptr<SpatialReference> result = new SpatialReference(
        Kind::Other, init, ogrName ? QString::fromUtf8(ogrName) : init);

    auto wgs84 = wgs84OGR();
    result->toWgs84_.reset(OGRCreateCoordinateTransformation(srs.get(), wgs84.get()));
    result->fromWgs84_.reset(OGRCreateCoordinateTransformation(wgs84.get(), srs.get()));
    if (!result->toWgs84_ || !result->fromWgs84_) {
        qWarning() << "No transformation between" << init << "and WGS84";
        return nullptr;
    }
    result->ogr_ = std::move(srs);
    return result;
}

const SpatialReference* SpatialReference::getGeographicSRS() const
{
    if (kind_ == Kind::Geographic)
        return this;
    std::call_once(geographicOnce_, [this] {
        geographic_ = new SpatialReference(Kind::Geographic, QStringLiteral("epsg:4326"),
                                           QStringLiteral("WGS84"));
    });
    return geographic_.get();
}

QString SpatialReference::getWKT() const
{
    OGRSpatialReference srs;
    if (kind_ == Kind::SphericalMercator)
        srs.importFromEPSG(3857);
    else if (kind_ == Kind::Geographic)
        srs.SetWellKnownGeogCS("WGS84");
    else {
        std::lock_guard<std::mutex> lock(ogrMutex_);
        srs = *ogr_;
    }
    char* wkt = nullptr;
    srs.exportToWkt(&wkt);
    const QString text = QString::fromUtf8(wkt);
    CPLFree(wkt);
    return text;
}

bool SpatialReference::isEquivalentTo(const SpatialReference* other) const
{
    if (!other)
        return false;
    if (other == this)
        return true;
    if (kind_ != other->kind_)
        return false;
    if (kind_ != Kind::Other)
        return true;
    std::scoped_lock lock(ogrMutex_, other->ogrMutex_);
    return ogr_->IsSame(other->ogr_.get()) != 0;
}

bool SpatialReference::transformOGR(OGRCoordinateTransformation* ct, double& x, double& y) const
{
    std::lock_guard<std::mutex> lock(ogrMutex_);
    double z = 0.0;
    int ok = 0;
    if (!ct->Transform(1, &x, &y, &z, &ok) || !ok)
        return false;
    return std::isfinite(x) && std::isfinite(y);
}

bool SpatialReference::toGeographic(double x, double y, double& lon, double& lat) const
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    switch (kind_) {
    case Kind::Geographic:
        lon = x;
        lat = y;
        return true;
    case Kind::SphericalMercator:
        lon = x / MercatorRadius * RadToDeg;
        lat = (2.0 * std::atan(std::exp(y / MercatorRadius)) - M_PI / 2.0) * RadToDeg;
        return true;
    case Kind::Other:
        if (!transformOGR(toWgs84_.get(), x, y))
            return false;
        lon = x;
        lat = y;
        return true;
    }
    return false;
}

bool SpatialReference::fromGeographic(double lon, double lat, double& x, double& y) const
{
    if (!std::isfinite(lon) || !std::isfinite(lat))
        return false;
    switch (kind_) {
    case Kind::Geographic:
        x = lon;
        y = lat;
        return true;
    case Kind::SphericalMercator:
        if (std::abs(lat) >= 90.0)
            return false;
        x = lon * DegToRad * MercatorRadius;
        y = std::log(std::tan(M_PI / 4.0 + lat * DegToRad / 2.0)) * MercatorRadius;
        return std::isfinite(y);
    case Kind::Other:
        if (!transformOGR(fromWgs84_.get(), lon, lat))
            return false;
        x = lon;
        y = lat;
        return true;
    }
    return false;
}

bool SpatialReference::transform2D(double x, double y, const SpatialReference* outSRS,
                                   double& outX, double& outY) const
{
    if (!outSRS)
        return false;
    double lon = 0.0;
    double lat = 0.0;
    if (outSRS == this || (kind_ != Kind::Other && kind_ == outSRS->kind_)) {
        if (!std::isfinite(x) || !std::isfinite(y))
            return false;
        outX = x;
        outY = y;
        return true;
    }
    double rx = 0.0;
    double ry = 0.0;
    if (!toGeographic(x, y, lon, lat) || !outSRS->fromGeographic(lon, lat, rx, ry))
        return false;
    outX = rx;
    outY = ry;
    return true;
}

} // namespace kiv::geo
