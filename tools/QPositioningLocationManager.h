#pragma once

#include "tools/AbstractLocationManager.h"

#include <QPointF>

class QGeoPositionInfo;
class QGeoPositionInfoSource;

namespace kiv {

// Location service on top of Qt Positioning.
class QPositioningLocationManager : public AbstractLocationManager
{
    Q_OBJECT

public:
    explicit QPositioningLocationManager(QObject* parent = nullptr);
    ~QPositioningLocationManager() override;

    QPointF lastKnownCoordinate() const override;

public slots:
    void startDeclinationUpdates() override;

private:
    void onPositionUpdated(const QGeoPositionInfo& info);
    void announceDeclination();
    static double declinationAt(const QPointF& coordinate);

    QGeoPositionInfoSource* m_source = nullptr;
    QPointF m_lastCoordinate {NoCoordinate, NoCoordinate};
    bool m_declinationWanted = false;
};

} // namespace kiv
