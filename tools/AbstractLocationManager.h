#pragma once

#include <QObject>
#include <QPointF>

namespace kiv {

// The position and declination source the rest of the program reads.
class AbstractLocationManager : public QObject
{
    Q_OBJECT

public:
    // Coordinate value meaning "no position known".
    static constexpr double NoCoordinate = 999.0;

    explicit AbstractLocationManager(QObject* parent = nullptr);
    ~AbstractLocationManager() override;

    // Last known position, x the longitude and y the latitude in degrees;
    // (999, 999) when none is known.
    Q_INVOKABLE virtual QPointF lastKnownCoordinate() const = 0;

public slots:
    // Starts computing the magnetic declination at the current position; the
    // result arrives through declinationChanged.
    virtual void startDeclinationUpdates() = 0;

signals:
    // Declination in degrees; 999 when it is not known.
    void declinationChanged(double declination);
};

} // namespace kiv
