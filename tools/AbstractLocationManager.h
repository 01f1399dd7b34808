#pragma once

#include "model/NoValue.h"

#include <QDate>
#include <QGeoPositionInfo>
#include <QObject>
#include <QPointF>
#include <QRegularExpression>
#include <QString>

class QLoggingCategory;

namespace kiv {

class Project;

// The one place the program reads the device's position, altitude, accuracy
// and the magnetic declination there from. Variants talk to the platform's
// location service; this class keeps the position, decides which report wins,
// shows positioning errors and turns coordinates into text and back.
class AbstractLocationManager : public QObject
{
    Q_OBJECT

    Q_PROPERTY(double INVALID_DECLINATION READ invalidDeclination CONSTANT)
    Q_PROPERTY(QPointF INVALID_COORDINATE READ invalidCoordinate CONSTANT)
    Q_PROPERTY(QPointF lastKnownCoordinate READ lastKnownCoordinate WRITE setLastKnownCoordinate NOTIFY
                   lastKnownCoordinateUpdated)
    // Where taking the text typed into the position bar would put the
    // position; INVALID_COORDINATE while taking it would leave the last known one.
    Q_PROPERTY(QPointF typedCoordinate READ typedCoordinate WRITE setTypedCoordinate NOTIFY typedCoordinateChanged)
    // The position a save reads once the typed text is taken: the typed one,
    // else the last known one.
    Q_PROPERTY(QPointF pendingCoordinate READ pendingCoordinate NOTIFY pendingCoordinateChanged)
    Q_PROPERTY(double altitude READ altitude WRITE setAltitude NOTIFY altitudeChanged)
    Q_PROPERTY(double horizontalAccuracy READ horizontalAccuracy WRITE setHorizontalAccuracy NOTIFY
                   horizontalAccuracyChanged)
    Q_PROPERTY(double verticalAccuracy READ verticalAccuracy WRITE setVerticalAccuracy NOTIFY
                   verticalAccuracyChanged)
    // Changes whenever the current fix is replaced.
    Q_PROPERTY(QString lastUpdateDetails READ lastUpdateDetails NOTIFY positionUpdated)
    Q_PROPERTY(bool updating READ updating WRITE setUpdating NOTIFY updatingChanged)
    Q_PROPERTY(bool searching READ searching NOTIFY searchingChanged)
    Q_PROPERTY(double declination READ declination WRITE setDeclination NOTIFY declinationChanged)
    Q_PROPERTY(InputMode inputMode READ inputMode WRITE setInputMode NOTIFY inputModeChanged)

public:
    enum InputMode { DecimalSeconds = 0, DecimalDegrees = 1 };
    Q_ENUM(InputMode)
    enum PositioningError { NoError = 0, UnknownError = 1, AccessError = 2, NotSupportedError = 3 };
    Q_ENUM(PositioningError)

    static constexpr double INVALID_DECLINATION = NoValue;
    static constexpr QPointF INVALID_COORDINATE {NoValue, NoValue};
    // Either coordinate of INVALID_COORDINATE.
    static constexpr double NoCoordinate = NoValue;

    explicit AbstractLocationManager(QObject* parent = nullptr);
    ~AbstractLocationManager() override;

    static double invalidDeclination() { return INVALID_DECLINATION; }
    static QPointF invalidCoordinate() { return INVALID_COORDINATE; }

    QPointF lastKnownCoordinate() const { return m_lastKnownCoordinate; }
    QPointF typedCoordinate() const { return m_typedCoordinate; }
    void setTypedCoordinate(const QPointF& coordinate);
    QPointF pendingCoordinate() const;
    QString lastUpdateDetails() const;
    InputMode inputMode() const { return m_inputMode; }
    // Stored at once; a mode the store cannot take is not taken.
    void setInputMode(InputMode mode);
    void setDeclination(double declination);

    // True when the shown position came from the location service, not from
    // the user.
    Q_INVOKABLE bool validGPSPosition() const;

    Q_INVOKABLE static bool isValidCoordinate(const QPointF& coordinate);
    static bool isBetterPosition(const QGeoPositionInfo& stored, const QGeoPositionInfo& candidate);
    // The "GPSAuto" setting: whether location updates should run.
    static bool isGpsAutoEnabled();
    static const QLoggingCategory& locationLoggingCategory();

    // Every save that reads the held position, and every project close,
    // calls this first: a field that shows a typed value not yet stored
    // stores it (or refuses it aloud) before it is read.
    Q_INVOKABLE void takePendingInput();

    virtual bool updating() const = 0;
    virtual void setUpdating(bool wanted);
    virtual bool searching() const;
    virtual void setSearching(bool searching);
    // Milliseconds between reports; also how long a wait for one lasts.
    Q_INVOKABLE virtual int updateInterval() const = 0;
    virtual void setUpdateInterval(int milliseconds) = 0;
    // Makes the report the current fix without asking acceptPosition. Safe
    // from any thread: other threads' reports are queued to this object's.
    virtual void applyPositionInfo(const QGeoPositionInfo& info);
    virtual double altitude() const;
    virtual double horizontalAccuracy() const;
    virtual double verticalAccuracy() const;
    virtual double declination() const;
    // Tells the user (PositioningError codes) and stops updates. Safe from
    // any thread, as applyPositionInfo.
    virtual void handlePositioningError(int code);

public slots:
    virtual void requestUpdate(int timeout = 0) = 0;
    virtual void startUpdates() = 0;
    // An implicit stop leaves "GPSAuto" as it is.
    virtual void stopUpdates(bool implicite = false) = 0;
    virtual void setLastKnownCoordinate(const QPointF& coords);
    virtual void setAltitude(double altitude);
    virtual void setHorizontalAccuracy(double accuracy);
    virtual void setVerticalAccuracy(double accuracy);
    // Switches updates on and computes the declination at the last known
    // coordinate; the result comes through declinationChanged.
    virtual void startDeclinationUpdates();
    virtual void stopDeclinationUpdates();
    virtual bool acceptPosition(const QGeoPositionInfo& info);

    QString latitudeForAngle(double angleInDegrees) const;
    QString longitudeForAngle(double angleInDegrees) const;
    // NaN when the text is refused.
    double parseDD(const QString& ddString, bool isLatitude) const;
    double parseDMS(const QString& dms, const QString& ordinal = QString()) const;
    // (0, 0) when either text is empty or refused.
    QPointF parseInputLocation(const QString& latitude, const QString& longitude,
                               const QString& latOrdinal = QString(),
                               const QString& longOrdinal = QString()) const;

    void onCurrentProjectChanged(kiv::Project* project);
    void onUpdatingChanged(bool updating);

signals:
    void lastKnownCoordinateUpdated(const QPointF& coords);
    void typedCoordinateChanged(const QPointF& coordinate);
    void pendingCoordinateChanged();
    void altitudeChanged(double altitude);
    void horizontalAccuracyChanged(double accuracy);
    void verticalAccuracyChanged(double accuracy);
    void updatingChanged(bool updating);
    void searchingChanged(bool searching);
    void declinationChanged(double declination);
    void inputModeChanged(kiv::AbstractLocationManager::InputMode mode);
    void positionUpdated(const QGeoPositionInfo& info);
    void updateTimeout();
    // Fields holding typed values not yet stored store or refuse them now.
    void pendingInputRequested();

protected:
    // The date the declination is computed for.
    virtual QDate declinationDate() const;
    // Writes "GPSAuto" = updating().
    void storeGpsAuto() const;
    // An error toast or an info toast through the application's dialog
    // controller; nothing without one.
    static void toast(bool error, const QString& message, int durationMs);

private:
    QString formatAngle(double angle, bool latitude) const;

    QGeoPositionInfo m_currentFix;
    QPointF m_lastKnownCoordinate = INVALID_COORDINATE;
    QPointF m_typedCoordinate = INVALID_COORDINATE;
    double m_altitude = 0.0;
    double m_horizontalAccuracy = -1.0;
    double m_verticalAccuracy = -1.0;
    bool m_searching = false;
    double m_declination = INVALID_DECLINATION;
    InputMode m_inputMode = DecimalSeconds;
    QRegularExpression m_dmsExpression;
    QRegularExpression m_ddExpression;
};

} // namespace kiv
