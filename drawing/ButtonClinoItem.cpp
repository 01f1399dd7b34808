#include "drawing/ButtonClinoItem.h"

#include "drawing/StoreIfChanged.h"
#include "drawing/SymbolPainter.h"

#include <QPainter>

#include <algorithm>

namespace kiv {

ButtonClinoItem::ButtonClinoItem(QQuickItem* parent)
    : ButtonInstrumentItem(parent)
{
    connect(this, &ButtonClinoItem::dipChanged, this, [this] { update(); });
    connect(this, &ButtonClinoItem::azimuthChanged, this, [this] { update(); });
    reset();
}

ButtonClinoItem::~ButtonClinoItem() = default;

void ButtonClinoItem::setDip(double dip)
{
    if (storeIfChanged(m_dip, dip))
        emit dipChanged(dip);
}

void ButtonClinoItem::setAzimuth(double azimuth)
{
    if (storeIfChanged(m_azimuth, azimuth))
        emit azimuthChanged(azimuth);
}

void ButtonClinoItem::layout()
{
    ButtonInstrumentItem::layout();
    m_symbolSide = 0.7 * std::min(m_dial.width, m_dial.height);
    m_symbolOrigin = m_dial.centre - QPointF(m_symbolSide / 2.0, m_symbolSide / 2.0);
}

void ButtonClinoItem::drawInstrument(QPainter* painter)
{
    ButtonInstrumentItem::drawInstrument(painter);
    painter->save();
    painter->scale(1.0 / m_dial.multiplier, 1.0 / m_dial.multiplier);
    if (!m_symbols)
        m_symbols = std::make_unique<SymbolPainter>(nullptr);
    m_painter.setPainter(painter);
    painter->translate(m_symbolOrigin);
    m_painter.setSize(float(m_symbolSide), float(m_symbolSide));
    m_symbols->drawSymbol(m_painter, 0, float(m_azimuth), float(m_dip), "#ff0000", std::string());
    m_painter.setPainter(nullptr);
    painter->restore();
}

} // namespace kiv
