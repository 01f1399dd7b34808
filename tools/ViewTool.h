#pragma once

#include "tools/Tool.h"

namespace kiv {

// The map's own pan and zoom: consumes whatever it is offered while it has a map.
class ViewTool : public Tool
{
    Q_OBJECT

public:
    explicit ViewTool(QObject* parent = nullptr);

public slots:
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress) override;
    bool mouseMoved(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseWheelSpun(double x, double y, QPointF angleDelta, QPointF pixelDelta) override;
    bool pinchStarted(QPointF center) override;
    bool pinchUpdated(QPointF center, float scale) override;
    bool pinchEnded() override;
};

} // namespace kiv
