#include "drawing/ClinoItem.h"

#include "app/ApplicationManager.h"
#include "drawing/CompassAngles.h"
#include "drawing/StereoNetPlot.h"
#include "drawing/StoreIfChanged.h"
#include "drawing/SymbolPainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

QPainterPath openPath(std::initializer_list<QPointF> points)
{
    QPainterPath path(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(*it);
    return path;
}

QPen hintPen(const QColor& colour, double width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
}

} // namespace

ClinoItem::ClinoItem(QQuickItem* parent)
    : InstrumentItem(parent)
{
    const auto repaint = [this] { update(); };
    connect(this, &ClinoItem::dipChanged, this, repaint);
    connect(this, &ClinoItem::azimuthChanged, this, repaint);
    connect(this, &ClinoItem::planeSymbolRotationChanged, this, repaint);
    connect(this, &ClinoItem::lineSymbolRotationChanged, this, repaint);
    connect(this, &ClinoItem::isUpdatingChanged, this, repaint);
    connect(this, &ClinoItem::iconIdChanged, this, repaint);
    connect(this, &ClinoItem::iconColorChanged, this, repaint);
    if (m_app) {
        connect(m_app, &ApplicationManager::logicalToPhysicalMultiplierChanged, this,
                [this](double multiplier) { m_dragThreshold = 5.0 * multiplier; });
        connect(m_app, &ApplicationManager::compassClinoInputModeChanged, this, repaint);
    }
    onUiChanged(m_app ? m_app->ui() : nullptr);
    reset();
}

ClinoItem::~ClinoItem() = default;

void ClinoItem::setDip(double dip)
{
    if (storeIfChanged(m_dip, dip))
        emit dipChanged(dip);
}

void ClinoItem::setAzimuth(double azimuth)
{
    if (storeIfChanged(m_azimuth, azimuth))
        emit azimuthChanged(azimuth);
}

void ClinoItem::setPlaneSymbolRotation(double rotation)
{
    if (storeIfChanged(m_planeSymbolRotation, rotation))
        emit planeSymbolRotationChanged(rotation);
}

void ClinoItem::setLineSymbolRotation(double rotation)
{
    if (storeIfChanged(m_lineSymbolRotation, rotation))
        emit lineSymbolRotationChanged(rotation);
}

void ClinoItem::setIsUpdating(bool isUpdating)
{
    if (storeIfChanged(m_isUpdating, isUpdating))
        emit isUpdatingChanged(isUpdating);
}

void ClinoItem::setIconId(int iconId)
{
    if (storeIfChanged(m_iconId, iconId))
        emit iconIdChanged(iconId);
}

void ClinoItem::setIconColor(const QColor& iconColor)
{
    if (storeIfChanged(m_iconColor, iconColor))
        emit iconColorChanged(iconColor);
}

void ClinoItem::onUiChanged(QObject* ui)
{
    InstrumentItem::onUiChanged(ui);
    if (!ui)
        return;
    m_poleRadius = themeReal(ui, "toolBarWidth", 0.0) * 0.5 * m_dial.multiplier;
    m_normalColour = themeColor(ui, "kivLightBlue");
    if (m_normalColour.isValid())
        m_normalColour.setAlphaF(0.25);
    m_markerBrush = QBrush(m_normalColour);
    m_highlightColour = themeColor(ui, "kivBlue");
    if (m_highlightColour.isValid())
        m_highlightColour.setAlphaF(0.5);
}

ClinoItem::InputMode ClinoItem::inputMode() const
{
    return m_app && m_app->compassClinoInputMode() == StereoNet ? StereoNet : RelativeOffset;
}

double ClinoItem::symbolRotation() const
{
    return isLineIcon() ? m_lineSymbolRotation : m_planeSymbolRotation;
}

void ClinoItem::layout()
{
    InstrumentItem::layout();
    const double r = m_dial.radius;
    m_symbolSide = 0.9 * std::min(m_dial.width, m_dial.height);
    m_symbolOrigin = m_dial.centre - QPointF(m_symbolSide / 2.0, m_symbolSide / 2.0);
    if (!m_symbols)
        m_symbols = std::make_unique<SymbolPainter>(nullptr);
    m_netSide = 2.0 * r;
    m_netOrigin = m_dial.centre - QPointF(r, r);
    if (!m_plot)
        m_plot = std::make_unique<StereoNetPlot>(nullptr, 1.0f);
    m_plot->setRadius(float(r));
    m_plot->setMarkerSize(float(2.0 * m_dial.scale * m_dial.multiplier));
}

void ClinoItem::drawInstrument(QPainter* painter)
{
    InstrumentItem::drawInstrument(painter);
    painter->save();
    painter->scale(1.0 / m_dial.multiplier, 1.0 / m_dial.multiplier);
    m_painter.setPainter(painter);
    drawNet(painter);
    drawSymbol(painter);
    m_painter.setPainter(nullptr);
    painter->restore();
}

void ClinoItem::drawNet(QPainter* painter)
{
    const double r = m_dial.radius;
    painter->save();
    QPainterPath clip;
    clip.addEllipse(QRectF(m_dial.centre - QPointF(r, r), QSizeF(2 * r, 2 * r)));
    painter->setClipPath(clip, Qt::ReplaceClip);
    m_painter.setScaleFactor(1.0f);
    m_painter.setLineWidth(1.0f);
    m_painter.setSize(float(m_netSide), float(m_netSide));
    painter->translate(m_netOrigin);
    m_painter.setColor("#aaaaaa");
    if (!isLineIcon()) {
        if (m_dip > 2.0)
            m_plot->drawPlane(m_painter, float(m_dip), float(m_planeSymbolRotation));
    } else {
        m_plot->drawLinePoint(m_painter, float(m_dip), float(m_lineSymbolRotation));
        // Grey guides along the strike of the plane that holds the line.
        painter->save();
        painter->translate(r, r);
        painter->rotate(m_planeSymbolRotation);
        const double length = m_symbolSide / 2.35;
        const float outer = float(int(length));
        const float inner = float(int(0.35 * length));
        m_painter.drawLine(-outer, 0.0f, -inner, 0.0f);
        m_painter.drawLine(inner, 0.0f, outer, 0.0f);
        painter->restore();
    }
    if (!m_isUpdating)
        drawHints(painter);
    painter->restore();
}

void ClinoItem::drawHints(QPainter* painter)
{
    if (inputMode() == RelativeOffset) {
        drawOffsetHints(painter);
        return;
    }
    const PainterPoint pole =
        isLineIcon() ? m_plot->polePosition(m_painter, float(90.0 - m_dip),
                                            float(wrapDegrees(m_lineSymbolRotation - 180.0)))
                     : m_plot->polePosition(m_painter, float(m_dip), float(m_planeSymbolRotation));
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_markerBrush);
    painter->drawEllipse(QPointF(double(pole.x), double(pole.y)), m_poleRadius, m_poleRadius);
}

void ClinoItem::drawOffsetHints(QPainter* painter)
{
    const double r = m_dial.radius;
    const QPointF centre(r, r);
    painter->setBrush(m_markerBrush);
    painter->setPen(Qt::NoPen);
    painter->setOpacity(0.4);
    painter->drawEllipse(centre, 2.0 * r / 3.0, 2.0 * r / 3.0);

    painter->setPen(hintPen(m_dragging && m_dipMode ? m_highlightColour : m_normalColour, 6.0));
    painter->setBrush(Qt::NoBrush);
    painter->save();
    painter->translate(centre);
    painter->rotate(symbolRotation());
    painter->translate(-centre);
    painter->drawPath(openPath({{0.8 * r, 0.7 * r}, {r, 0.55 * r}, {1.2 * r, 0.7 * r}}));
    painter->drawPath(openPath({{0.8 * r, 1.3 * r}, {r, 1.45 * r}, {1.2 * r, 1.3 * r}}));
    painter->restore();

    painter->setOpacity(0.5);
    painter->setPen(hintPen(m_dragging && !m_dipMode ? m_highlightColour : m_normalColour, 5.0));
    const double near = (2.0 / 3.0 + 0.03) * r;
    const double middle = (1.0 - 0.53 / 3.0) * r;
    const QPainterPath a = openPath({{0.035 * r, near}, {-0.04 * r, middle}, {0.04 * r, 0.91 * r}});
    const QPainterPath b = openPath({{-0.035 * r, near}, {0.04 * r, middle}, {-0.04 * r, 0.91 * r}});
    const std::pair<const QPainterPath*, double> heads[] = {
        {&a, 325.0}, {&a, 333.0}, {&a, 341.0}, {&b, 305.0}, {&b, 297.0}, {&b, 289.0}};
    for (const auto& head : heads) {
        painter->save();
        painter->translate(centre);
        painter->rotate(head.second);
        painter->drawPath(*head.first);
        painter->restore();
    }
}

void ClinoItem::drawSymbol(QPainter* painter)
{
    m_painter.setScaleFactor(2.0f);
    m_painter.setSize(float(m_symbolSide), float(m_symbolSide));
    painter->save();
    painter->translate(m_symbolOrigin);
    QString colour = m_isUpdating ? QStringLiteral("#ff0000") : QStringLiteral("#000000");
    if (m_iconColor.isValid())
        colour = m_iconColor.name();
    m_symbols->drawSymbol(m_painter, m_iconId, float(symbolRotation()), float(m_dip),
                          colour.toStdString(), std::string());
    painter->restore();
}

PainterPoint ClinoItem::netPoint(const QPointF& position)
{
    m_painter.setSize(float(m_netSide), float(m_netSide));
    const QPointF device = position * m_dial.multiplier - m_netOrigin;
    return {float(device.x()), float(device.y())};
}

double ClinoItem::pointerAngle(const QPointF& position) const
{
    const QPointF d = position - m_dial.centre / m_dial.multiplier;
    const double angle = std::atan2(-d.x(), d.y()) * 180.0 / M_PI;
    return angle <= 0.0 ? angle + 360.0 : angle;
}

double ClinoItem::axisOffset(const QPointF& position) const
{
    const QPointF d = position - m_dial.centre / m_dial.multiplier;
    const double a = m_axisAngle * M_PI / 180.0;
    return d.x() * std::sin(a) - d.y() * std::cos(a);
}

bool ClinoItem::hitsPole(const QPointF& position)
{
    // Only the stereonet mode draws the pole, and only after the first layout.
    if (!m_plot || inputMode() != StereoNet)
        return false;
    const PainterPoint pointer = netPoint(position);
    const PainterPoint pole =
        isLineIcon() ? m_plot->polePosition(m_painter, float(90.0 - m_dip),
                                            float(wrapDegrees(m_azimuth - 180.0)))
                     : m_plot->polePosition(m_painter, float(m_dip), float(m_azimuth));
    return std::hypot(double(pointer.x - pole.x), double(pointer.y - pole.y)) < m_poleRadius;
}

void ClinoItem::mousePressEvent(QMouseEvent* event)
{
    const QPointF position = event->localPos();
    m_lastPointer = position;
    m_pathLength = 0.0;
    m_offsetSincePress = 0.0;
    m_flipped = false;
    m_dipAtPress = m_dip;
    const QPointF fromCentre = position - m_dial.centre / m_dial.multiplier;
    m_dipMode = std::hypot(fromCentre.x(), fromCentre.y()) <
                2.0 * m_dial.radius / (3.0 * m_dial.multiplier);
    m_axisAngle = m_dipMode ? m_azimuth : pointerAngle(position);
    m_axisOffsetAtPress = axisOffset(position);
    if (!m_isUpdating && hitsPole(position)) {
        forceActiveFocus();
        applyDrag(position);
        event->accept();
        return;
    }
    InstrumentItem::mousePressEvent(event);
}

void ClinoItem::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF position = event->localPos();
    if (m_isUpdating) {
        event->ignore();
        m_dragging = false;
        update();
        return;
    }
    if (hitsPole(position)) {
        applyDrag(position);
        event->accept();
        return;
    }
    const QPointF step = position - m_lastPointer;
    m_pathLength += std::hypot(step.x(), step.y());
    m_offsetSincePress = axisOffset(position) - m_axisOffsetAtPress;
    m_lastPointer = position;
    if (m_pathLength < m_dragThreshold) {
        event->ignore();
        return;
    }
    m_dragging = true;
    update();
    applyDrag(position);
    event->accept();
}

void ClinoItem::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF position = event->localPos();
    if (!m_isUpdating && hitsPole(position)) {
        applyDrag(position);
        m_dragging = false;
        event->accept();
        return;
    }
    if (!m_dragging) {
        InstrumentItem::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    event->ignore();
    update();
}

void ClinoItem::applyDrag(const QPointF& position)
{
    if (inputMode() == StereoNet)
        pickOnNet(position);
    else if (m_dipMode)
        dragDip();
    else
        dragRotation(position);
}

void ClinoItem::pickOnNet(const QPointF& position)
{
    double dip = 0.0;
    double azimuth = 0.0;
    if (!m_plot || !m_plot->pickOrientation(m_painter, netPoint(position), dip, azimuth))
        return;
    if (isLineIcon()) {
        azimuth += 180.0;
        while (azimuth > 360.0)
            azimuth -= 360.0;
        dip = 90.0 - dip;
    }
    setAzimuth(azimuth);
    if (isLineIcon())
        setLineSymbolRotation(azimuth);
    else
        setPlaneSymbolRotation(azimuth);
    setDip(dip);
}

void ClinoItem::dragDip()
{
    if (height() <= 0.0)
        return;
    double dip = m_dipAtPress + m_offsetSincePress * 45.0 / height() * m_dial.multiplier;
    // Past zero the plane tips over: the dip rises again the other way.
    if (dip < 0.0) {
        if (!m_flipped) {
            rotateBy(180.0);
            m_flipped = true;
        }
        dip = -dip;
    } else if (m_flipped) {
        rotateBy(180.0);
        m_flipped = false;
    }
    setDip(std::clamp(dip, 0.0, 90.0));
}

void ClinoItem::dragRotation(const QPointF& position)
{
    const double angle = pointerAngle(position);
    // Crossing straight down, where the angle jumps between 360 and 0.
    if (angle < 90.0 && m_axisAngle > 270.0)
        m_axisAngle -= 360.0;
    else if (angle > 270.0 && m_axisAngle < 90.0)
        m_axisAngle += 360.0;
    const double delta = angle - m_axisAngle;
    m_axisAngle = angle;
    rotateBy(delta);
}

void ClinoItem::rotateBy(double delta)
{
    setAzimuth(wrapDegrees(m_azimuth + delta));
    if (isLineIcon())
        setLineSymbolRotation(m_lineSymbolRotation + delta);
    else
        setPlaneSymbolRotation(m_planeSymbolRotation + delta);
}

} // namespace kiv
