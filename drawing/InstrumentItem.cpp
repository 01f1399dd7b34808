#include "drawing/InstrumentItem.h"

#include "app/ApplicationManager.h"

#include <QPainter>

namespace kiv {

InstrumentItem::InstrumentItem(QQuickItem* parent)
    : AbstractInstrumentItem(parent)
{
    if (m_app) {
        m_ui = m_app->ui();
        m_dial.multiplier = m_app->physicalToGLMultiplier();
    }
    m_dial.minorTicks.reserve(288);
    m_dial.majorTicks.reserve(72);
    if (m_app)
        connect(m_app, &ApplicationManager::uiChanged, this, &InstrumentItem::onUiChanged);
}

void InstrumentItem::reset()
{
    m_dial.scale = m_app ? m_app->logicalToPhysicalMultiplier() : 1.0;
    m_dial.pen = QPen(Qt::black, 1.0);
    m_dial.layoutDirty = true;
    update();
}

void InstrumentItem::onUiChanged(QObject* ui)
{
    if (ui)
        m_ui = ui;
}

void InstrumentItem::layout()
{
    m_dial.layout(contentsBoundingRect(), largeDialTicks);
}

void InstrumentItem::drawInstrument(QPainter* painter)
{
    if (m_dial.layoutDirty) {
        layout();
        m_dial.layoutDirty = false;
    }
    const double r = m_dial.radius;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->save();
    painter->scale(1.0 / m_dial.multiplier, 1.0 / m_dial.multiplier);
    painter->translate(m_dial.centre);
    painter->rotate(m_dial.rotation);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(Qt::white));
    painter->drawEllipse(QRectF(-r, -r, 2 * r, 2 * r));
    QPen pen = m_dial.pen;
    pen.setWidth(1);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(QRectF(-r, -r, 2 * r, 2 * r));
    pen.setWidth(2);
    painter->setPen(pen);
    painter->drawLines(m_dial.majorTicks);
    pen.setWidth(0);
    painter->setPen(pen);
    painter->drawLines(m_dial.minorTicks);
    painter->restore();
}

} // namespace kiv
