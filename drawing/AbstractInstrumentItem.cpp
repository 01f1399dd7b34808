#include "drawing/AbstractInstrumentItem.h"

#include "app/ApplicationManager.h"

namespace kiv {

AbstractInstrumentItem::AbstractInstrumentItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
    , m_app(ApplicationManager::instance())
{
    setFlag(QQuickItem::ItemHasContents);
    setAcceptedMouseButtons(Qt::LeftButton);
    connect(this, &QQuickItem::visibleChanged, this, [this] { update(); });
    if (m_app)
        connect(m_app, &ApplicationManager::logicalToPhysicalMultiplierChanged, this,
                &AbstractInstrumentItem::reset);
}

void AbstractInstrumentItem::paint(QPainter* painter)
{
    if (isVisible())
        drawInstrument(painter);
}

void AbstractInstrumentItem::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    m_dial.onGeometryChanged(newGeometry, oldGeometry);
}

void AbstractInstrumentItem::mousePressEvent(QMouseEvent* event) { m_dial.acceptInside(event); }

void AbstractInstrumentItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dial.acceptInside(event))
        emit clicked();
}

} // namespace kiv
