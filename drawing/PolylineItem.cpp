#include "drawing/PolylineItem.h"

#include "drawing/StoreIfChanged.h"
#include "model/LineData2D.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace kiv {

namespace {

constexpr double BoxSize = 90.0;

// Where a coordinate lies along one axis of the box, before the flip of y;
// a zero extent puts every point on the centre line.
double boxPosition(double value, double minimum, double extent, double factor)
{
    if (extent == 0.0)
        return BoxSize / 2.0;
    return (value - minimum - extent / 2.0) / extent * BoxSize / factor + BoxSize / 2.0;
}

} // namespace

PolylineItem::PolylineItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    connect(this, &PolylineItem::colorChanged, this, &PolylineItem::repaint);
    connect(this, &PolylineItem::opacityChanged, this, &PolylineItem::repaint);
    connect(this, &PolylineItem::lineStyleChanged, this, &PolylineItem::repaint);
    connect(this, &PolylineItem::lineThicknessChanged, this, &PolylineItem::repaint);
    connect(this, &PolylineItem::filledChanged, this, &PolylineItem::repaint);
}

PolylineItem::~PolylineItem() = default;

void PolylineItem::setColor(const QColor& color)
{
    if (storeIfChanged(m_color, color))
        emit colorChanged(color);
}

void PolylineItem::setOpacity(double opacity)
{
    if (storeIfChanged(m_opacity, opacity))
        emit opacityChanged(opacity);
}

void PolylineItem::setLineThickness(double thickness)
{
    if (storeIfChanged(m_lineThickness, thickness))
        emit lineThicknessChanged(thickness);
}

void PolylineItem::setLineStyle(Qt::PenStyle style)
{
    if (storeIfChanged(m_lineStyle, style))
        emit lineStyleChanged(style);
}

void PolylineItem::setPoints(const QVariantList& points)
{
    if (points == m_points)
        return;
    m_points = points;
    rebuildScreenPolyline(width(), height());
    update();
    emit pointsChanged(m_points);
}

void PolylineItem::setFilled(bool filled)
{
    if (storeIfChanged(m_filled, filled))
        emit filledChanged(filled);
}

QVariantList PolylineItem::previewPoints(const LineData2D& line)
{
    QVariantList preview;
    const auto& points = line.points();
    if (points.empty())
        return preview;
    const auto [minLat, maxLat] = std::minmax_element(
        points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto [minLon, maxLon] = std::minmax_element(
        points.begin(), points.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    const double dLat = maxLat->first - minLat->first;
    const double dLon = maxLon->second - minLon->second;
    double sx = 1.0;
    double sy = 1.0;
    if (dLon > 2.0 * dLat) {
        if (dLat != 0.0)
            sy = dLon / dLat * 0.5;
    } else if (dLon != 0.0) {
        sx = dLat / dLon * 2.0;
    }
    for (const auto& [latitude, longitude] : points) {
        const double x = boxPosition(longitude, minLon->second, dLon, sx);
        const double y = BoxSize - boxPosition(latitude, minLat->first, dLat, sy);
        preview.append(QPoint(static_cast<int>(x), static_cast<int>(y)));
    }
    return preview;
}

void PolylineItem::setLineId(const QString& lineId)
{
    QVariantList preview;
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->currentProject() : nullptr;
    if (!lineId.isEmpty() && project) {
        if (const std::shared_ptr<LineData2D> line = project->lineById(lineId.toStdString()))
            preview = previewPoints(*line);
    }
    const bool pointsDiffer = preview != m_points;
    m_points = preview;
    rebuildScreenPolyline(width(), height());
    update();
    m_lineId = lineId;
    emit lineIdChanged(lineId);
    // Bindings on points must not go stale.
    if (pointsDiffer)
        emit pointsChanged(m_points);
}

void PolylineItem::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    rebuildScreenPolyline(newGeometry.width(), newGeometry.height());
}

void PolylineItem::rebuildScreenPolyline(double width, double height)
{
    m_screenPolyline.clear();
    if (m_points.isEmpty())
        return;
    const double scale = std::min(width, height) / 112.0;
    const int offsetX = static_cast<int>(width * 0.06);
    const int offsetY = static_cast<int>(height * 0.06);
    m_screenPolyline.reserve(m_points.size());
    for (const QVariant& value : qAsConst(m_points)) {
        const QPoint point = value.toPoint();
        m_screenPolyline.append(QPoint(static_cast<int>(point.x() * scale + offsetX),
                                       static_cast<int>(point.y() * scale + offsetY)));
    }
}

void PolylineItem::paint(QPainter* painter)
{
    if (m_points.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    QColor stroke = m_color;
    stroke.setAlpha(std::clamp(static_cast<int>(m_opacity * 255.0), 0, 255));
    QPen pen(stroke, m_lineThickness, m_lineStyle, Qt::RoundCap);
    painter->setPen(pen);
    if (!m_filled) {
        painter->setBrush(Qt::NoBrush);
        for (int i = 1; i < m_screenPolyline.size(); ++i)
            painter->drawLine(m_screenPolyline[i - 1], m_screenPolyline[i]);
        return;
    }
    QColor fill = stroke;
    fill.setAlpha(stroke.alpha() / 2);
    painter->setBrush(QBrush(fill, Qt::SolidPattern));
    painter->drawPolygon(m_screenPolyline.constData(), m_screenPolyline.size(), Qt::OddEvenFill);
}

} // namespace kiv
