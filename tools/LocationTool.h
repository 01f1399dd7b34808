#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QPointer>

namespace kiv {

class AbstractLocationManager;

// The position bar's native half: while the user edits the position by hand,
// a long press on the map sets it there.
class LocationTool : public Tool
{
    Q_OBJECT

public:
    explicit LocationTool(QObject* parent = nullptr);

    // How far a held pointer may move from its press and still count.
    static constexpr double LongPressTolerance = 10.0;

public slots:
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;
    void snapToCurrentLocation();

signals:
    void longPressAccepted();

private:
    // The geographic position under a window point; false off the map.
    bool positionAt(double x, double y, QPointF& position) const;

    QPointer<AbstractLocationManager> m_locationManager;
    QPointF m_pressPosition;
};

} // namespace kiv
