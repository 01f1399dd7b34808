#include "drawing/CompassItem.h"

#include "app/ApplicationManager.h"
#include "drawing/CompassAngles.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace kiv {

namespace {

QString compassPointOf(double bearing)
{
    static const char* const points[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (int i = 0; i < 8; ++i) {
        if (bearing <= 22.5 + 45.0 * i)
            return QString::fromLatin1(points[i]);
    }
    return QStringLiteral("N");
}

QPolygonF arrow(double r, double unit, double length, double notch, double halfWidth)
{
    return QPolygonF({{r, 0.0},
                      {r - length * unit, -halfWidth * unit},
                      {r - notch * unit, 0.0},
                      {r - length * unit, halfWidth * unit}});
}

QPointF polar(double angle, double distance)
{
    const double a = angle * M_PI / 180.0;
    return distance * QPointF(std::cos(a), std::sin(a));
}

// Draws text with its bounding rectangle centred on the origin.
void drawCentred(QPainter* painter, const QString& text)
{
    QRectF box = QFontMetricsF(painter->font()).boundingRect(text);
    box.moveCenter(QPointF(0.0, 0.0));
    painter->drawText(box, Qt::AlignHCenter, text);
}

} // namespace

CompassItem::CompassItem(QQuickItem* parent)
    : InstrumentItem(parent)
    , m_compassPoint(QStringLiteral("N"))
    , m_heading(noHeading())
    , m_micro{1.0, QGuiApplication::font()}
    , m_small{2.0, QGuiApplication::font()}
    , m_medium{3.0, QGuiApplication::font()}
    , m_giant{4.0, QGuiApplication::font()}
{
    connect(this, &InstrumentItem::clicked, this, &CompassItem::onClicked);
    if (!m_app)
        return;
    onUiChanged(m_app->ui());
    onCompassClinoEnabledChanged(m_app->compassClinoEnabled());
    connect(m_app, &ApplicationManager::compassClinoEnabledChanged, this,
            &CompassItem::onCompassClinoEnabledChanged);
    if (AbstractCompassClino* source = m_app->compassClino()) {
        onHasRequiredSensorsChanged(source->hasRequiredSensors());
        connect(source, &AbstractCompassClino::hasRequiredSensorsChanged, this,
                &CompassItem::onHasRequiredSensorsChanged);
    }
}

void CompassItem::setBearing(double bearing)
{
    if (!std::isfinite(bearing) || bearing == m_bearing)
        return;
    m_bearing = wrapDegrees(bearing);
    m_compassPoint = compassPointOf(m_bearing);
    repaintIfVisible();
    emit bearingChanged(m_bearing);
}

void CompassItem::setHeading(double heading)
{
    // A NaN would lock a heading that no integer conversion survives.
    if (!std::isfinite(heading))
        return;
    const bool locked = heading != noHeading();
    const double value = locked ? wrapDegrees(heading) : noHeading();
    bool changed = false;
    if (value != m_heading) {
        m_heading = value;
        if (locked) {
            emit headingChanged(value);
            changed = true;
        }
    }
    if (locked != m_isHeadingLocked) {
        m_isHeadingLocked = locked;
        emit headingLockChanged(locked);
        changed = true;
    }
    if (changed)
        repaintIfVisible();
}

bool CompassItem::setDeclination(double declination)
{
    const bool valid = declination == NoValue || (declination > -180.0 && declination <= 180.0);
    const double value = valid ? declination : NoValue;
    if (value != m_declination) {
        m_declination = value;
        emit declinationChanged(value);
    }
    return valid;
}

void CompassItem::lockHeading()
{
    if (!m_isHeadingLocked)
        setHeading(m_bearing);
}

void CompassItem::unlockHeading()
{
    if (m_isHeadingLocked)
        setHeading(noHeading());
}

void CompassItem::onClicked() { setHeading(m_isHeadingLocked ? noHeading() : m_bearing); }

void CompassItem::onCompassClinoEnabledChanged(bool compassClinoEnabled)
{
    if (compassClinoEnabled == m_compassClinoEnabled)
        return;
    m_compassClinoEnabled = compassClinoEnabled;
    if (!compassClinoEnabled)
        unlockHeading();
    update();
}

void CompassItem::onHasRequiredSensorsChanged(bool hasRequiredSensors)
{
    if (hasRequiredSensors == m_hasRequiredSensors)
        return;
    m_hasRequiredSensors = hasRequiredSensors;
    update();
}

void CompassItem::onUiChanged(QObject* ui)
{
    InstrumentItem::onUiChanged(ui);
    if (!ui)
        return;
    m_micro.size = themeReal(ui, "microText", m_micro.size);
    m_small.size = themeReal(ui, "smallText", m_small.size);
    m_medium.size = themeReal(ui, "mediumText", m_medium.size);
    m_giant.size = themeReal(ui, "giantText", m_giant.size);
    reset();
}

void CompassItem::reset()
{
    InstrumentItem::reset();
    for (Text* text : {&m_micro, &m_small, &m_medium, &m_giant})
        text->font.setPixelSize(std::max(1, int(text->size * m_dial.multiplier)));
    const double s = m_dial.scale;
    m_blackPen.setWidthF(s);
    m_redPen.setWidthF(s);
    m_lightGreyPen.setWidth(0);
    m_whitePen.setWidthF(s);
}

void CompassItem::repaintIfVisible()
{
    if (isVisible())
        update();
}

void CompassItem::layout()
{
    InstrumentItem::layout();
    const double r = m_dial.radius;
    const double unit = m_dial.scale * m_dial.multiplier;
    m_cross.clear();
    for (int a = 0; a < 360; a += 90)
        m_cross << polar(a, r - 48 * unit) << polar(a, 48 * unit);
    m_northArrow = arrow(r, unit, 20.0, 16.0, 8.0);
    m_declinationArrow = arrow(r, unit, 16.0, 12.0, 6.0);
    drawBackground();
}

void CompassItem::drawBackground()
{
    m_background = QImage(std::max(1, int(m_dial.width)), std::max(1, int(m_dial.height)),
                          QImage::Format_ARGB32_Premultiplied);
    m_background.fill(QColor(0xff, 0xff, 0xff, 0));
    QPainter painter(&m_background);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(m_dial.centre);
    painter.setFont(m_micro.font);
    painter.setPen(m_lightGreyPen);
    painter.setBrush(Qt::NoBrush);
    const double distance = m_dial.radius - 16 * m_dial.scale * m_dial.multiplier;
    for (int a = 20; a < 360; a += 20) {
        painter.save();
        painter.translate(polar(a, distance));
        painter.rotate(a + 90);
        drawCentred(&painter, QString::number(a));
        painter.restore();
    }
}

void CompassItem::drawInstrument(QPainter* painter)
{
    m_dial.rotation = m_compassClinoEnabled ? -90.0 - m_bearing : -90.0;
    InstrumentItem::drawInstrument(painter);
    const double m = m_dial.multiplier;
    const double r = m_dial.radius;
    const double s = m_dial.scale;
    painter->save();
    painter->scale(1.0 / m, 1.0 / m);
    painter->translate(m_dial.centre);
    painter->rotate(m_dial.rotation);
    painter->translate(-m_dial.centre);
    painter->drawImage(QPointF(0.0, 0.0), m_background);
    painter->translate(m_dial.centre);
    painter->setBrush(QBrush(Qt::red));
    painter->setPen(m_redPen);
    painter->drawPolygon(m_northArrow);
    if (m_declination != NoValue) {
        painter->rotate(m_declination);
        painter->setBrush(Qt::NoBrush);
        painter->drawPolygon(m_declinationArrow);
        painter->rotate(-m_declination);
    }
    painter->setPen(m_lightGreyPen);
    painter->drawLines(m_cross);
    if (m_isHeadingLocked)
        drawHeadingOverlay(painter);
    const double turn = m_compassClinoEnabled ? m_bearing + 90.0 : 90.0;
    drawCardinals(painter, turn);
    painter->rotate(turn);
    drawReading(painter);
    painter->setPen(QPen(Qt::black, int(4 * m)));
    painter->drawLine(QPointF(0.0, -r - 4 * s), QPointF(0.0, 12 * s - r));
    painter->restore();
}

void CompassItem::drawCardinals(QPainter* painter, double turn)
{
    const double rl = m_dial.radius - 32 * m_dial.scale * m_dial.multiplier;
    const std::pair<const char*, QPointF> labels[] = {
        {"N", {rl, 0.0}}, {"E", {0.0, rl}}, {"S", {-rl, 0.0}}, {"W", {0.0, -rl}}};
    painter->setFont(m_small.font);
    painter->setPen(m_blackPen);
    for (const auto& label : labels) {
        painter->save();
        painter->translate(label.second);
        painter->rotate(turn);
        drawCentred(painter, QString::fromLatin1(label.first));
        painter->restore();
    }
}

void CompassItem::drawReading(QPainter* painter)
{
    if (m_compassClinoEnabled) {
        const QString text = formatAzimuth(m_bearing);
        const QFontMetricsF giant(m_giant.font);
        const QRectF box = giant.boundingRect(text);
        const QPointF baseline(-box.width() / 2.0, -box.height() / 2.0 + giant.ascent());
        painter->setFont(m_giant.font);
        painter->drawText(baseline, text);
        const double degreeWidth = giant.boundingRect(text.mid(3, 1)).width();
        painter->setFont(m_medium.font);
        painter->drawText(QPointF(baseline.x() + box.width() - 0.75 * degreeWidth, baseline.y()),
                          m_compassPoint);
        return;
    }
    const QString text = m_hasRequiredSensors ? QStringLiteral("Sensors\ndisabled")
                                              : QStringLiteral("Sensors\nunavailable");
    const double side = int(m_dial.radius);
    painter->setFont(m_medium.font);
    painter->setPen(m_redPen);
    painter->drawText(QRectF(-side / 2.0, -side / 2.0, side, side), Qt::AlignCenter, text);
}

void CompassItem::drawHeadingOverlay(QPainter* painter)
{
    const double r = m_dial.radius;
    const double s = m_dial.scale;
    const double unit = s * m_dial.multiplier;
    painter->save();
    const HeadingArc arc = headingArc(m_bearing, m_heading);
    QPen red = m_redPen;
    red.setWidthF(12 * s);
    red.setCapStyle(Qt::FlatCap);
    painter->setPen(red);
    painter->setBrush(Qt::NoBrush);
    drawClockwiseArc(painter, r - 4 * unit, arc.start, arc.span);
    QPen white = m_whitePen;
    white.setWidthF(2.0);
    painter->setPen(white);
    drawClockwiseArc(painter, r, arc.start, arc.span);
    painter->setPen(QPen(Qt::black, 1));
    for (double edge : {arc.start, arc.start + arc.span})
        painter->drawLine(polar(edge, 48 * unit), polar(edge, r + 2 * unit));
    QVector<QPointF> major;
    QVector<QPointF> minor;
    m_dial.ticksInArc(arc.start, arc.span, largeDialTicks, major, minor);
    white.setWidthF(3.0);
    painter->setPen(white);
    painter->drawLines(major);
    white.setWidthF(2.0);
    painter->setPen(white);
    painter->drawLines(minor);
    red.setWidthF(4.0);
    painter->setPen(red);
    painter->drawLine(polar(m_heading, r - 12 * unit), polar(m_heading, r + 4 * unit));
    painter->setPen(m_lightGreyPen);
    painter->setFont(m_medium.font);
    painter->rotate(m_bearing + 90.0);
    const QString text = formatAzimuth(m_heading);
    const QFontMetricsF medium(m_medium.font);
    const QRectF box = medium.boundingRect(text);
    painter->drawText(QPointF(-box.width() / 2.0, -26 * unit - box.height() / 2.0 + medium.ascent()),
                      text);
    painter->restore();
}

} // namespace kiv
