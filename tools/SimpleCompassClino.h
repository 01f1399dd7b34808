#pragma once

#include "tools/FusionFilterState.h"
#include "tools/QuaternionCompassClino.h"

#include <QAccelerometer>
#include <QGyroscope>
#include <QMagnetometer>
#include <QPointer>

#include <array>

class QScreen;

namespace kiv {

// Orientation source on top of Qt Sensors: the accelerometer, gyroscope and
// magnetometer fused by its own filter, paced by the gyroscope.
class SimpleCompassClino : public QuaternionCompassClino,
                           public QAccelerometerFilter,
                           public QGyroscopeFilter,
                           public QMagnetometerFilter
{
    Q_OBJECT

public:
    explicit SimpleCompassClino(QObject* parent = nullptr);
    ~SimpleCompassClino() override;

    bool filter(QAccelerometerReading* reading) override;
    bool filter(QGyroscopeReading* reading) override;
    bool filter(QMagnetometerReading* reading) override;

    // Screen rotation by the d rule: the difference of the two orientation
    // values (1, 2, 4, 8) tells the turn between them.
    static double screenRotationFor(int primaryOrientation, int orientation);

public slots:
    bool startUpdates() override;
    void stopUpdates() override;
    void computeFromQuaternion(const Eigen::Quaterniond& quaternion) override;
    void compute(double deltaT);
    void onOrientationChanged(Qt::ScreenOrientation orientation);

protected:
    QAccelerometer* m_accelerometer = nullptr;
    QGyroscope* m_gyroscope = nullptr;
    QMagnetometer* m_magnetometer = nullptr;
    bool m_hasAccelerometer = false;
    bool m_hasGyroscope = false;
    bool m_hasMagnetometer = false;
    std::array<double, 3> m_accelerometerReading {};
    std::array<double, 3> m_gyroscopeReading {};
    std::array<double, 3> m_magnetometerReading {};
    quint64 m_previousGyroscopeTimestamp = 0;
    FusionFilterState m_fusion;

private:
    // The main view's screen, else the application's primary screen.
    static QScreen* currentScreen();
    void probe();
    // Starts every sensor or none.
    bool startSensors();
    void stopSensors();

    QPointer<QScreen> m_trackedScreen;
};

} // namespace kiv
