#include "drawing/QPainterImplementation.h"

#include "app/ApplicationManager.h"
#include "drawing/QPainterPathImplementation.h"

#include <QColor>
#include <QPainter>
#include <QtDebug>

#include <cmath>

namespace kiv {

namespace {

// Degrees per radian in single precision, as the arc conversion is defined.
constexpr float DegreesPerRadian = 57.29578f;

} // namespace

double QPainterImplementation::applicationUiScale()
{
    const ApplicationManager* manager = ApplicationManager::instance();
    return manager ? manager->logicalToPhysicalMultiplier() : 1.0;
}

QPainterImplementation::QPainterImplementation(float width, float height)
    : AbstractPainter(width, height)
{
}

void QPainterImplementation::setPainter(QPainter* painter)
{
    m_painter = painter;
    // Detaching (painter null) is no error: the next draw warns instead.
    if (!m_painter)
        return;
    m_painter->setRenderHint(QPainter::Antialiasing);
    setFillMode(fillMode());
}

void QPainterImplementation::setScaleFactor(float factor)
{
    if (!(factor > 0.0f))
        return;
    m_pen.setWidth(static_cast<int>(static_cast<float>(m_pen.width()) / m_scaleFactor * factor));
    m_scaleFactor = factor;
}

void QPainterImplementation::setLineWidth(float width)
{
    storeLineWidth(width);
    // Width 0 stays Qt's cosmetic one-pixel pen whatever the factors.
    const double uiScale = m_uiScale > 0.0 ? m_uiScale : applicationUiScale();
    m_pen.setWidthF(width == 0.0f ? 0.0 : width * uiScale * m_scaleFactor);
    setFillMode(fillMode());
}

void QPainterImplementation::setColor(const std::string& color)
{
    const QString name = QString::fromStdString(color);
    QColor colour;
    colour.setNamedColor(name);
    if (!colour.isValid())
        colour.setNamedColor(QLatin1Char('#') + name);
    if (!colour.isValid())
        colour = QColor(Qt::black);
    storeColor(colour.name().toStdString());
    m_pen.setColor(colour);
    m_brush.setColor(colour);
    setFillMode(fillMode());
}

void QPainterImplementation::setCapStyle(int style)
{
    storeCapStyle(style);
    switch (style) {
    case RoundCap:
        m_pen.setCapStyle(Qt::RoundCap);
        break;
    case SquareCap:
        m_pen.setCapStyle(Qt::SquareCap);
        break;
    default:
        m_pen.setCapStyle(Qt::FlatCap);
    }
    setFillMode(fillMode());
}

void QPainterImplementation::setJoinStyle(int style)
{
    storeJoinStyle(style);
    switch (style) {
    case BevelJoin:
        m_pen.setJoinStyle(Qt::BevelJoin);
        break;
    case RoundJoin:
        m_pen.setJoinStyle(Qt::RoundJoin);
        break;
    default:
        m_pen.setJoinStyle(Qt::MiterJoin);
    }
    setFillMode(fillMode());
}

void QPainterImplementation::setFillMode(int mode)
{
    storeFillMode(mode);
    if (!hasPainter())
        return;
    switch (mode) {
    case FillOnly:
        m_painter->setBrush(m_brush);
        m_painter->setPen(Qt::NoPen);
        break;
    case FillAndOutline:
        m_painter->setBrush(m_brush);
        m_painter->setPen(m_pen);
        break;
    default:
        m_painter->setBrush(Qt::NoBrush);
        m_painter->setPen(m_pen);
    }
}

void QPainterImplementation::drawPolyline(const PainterPoints& points)
{
    if (!hasPainter() || points.size() < 2)
        return;
    // Separate segments: corners get caps, never joins.
    QVector<QPointF> pairs;
    pairs.reserve(static_cast<int>(2 * (points.size() - 1)));
    for (std::size_t i = 1; i < points.size(); ++i) {
        pairs.append(QPointF(points[i - 1].x, points[i - 1].y));
        pairs.append(QPointF(points[i].x, points[i].y));
    }
    m_painter->drawLines(pairs);
}

void QPainterImplementation::drawLine(float x1, float y1, float x2, float y2)
{
    if (!hasPainter())
        return;
    const QLineF line(x1, y1, x2, y2);
    m_painter->drawLines(&line, 1);
}

void QPainterImplementation::drawArc(float cx, float cy, float radius, float startAngle,
                                     float endAngle, bool clockwise)
{
    if (!hasPainter())
        return;
    const QRectF bounds(cx - radius, cy - radius, 2.0f * radius, 2.0f * radius);
    // Qt counts sixteenths of a degree counter-clockwise; ours run clockwise.
    const int start = static_cast<int>(-(startAngle * DegreesPerRadian) * 16.0f);
    float span = std::fabs(endAngle * DegreesPerRadian - startAngle * DegreesPerRadian);
    if (clockwise)
        span = -span;
    const int spanSixteenths = static_cast<int>(span * 16.0f);
    if (fillMode() == FillOnly || fillMode() == FillAndOutline)
        m_painter->drawPie(bounds, start, spanSixteenths);
    else
        m_painter->drawArc(bounds, start, spanSixteenths);
}

void QPainterImplementation::drawPath(const std::shared_ptr<AbstractPath>& path)
{
    if (!hasPainter())
        return;
    const auto* own = dynamic_cast<const QPainterPathImplementation*>(path.get());
    if (own)
        m_painter->drawPath(own->path());
}

std::shared_ptr<AbstractPath> QPainterImplementation::createPath()
{
    return std::make_shared<QPainterPathImplementation>();
}

bool QPainterImplementation::hasPainter() const
{
    if (m_painter)
        return true;
    qWarning("No valid QPainter!");
    return false;
}

} // namespace kiv
