#include "tools/AbstractLocationManager.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "app/UserSettings.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/MagneticModel.h"

#include <QDebug>
#include <QLocale>
#include <QLoggingCategory>
#include <QSettings>
#include <QThread>

#include <cmath>
#include <limits>

namespace kiv {

namespace {

const QString GpsAutoKey = QStringLiteral("GPSAuto");
const QString InputModeKey = QStringLiteral("InputMode");

const QString DmsPattern = QStringLiteral("(\\d{1,3})?°\\s+(\\d{1,2})?'\\s+((?:\\d*\\.)?\\d+)?(?:\\.)?\"(\\s+[NESW])?");
const QString DdPattern = QStringLiteral("(\\-?(?:\\d*\\.)?\\d+)(?:\\.)?(?:°)?|\\.(?:°)?");

constexpr double SignificantSeconds = 120.0;
constexpr double AccuracyAllowanceMetres = 50.0;
constexpr int ErrorToastMs = 4000;
constexpr int InfoToastMs = 2000;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A NaN accuracy is what a receiver without a known range error reports:
// it counts as no accuracy at all.
bool finiteAttribute(const QGeoPositionInfo& info, QGeoPositionInfo::Attribute attribute, double& value)
{
    if (!info.hasAttribute(attribute))
        return false;
    value = info.attribute(attribute);
    return std::isfinite(value);
}

// A captured group as a number; an absent or empty group reads 0.
double groupValue(const QRegularExpressionMatch& match, int group)
{
    const QString text = match.captured(group);
    return text.isEmpty() ? 0.0 : QLocale::c().toDouble(text);
}

bool isOneOf(const QString& ordinal, QLatin1String a, QLatin1String b)
{
    return ordinal.size() == 1
        && (ordinal.compare(a, Qt::CaseInsensitive) == 0 || ordinal.compare(b, Qt::CaseInsensitive) == 0);
}

} // namespace

AbstractLocationManager::AbstractLocationManager(QObject* parent)
    : QObject(parent)
    , m_inputMode(QSettings().value(InputModeKey, 0).toInt() == DecimalDegrees ? DecimalDegrees : DecimalSeconds)
    , m_dmsExpression(DmsPattern)
    , m_ddExpression(DdPattern)
{
    if (ModelManager* model = ModelManager::instance())
        connect(model, &ModelManager::currentProjectChanged, this, &AbstractLocationManager::onCurrentProjectChanged);
    connect(this, &AbstractLocationManager::updatingChanged, this, &AbstractLocationManager::onUpdatingChanged);
    connect(this, &AbstractLocationManager::lastKnownCoordinateUpdated, this,
            &AbstractLocationManager::pendingCoordinateChanged);
}

AbstractLocationManager::~AbstractLocationManager() = default;

const QLoggingCategory& AbstractLocationManager::locationLoggingCategory()
{
    static const QLoggingCategory category("kiv.location");
    return category;
}

bool AbstractLocationManager::isValidCoordinate(const QPointF& coordinate)
{
    if (coordinate.isNull())
        return false;
    if (std::abs(coordinate.x() - NoCoordinate) < 1e-12 && std::abs(coordinate.y() - NoCoordinate) < 1e-12)
        return false;
    return coordinate.x() >= -180.0 && coordinate.x() <= 180.0 && coordinate.y() >= -90.0 && coordinate.y() <= 90.0;
}

bool AbstractLocationManager::isBetterPosition(const QGeoPositionInfo& stored, const QGeoPositionInfo& candidate)
{
    if (!candidate.isValid())
        return false;
    if (!stored.isValid())
        return true;
    const double seconds = stored.timestamp().msecsTo(candidate.timestamp()) / 1000.0;
    if (seconds > SignificantSeconds)
        return true;
    if (seconds < -SignificantSeconds)
        return false;
    double storedAccuracy = 0.0;
    double candidateAccuracy = 0.0;
    if (finiteAttribute(stored, QGeoPositionInfo::HorizontalAccuracy, storedAccuracy)
        && finiteAttribute(candidate, QGeoPositionInfo::HorizontalAccuracy, candidateAccuracy)) {
        const double delta = candidateAccuracy - storedAccuracy;
        return delta < 0.0 || (seconds > 0.0 && delta <= AccuracyAllowanceMetres);
    }
    return seconds > 0.0;
}

bool AbstractLocationManager::isGpsAutoEnabled()
{
    return QSettings().value(GpsAutoKey, true).toBool();
}

void AbstractLocationManager::storeGpsAuto() const
{
    QSettings().setValue(GpsAutoKey, updating());
}

void AbstractLocationManager::toast(bool error, const QString& message, int durationMs)
{
    if (error)
        AppContext::toastError(message, durationMs);
    else
        AppContext::toastInfo(message, durationMs);
}

bool AbstractLocationManager::validGPSPosition() const
{
    return m_currentFix.isValid();
}

QString AbstractLocationManager::lastUpdateDetails() const
{
    const QDateTime stamp = m_currentFix.timestamp().toLocalTime();
    if (!stamp.isValid())
        return QString();
    const QDate today = QDate::currentDate();
    if (stamp.date() == today)
        return QLocale::system().toString(stamp.time(), QLocale::ShortFormat);
    return QStringLiteral("%1d ago").arg(stamp.date().daysTo(today));
}

void AbstractLocationManager::setInputMode(InputMode mode)
{
    if (mode == m_inputMode)
        return;
    // A mode the store cannot take stays unset: the coordinates keep the
    // stored form, which is the one the next start shows.
    QSettings settings;
    if (!UserSettings::write(settings, {InputModeKey}, {int(mode)}))
        return;
    m_inputMode = mode;
    emit inputModeChanged(mode);
}

void AbstractLocationManager::setDeclination(double declination)
{
    m_declination = declination;
    emit declinationChanged(declination);
}

void AbstractLocationManager::setUpdating(bool wanted)
{
    if (wanted) {
        if (!updating())
            startUpdates();
        if (updating())
            toast(false, tr("Starting location updates..."), InfoToastMs);
    } else if (updating()) {
        stopUpdates(false);
        toast(false, tr("Location updates disabled."), InfoToastMs);
    }
    storeGpsAuto();
}

bool AbstractLocationManager::searching() const
{
    return m_searching;
}

void AbstractLocationManager::setSearching(bool searching)
{
    if (searching == m_searching)
        return;
    m_searching = searching;
    emit searchingChanged(searching);
}

void AbstractLocationManager::applyPositionInfo(const QGeoPositionInfo& info)
{
    if (QThread::currentThread() != thread()) {
        // Queued in call order, so reports keep their sequence.
        QMetaObject::invokeMethod(this, [this, info] { applyPositionInfo(info); }, Qt::QueuedConnection);
        return;
    }
    if (!info.isValid())
        return;
    if (searching())
        setSearching(false);
    m_currentFix = info;
    qCDebug(locationLoggingCategory) << "Current position: " << info;
    emit positionUpdated(m_currentFix);
    const QGeoCoordinate coordinate = info.coordinate();
    m_lastKnownCoordinate = QPointF(coordinate.longitude(), coordinate.latitude());
    emit lastKnownCoordinateUpdated(m_lastKnownCoordinate);
    setAltitude(coordinate.altitude());
    double accuracy = 0.0;
    if (finiteAttribute(info, QGeoPositionInfo::HorizontalAccuracy, accuracy))
        setHorizontalAccuracy(accuracy);
    if (finiteAttribute(info, QGeoPositionInfo::VerticalAccuracy, accuracy))
        setVerticalAccuracy(accuracy);
}

double AbstractLocationManager::altitude() const
{
    return m_altitude;
}

double AbstractLocationManager::horizontalAccuracy() const
{
    return m_horizontalAccuracy;
}

double AbstractLocationManager::verticalAccuracy() const
{
    return m_verticalAccuracy;
}

double AbstractLocationManager::declination() const
{
    return m_declination;
}

void AbstractLocationManager::handlePositioningError(int code)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, code] { handlePositioningError(code); }, Qt::QueuedConnection);
        return;
    }
    switch (code) {
    case NoError:
        qDebug("Got NoError");
        return;
    case UnknownError:
        qWarning("Got UnknownError");
        toast(true,
              tr("An error has occured with your devices location service. Please check your device settings "
                 "and try again."),
              ErrorToastMs);
        break;
    case AccessError:
        qWarning("Got AccessError");
        toast(true,
              tr("Quarzel is unable to access location services on this device. Please check your device "
                 "settings and try again."),
              ErrorToastMs);
        break;
    case NotSupportedError:
        qWarning("Got NotSupportedError");
        toast(true, tr("This device does not provide a location service. Please provide your own location."),
              ErrorToastMs);
        break;
    default:
        break;
    }
    stopUpdates(false);
}

void AbstractLocationManager::setLastKnownCoordinate(const QPointF& coords)
{
    if (searching())
        setSearching(false);
    m_currentFix = QGeoPositionInfo();
    m_currentFix.setTimestamp(QDateTime::currentDateTime());
    emit positionUpdated(m_currentFix);
    m_lastKnownCoordinate = coords;
    emit lastKnownCoordinateUpdated(coords);
    // A position entered by hand counts as exact.
    setHorizontalAccuracy(0.0);
    setVerticalAccuracy(0.0);
}

void AbstractLocationManager::setTypedCoordinate(const QPointF& coordinate)
{
    if (coordinate == m_typedCoordinate)
        return;
    m_typedCoordinate = coordinate;
    emit typedCoordinateChanged(coordinate);
    emit pendingCoordinateChanged();
}

QPointF AbstractLocationManager::pendingCoordinate() const
{
    return m_typedCoordinate == INVALID_COORDINATE ? m_lastKnownCoordinate : m_typedCoordinate;
}

void AbstractLocationManager::setAltitude(double altitude)
{
    if (std::isnan(altitude) || altitude == m_altitude)
        return;
    m_altitude = altitude;
    emit altitudeChanged(altitude);
}

void AbstractLocationManager::setHorizontalAccuracy(double accuracy)
{
    if (accuracy == m_horizontalAccuracy)
        return;
    m_horizontalAccuracy = accuracy;
    emit horizontalAccuracyChanged(accuracy);
}

void AbstractLocationManager::setVerticalAccuracy(double accuracy)
{
    if (accuracy == m_verticalAccuracy)
        return;
    m_verticalAccuracy = accuracy;
    emit verticalAccuracyChanged(accuracy);
}

QDate AbstractLocationManager::declinationDate() const
{
    return QDate::currentDate();
}

void AbstractLocationManager::startDeclinationUpdates()
{
    setUpdating(true);
    const QPointF coordinate = m_lastKnownCoordinate;
    if (!isValidCoordinate(coordinate))
        return;
    const QDate date = declinationDate();
    double decimalYear = 0.0;
    QString error;
    if (!MagneticModel::dateToDecimalYear(date.year(), date.month(), date.day(), decimalYear, error)) {
        qWarning() << "No declination for the date" << date << error;
        return;
    }
    const ApplicationManager* application = ApplicationManager::instance();
    MagneticModel model(application ? application->assetPath() : MagneticModel::defaultAssetFolder());
    const double value = model.magneticDeclination(decimalYear, coordinate, 0.0);
    if (value == INVALID_DECLINATION)
        return;
    qDebug() << "Declination at" << coordinate << "is" << value;
    setDeclination(value);
}

void AbstractLocationManager::stopDeclinationUpdates()
{
}

void AbstractLocationManager::takePendingInput()
{
    emit pendingInputRequested();
}

bool AbstractLocationManager::acceptPosition(const QGeoPositionInfo& info)
{
    return isBetterPosition(m_currentFix, info);
}

void AbstractLocationManager::onCurrentProjectChanged(Project* project)
{
    if (!project || updating())
        return;
    const double latitude = project->lastLatitude();
    const double longitude = project->lastLongitude();
    if (latitude == NoCoordinate || longitude == NoCoordinate)
        return;
    setLastKnownCoordinate(QPointF(longitude, latitude));
}

void AbstractLocationManager::onUpdatingChanged(bool updating)
{
    setSearching(updating);
}

// --- coordinate text ----------------------------------------------------------------

QString AbstractLocationManager::latitudeForAngle(double angleInDegrees) const
{
    return formatAngle(angleInDegrees, true);
}

QString AbstractLocationManager::longitudeForAngle(double angleInDegrees) const
{
    return formatAngle(angleInDegrees, false);
}

QString AbstractLocationManager::formatAngle(double angle, bool latitude) const
{
    if (m_inputMode == DecimalDegrees)
        return QString::number(angle, 'f', 6);
    if (!std::isfinite(angle))
        return QString();
    double inRange = std::fmod(angle, 360.0);
    if (inRange > 180.0)
        inRange -= 360.0;
    else if (inRange < -180.0)
        inRange += 360.0;
    // Rounded to the shown hundredth of a second first, so that a carry
    // reaches the minutes and degrees instead of showing 60 seconds.
    const long long centiseconds = std::llround(std::abs(inRange) * 360000.0);
    const long long degrees = centiseconds / 360000;
    const long long minutes = centiseconds % 360000 / 6000;
    const double seconds = double(centiseconds % 6000) / 100.0;
    // What shows as zero is north and east; the seconds fill the input
    // mask's two digits, so the text reads back the same after an edit.
    const bool negative = inRange < 0.0 && centiseconds != 0;
    const QChar hemisphere = latitude ? (negative ? 'S' : 'N') : (negative ? 'W' : 'E');
    return QStringLiteral("%1° %2' %3\" %4")
        .arg(degrees, latitude ? 2 : 3, 10, QChar('0'))
        .arg(minutes, 2, 10, QChar('0'))
        .arg(seconds, 5, 'f', 2, QChar('0'))
        .arg(hemisphere);
}

double AbstractLocationManager::parseDD(const QString& ddString, bool isLatitude) const
{
    if (ddString.isEmpty())
        return NaN;
    const QRegularExpressionMatch match = m_ddExpression.match(ddString);
    if (!match.hasMatch())
        return NaN;
    const double value = groupValue(match, 1);
    if ((isLatitude && std::abs(value) > 90.0) || std::abs(value) > 180.0)
        return NaN;
    return value;
}

double AbstractLocationManager::parseDMS(const QString& dms, const QString& ordinal) const
{
    if (dms.isEmpty())
        return NaN;
    const QRegularExpressionMatch match = m_dmsExpression.match(dms);
    if (!match.hasMatch())
        return NaN;
    // The group holds the blank before the letter.
    const QString hemisphere = ordinal.isEmpty() ? match.captured(4).trimmed() : ordinal;
    const double sign = isOneOf(hemisphere, QLatin1String("s"), QLatin1String("w")) ? -1.0 : 1.0;
    const bool isLatitude = isOneOf(hemisphere, QLatin1String("n"), QLatin1String("s"));
    const double degrees = groupValue(match, 1);
    const double minutes = groupValue(match, 2);
    const double seconds = groupValue(match, 3);
    if (degrees < 0.0 || (isLatitude && degrees > 90.0) || degrees > 180.0)
        return NaN;
    if (minutes < 0.0 || minutes > 60.0 || seconds < 0.0 || seconds > 60.0)
        return NaN;
    const double value = degrees + minutes / 60.0 + seconds / 3600.0;
    if ((isLatitude && value > 90.0) || value > 180.0)
        return NaN;
    return value * sign;
}

QPointF AbstractLocationManager::parseInputLocation(const QString& latitude, const QString& longitude,
                                                    const QString& latOrdinal, const QString& longOrdinal) const
{
    if (latitude.isEmpty() || longitude.isEmpty())
        return QPointF(0.0, 0.0);
    const bool decimal = m_inputMode == DecimalDegrees;
    const double x = decimal ? parseDD(longitude, false) : parseDMS(longitude, longOrdinal);
    const double y = decimal ? parseDD(latitude, true) : parseDMS(latitude, latOrdinal);
    if (std::isnan(x) || std::isnan(y))
        return QPointF(0.0, 0.0);
    return QPointF(x, y);
}

} // namespace kiv
