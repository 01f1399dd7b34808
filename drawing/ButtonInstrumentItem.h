#pragma once

#include "drawing/Dial.h"

#include <QQuickPaintedItem>

namespace kiv {

class ApplicationManager;

// Base of the small circular instrument buttons; draws in item units.
class ButtonInstrumentItem : public QQuickPaintedItem
{
    Q_OBJECT

public:
    explicit ButtonInstrumentItem(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;

    const Dial& dial() const { return m_dial; }
    bool isInDial(const QPointF& position) const { return m_dial.contains(position); }

signals:
    void clicked();

public slots:
    virtual void reset();

protected:
    virtual void layout();
    virtual void drawInstrument(QPainter* painter);

    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    ApplicationManager* m_app = nullptr;
    Dial m_dial;
};

} // namespace kiv
