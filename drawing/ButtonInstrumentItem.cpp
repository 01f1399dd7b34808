#include "drawing/ButtonInstrumentItem.h"

#include "app/ApplicationManager.h"

#include <QPainter>

namespace kiv {

ButtonInstrumentItem::ButtonInstrumentItem(QQuickItem* parent)
    : AbstractInstrumentItem(parent)
{
    m_dial.minorTicks.reserve(48);
    m_dial.majorTicks.reserve(24);
    // Not reset(): a subclass's override is not reachable from here.
    ButtonInstrumentItem::reset();
}

void ButtonInstrumentItem::reset()
{
    m_dial.scale = m_app ? m_app->logicalToPhysicalMultiplier() : 1.0;
    m_dial.pen.setColor(Qt::black);
    m_dial.pen.setWidthF(m_dial.multiplier * m_dial.scale);
    m_dial.layoutDirty = true;
    update();
}

void ButtonInstrumentItem::layout()
{
    m_dial.layout(contentsBoundingRect(), buttonDialTicks);
}

void ButtonInstrumentItem::drawInstrument(QPainter* painter)
{
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_dial.layoutDirty) {
        layout();
        m_dial.layoutDirty = false;
    }
    const double r = m_dial.radius;
    painter->save();
    painter->scale(1.0 / m_dial.multiplier, 1.0 / m_dial.multiplier);
    painter->translate(m_dial.centre);
    painter->rotate(m_dial.rotation);
    QPen pen = m_dial.pen;
    pen.setWidth(1);
    painter->setPen(pen);
    painter->setBrush(QBrush(Qt::white));
    painter->drawEllipse(QRectF(-r, -r, 2 * r, 2 * r));
    painter->setBrush(Qt::NoBrush);
    painter->drawLines(m_dial.minorTicks);
    pen.setWidth(2);
    painter->setPen(pen);
    painter->drawLines(m_dial.majorTicks);
    painter->restore();
}

} // namespace kiv
