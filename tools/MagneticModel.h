#pragma once

#include "model/NoValue.h"
#include "tools/GeomagneticSynthesis.h"

#include <QString>

#include <memory>

class QDate;
class QPointF;

namespace kiv {

class MagneticCoefficients;

// One World Magnetic Model evaluation: reads <asset folder>/WMM/conf/WMM.COF
// on construction and gives the declination at a position.
class MagneticModel
{
public:
    // Value of every request that cannot give a declination.
    static constexpr double NoDeclination = NoValue;

    // The asset folder defaults to the first application data location.
    explicit MagneticModel(const QString& assetFolder = defaultAssetFolder());
    ~MagneticModel();

    MagneticModel(const MagneticModel&) = delete;
    MagneticModel& operator=(const MagneticModel&) = delete;

    static QString defaultAssetFolder();
    static QString modelPath(const QString& assetFolder);

    // Writes the bundled coefficient file to <assetFolder>/WMM/conf/WMM.COF
    // unless a model of the same or a later epoch is already there. True when
    // a file is in place.
    static bool installBundledModel(const QString& assetFolder);

    // Decimal year of a calendar date (1 January is the year itself). On an
    // invalid month or day returns false and sets the error text.
    static bool dateToDecimalYear(int year, int month, int day, double& decimalYear, QString& error);

    bool isLoaded() const { return loaded; }

    // Declination in degrees, east positive, for today's local date.
    // lonLat: x longitude, y latitude (degrees); height above the ellipsoid.
    double magneticDeclination(const QPointF& lonLat, double ellipsoidHeightKm);

    // The same for a decimal year, e.g. 2025.5.
    double magneticDeclination(double decimalYear, const QPointF& lonLat, double ellipsoidHeightKm);

private:
    bool loaded = false;
    std::unique_ptr<MagneticCoefficients> model;
    std::unique_ptr<MagneticCoefficients> timedModel;
    GeomagneticSynthesis::Ellipsoid ellipsoid;
};

} // namespace kiv
