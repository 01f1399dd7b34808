#pragma once

#include "drawing/Dial.h"

#include <QQuickPaintedItem>

namespace kiv {

class ApplicationManager;

// Base of the large circular instrument dials. Draws in device units (item
// units times the application's physical-to-GL multiplier).
class InstrumentItem : public QQuickPaintedItem
{
    Q_OBJECT

public:
    explicit InstrumentItem(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;

    const Dial& dial() const { return m_dial; }
    // Strict hit test against the dial circle, in item units.
    bool isInDial(const QPointF& position) const { return m_dial.contains(position); }

signals:
    void clicked();

public slots:
    virtual void reset();
    virtual void onUiChanged(QObject* ui);

protected:
    virtual void layout();
    virtual void drawInstrument(QPainter* painter);

    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    ApplicationManager* m_app = nullptr;
    QObject* m_ui = nullptr;
    Dial m_dial;
};

} // namespace kiv
