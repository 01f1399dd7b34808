#include "drawing/SymbolItem.h"

#include "drawing/QPainterImplementation.h"
#include "drawing/StoreIfChanged.h"
#include "drawing/SymbolPainter.h"

namespace kiv {

SymbolItem::SymbolItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
    , m_painter(std::make_unique<QPainterImplementation>(100.0f, 100.0f))
    , m_symbols(std::make_unique<SymbolPainter>(nullptr))
{
    connect(this, &SymbolItem::dipChanged, this, &SymbolItem::repaint);
    connect(this, &SymbolItem::azimuthChanged, this, &SymbolItem::repaint);
    connect(this, &SymbolItem::colorChanged, this, &SymbolItem::repaint);
    connect(this, &SymbolItem::backgroundColorChanged, this, &SymbolItem::repaint);
    connect(this, &SymbolItem::iconIdChanged, this, &SymbolItem::repaint);
    // The thickness too: it scales every pen.
    connect(this, &SymbolItem::lineThicknessChanged, this, &SymbolItem::repaint);
}

SymbolItem::~SymbolItem() = default;

void SymbolItem::setLineThickness(double thickness)
{
    if (storeIfChanged(m_lineThickness, thickness))
        emit lineThicknessChanged(thickness);
}

void SymbolItem::setDip(double dip)
{
    if (storeIfChanged(m_dip, dip))
        emit dipChanged(dip);
}

void SymbolItem::setAzimuth(double azimuth)
{
    if (storeIfChanged(m_azimuth, azimuth))
        emit azimuthChanged(azimuth);
}

void SymbolItem::setColor(const QColor& color)
{
    if (storeIfChanged(m_color, color))
        emit colorChanged(color);
}

void SymbolItem::setBackgroundColor(const QColor& color)
{
    if (storeIfChanged(m_backgroundColor, color))
        emit backgroundColorChanged(color);
}

void SymbolItem::setIconId(int iconId)
{
    if (storeIfChanged(m_iconId, iconId))
        emit iconIdChanged(iconId);
}

void SymbolItem::paint(QPainter* painter)
{
    m_painter->setScaleFactor(float(m_lineThickness));
    m_painter->setPainter(painter);
    m_painter->setSize(float(width()), float(height()));
    const std::string halo =
        m_backgroundColor.isValid() ? m_backgroundColor.name().toStdString() : std::string();
    m_symbols->drawSymbol(*m_painter, m_iconId, float(m_azimuth), float(m_dip),
                          m_color.name().toStdString(), halo);
    m_painter->setPainter(nullptr);
}

} // namespace kiv
