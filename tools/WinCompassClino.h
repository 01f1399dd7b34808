#pragma once

#include "app/platform/DisplayMode.h"
#include "app/platform/OrientationFeed.h"
#include "app/platform/OrientationSensors.h"
#include "tools/QuaternionCompassClino.h"

#include <memory>

namespace kiv {

class QuatSensorEvents;

// Orientation source over the operating system's fused device orientation
// sensor. Samples arrive on the sensor's thread and are evaluated on this
// object's thread, against the display's turn at that moment.
class WinCompassClino : public QuaternionCompassClino
{
    Q_OBJECT

public:
    // Uses the platform's sensor manager and display settings.
    explicit WinCompassClino(QObject* parent = nullptr);
    WinCompassClino(std::shared_ptr<platform::SensorManager> sensorManager,
                    platform::DisplayModeReader readDisplayMode, QObject* parent = nullptr);
    ~WinCompassClino() override;

signals:
    // Emitted on the sensor's thread; queued to compute.
    void newData(double w, double x, double y, double z);

public slots:
    bool startUpdates() override;
    void stopUpdates() override;
    void compute(double w, double x, double y, double z);

private:
    // Absent when the display's mode cannot be read.
    std::optional<platform::DisplayMode> displayMode() const;
    // Takes the sink off the sensor and cuts its link to this object.
    void removeSink();

    std::shared_ptr<Eigen::Quaterniond> m_latestQuaternion;
    std::unique_ptr<platform::OrientationFeed> m_feed;
    std::shared_ptr<QuatSensorEvents> m_sink;
    platform::DisplayModeReader m_displayMode;
};

} // namespace kiv
