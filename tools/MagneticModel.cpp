#include "tools/MagneticModel.h"

#include "app/BundledFile.h"

#include "tools/MagneticCoefficientReader.h"
#include "tools/MagneticCoefficients.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointF>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace kiv {

namespace {

const char* const BundledModel = ":/WMM/WMM.COF";

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

MagneticModel::MagneticModel(const QString& assetFolder)
{
    const QString path = modelPath(assetFolder);
    model = MagneticCoefficientReader::read(path);
    loaded = model != nullptr;
    if (!loaded) {
        qWarning().noquote() << "WMM.COF not found!" << path;
        return;
    }

    try {
        timedModel = std::make_unique<MagneticCoefficients>(std::max(model->nMax, 0));
    } catch (const std::bad_alloc&) {
        timedModel.reset();
    }
    if (!model || !timedModel) {
        loaded = false;
        qWarning() << "Failed to load magnetic models";
        return;
    }
    ellipsoid = GeomagneticSynthesis::Ellipsoid::wgs84();
}

MagneticModel::~MagneticModel()
{
    timedModel.reset();
    model.reset();
}

QString MagneticModel::defaultAssetFolder()
{
    return QStandardPaths::standardLocations(QStandardPaths::AppDataLocation).value(0);
}

QString MagneticModel::modelPath(const QString& assetFolder)
{
    const QString path = QDir::toNativeSeparators(assetFolder + QStringLiteral("/WMM/conf/WMM.COF"));
    return QFileInfo(path).absoluteFilePath();
}

bool MagneticModel::installBundledModel(const QString& assetFolder)
{
    const QString bundled = QString::fromLatin1(BundledModel);
    const QString target = modelPath(assetFolder);
    // An earlier build's model is replaced by a newer bundled one; a newer
    // or equal one, the user's own, stays. One that cannot be read is no model.
    bool outdated = false;
    if (QFileInfo(target).isFile()) {
        const std::unique_ptr<MagneticCoefficients> installed = MagneticCoefficientReader::read(target);
        const std::unique_ptr<MagneticCoefficients> shipped = MagneticCoefficientReader::read(bundled);
        outdated = shipped && (!installed || installed->epoch < shipped->epoch);
    }
    return installBundledFile(bundled, target, outdated);
}

bool MagneticModel::dateToDecimalYear(int year, int month, int day, double& decimalYear, QString& error)
{
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    decimalYear = 99999.0;

    if (month < 1 || month > 12) {
        error = QStringLiteral("\nError: The Month entered is invalid, valid months are '1 to 12'\n");
        return false;
    }
    const bool leap = isLeapYear(year);
    const int daysInMonth = monthDays[month - 1] + (leap && month == 2 ? 1 : 0);
    if (day < 1 || day > daysInMonth) {
        std::printf("\nThe number of days in month %d is %d\n", month, daysInMonth);
        std::fflush(stdout);
        error = QStringLiteral("\nError: The day entered is invalid\n");
        return false;
    }

    int dayOfYear = day;
    for (int i = 0; i < month - 1; ++i)
        dayOfYear += monthDays[i] + (leap && i == 1 ? 1 : 0);
    decimalYear = year + (dayOfYear - 1) / (leap ? 366.0 : 365.0);
    return true;
}

double MagneticModel::magneticDeclination(const QPointF& lonLat, double ellipsoidHeightKm)
{
    const QDate today = QDate::currentDate();
    double decimalYear = 0.0;
    QString error;
    if (!dateToDecimalYear(today.year(), today.month(), today.day(), decimalYear, error)) {
        qDebug().noquote() << "Failed to convert the date" << error;
        return NoDeclination;
    }
    return magneticDeclination(decimalYear, lonLat, ellipsoidHeightKm);
}

double MagneticModel::magneticDeclination(double decimalYear, const QPointF& lonLat,
                                          double ellipsoidHeightKm)
{
    if (!loaded || !model || !timedModel) {
        qWarning() << "World Magnetic Model was not found.";
        return NoDeclination;
    }

    const double longitude = lonLat.x();
    const double latitude = lonLat.y();
    if (!std::isfinite(decimalYear) || !std::isfinite(longitude) || !std::isfinite(ellipsoidHeightKm)
        || !(latitude >= -90.0 && latitude <= 90.0)) {
        qWarning() << "No declination for the position" << longitude << latitude << "at height"
                   << ellipsoidHeightKm << "in year" << decimalYear;
        return NoDeclination;
    }

    if (decimalYear < model->epoch || decimalYear > model->validUntil) {
        qWarning().noquote() << QStringLiteral("The magnetic model %1 is valid from %2 to %3; extrapolated to %4")
                                    .arg(model->name)
                                    .arg(model->epoch, 0, 'f', 1)
                                    .arg(model->validUntil, 0, 'f', 1)
                                    .arg(decimalYear, 0, 'f', 3);
    }

    model->adjustTo(decimalYear, *timedModel);
    GeomagneticSynthesis::Elements field;
    try {
        field = GeomagneticSynthesis::evaluate(*timedModel, ellipsoid, longitude, latitude,
                                               ellipsoidHeightKm);
    } catch (const std::bad_alloc&) {
        std::fputs("\nError allocating in MAG_LegendreFunctionMemory.\n", stdout);
        std::fflush(stdout);
        return NoDeclination;
    }

    if (!std::isfinite(field.decl)) {
        qWarning() << "No declination at height" << ellipsoidHeightKm;
        return NoDeclination;
    }
    return field.decl;
}

} // namespace kiv
