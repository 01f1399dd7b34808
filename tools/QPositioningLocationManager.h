#pragma once

#include "tools/AbstractLocationManager.h"

#include <QGeoPositionInfoSource>

namespace kiv {

// The portable location manager: positions from a Qt Positioning source.
class QPositioningLocationManager : public AbstractLocationManager
{
    Q_OBJECT

public:
    // Uses the platform's default source.
    explicit QPositioningLocationManager(QObject* parent = nullptr);
    // Adopts the given source as a child; null means the device has none.
    explicit QPositioningLocationManager(QGeoPositionInfoSource* source, QObject* parent = nullptr);
    ~QPositioningLocationManager() override;

    bool updating() const override;
    int updateInterval() const override;
    void setUpdateInterval(int milliseconds) override;

public slots:
    void requestUpdate(int timeout = 0) override;
    void startUpdates() override;
    void stopUpdates(bool implicite = false) override;
    // Named apart from the base class's signal positionUpdated, which a slot
    // of the same name would hide.
    void onPositionUpdated(const QGeoPositionInfo& info);
    void onError(QGeoPositionInfoSource::Error positioningError);

private:
    void warnNoSource() const;

    QGeoPositionInfoSource* m_source = nullptr;
    bool m_updating = false;
    int m_lastError = NoError;
};

} // namespace kiv
