#pragma once

#include "drawing/Dial.h"

#include <QQuickPaintedItem>

namespace kiv {

class ApplicationManager;

// Base of the circular instrument items: a dial that follows the item's
// geometry, paints while visible, and is clicked by a press and release
// inside its circle. Subclasses set the dial's scale and draw it.
class AbstractInstrumentItem : public QQuickPaintedItem
{
    Q_OBJECT

public:
    explicit AbstractInstrumentItem(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;

    const Dial& dial() const { return m_dial; }
    // Strict hit test against the dial circle, in item units.
    bool isInDial(const QPointF& position) const { return m_dial.contains(position); }

signals:
    void clicked();

public slots:
    // Also run when the application's logical-to-physical multiplier changes.
    virtual void reset() = 0;

protected:
    virtual void layout() = 0;
    virtual void drawInstrument(QPainter* painter) = 0;

    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    ApplicationManager* m_app = nullptr;
    Dial m_dial;
};

} // namespace kiv
