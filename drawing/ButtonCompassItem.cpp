#include "drawing/ButtonCompassItem.h"

#include "app/ApplicationManager.h"
#include "drawing/CompassAngles.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace kiv {

ButtonCompassItem::ButtonCompassItem(QQuickItem* parent)
    : ButtonInstrumentItem(parent)
    , m_heading(noHeading())
    , m_textSize(4.0 * m_dial.multiplier)
    , m_font(QGuiApplication::font())
{
    if (m_app)
        connect(m_app, &ApplicationManager::uiChanged, this, &ButtonCompassItem::onUiChanged);
    onUiChanged(m_app ? m_app->ui() : nullptr);
}

void ButtonCompassItem::setBearing(double bearing)
{
    // Sensor readings stream in: only a visible change of a degree repaints.
    if (!std::isfinite(bearing) || bearing == m_bearing || !isVisible() ||
        std::fabs(m_bearing - bearing) < 1.0)
        return;
    m_bearing = wrapDegrees(bearing);
    update();
}

void ButtonCompassItem::setHeading(double heading)
{
    if (!std::isfinite(heading) || heading == m_heading)
        return;
    m_heading = heading == noHeading() ? heading : wrapDegrees(heading);
    update();
}

void ButtonCompassItem::onUiChanged(QObject* ui)
{
    if (!ui)
        return;
    m_textSize = themeReal(ui, "smallText", m_textSize / m_dial.multiplier) * m_dial.multiplier;
    reset();
}

void ButtonCompassItem::reset()
{
    m_font.setPixelSize(std::max(1, int(m_textSize)));
    ButtonInstrumentItem::reset();
}

void ButtonCompassItem::layout()
{
    ButtonInstrumentItem::layout();
    const double unit = m_dial.scale * m_dial.multiplier;
    const double r = m_dial.radius;
    m_needle = QPolygonF({{r, 0.0}, {r - 10 * unit, -3 * unit}, {r - 8 * unit, 0.0}, {r - 10 * unit, 3 * unit}});
}

void ButtonCompassItem::drawInstrument(QPainter* painter)
{
    m_dial.rotation = -90.0 - m_bearing;
    ButtonInstrumentItem::drawInstrument(painter);
    painter->save();
    painter->scale(1.0 / m_dial.multiplier, 1.0 / m_dial.multiplier);
    drawNeedle(painter);
    if (m_heading != noHeading())
        drawHeadingMark(painter);
    painter->restore();
}

void ButtonCompassItem::drawNeedle(QPainter* painter)
{
    const double r = m_dial.radius;
    const double s = m_dial.scale;
    painter->translate(m_dial.centre);
    QPen pen = m_dial.pen;
    pen.setWidthF(3.0);
    painter->setPen(pen);
    painter->drawLine(QPointF(0.0, -r - 1.5 * s), QPointF(0.0, 8.0 * s - r));
    painter->rotate(m_dial.rotation);
    painter->setBrush(QBrush(Qt::red));
    painter->setPen(QPen(Qt::red));
    painter->drawPolygon(m_needle);
    painter->rotate(m_bearing + 90.0);
    painter->setFont(m_font);
    painter->setPen(m_dial.pen);
    // A bearing below 0 is none yet: no figures rather than "-1".
    const QString text = m_bearing < 0.0 ? QString() : formatAzimuth(m_bearing);
    QRectF box = QFontMetricsF(m_font).boundingRect(text);
    box.moveCenter(QPointF(0.0, 0.0));
    painter->drawText(box, Qt::AlignHCenter, text);
}

void ButtonCompassItem::drawHeadingMark(QPainter* painter)
{
    const double r = m_dial.radius;
    const double m = m_dial.multiplier;
    const double unit = m_dial.scale * m;
    painter->save();
    painter->rotate(m_dial.rotation);
    const HeadingArc arc = headingArc(m_bearing, m_heading);
    QPen red(Qt::red, 7 * unit, Qt::SolidLine, Qt::FlatCap);
    painter->setPen(red);
    painter->setBrush(Qt::NoBrush);
    drawClockwiseArc(painter, r - 2.5 * unit, arc.start, arc.span);
    painter->setPen(QPen(Qt::white, int(m)));
    drawClockwiseArc(painter, r, arc.start, arc.span);
    QVector<QPointF> major;
    QVector<QPointF> minor;
    m_dial.ticksInArc(arc.start, arc.span, buttonDialTicks, major, minor);
    painter->setPen(QPen(Qt::white, int(2 * m)));
    painter->drawLines(major);
    painter->setPen(QPen(Qt::white, int(m)));
    painter->drawLines(minor);
    red.setWidth(int(4 * m));
    painter->setPen(red);
    const double h = m_heading * M_PI / 180.0;
    const QPointF direction(std::cos(h), std::sin(h));
    painter->drawLine((r - 8 * unit) * direction, (r + 1.5 * unit) * direction);
    painter->restore();
}

} // namespace kiv
