#include "drawing/Dial.h"

#include <QMouseEvent>
#include <QObject>
#include <QPainter>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace kiv {

void Dial::layout(const QRectF& contents, const Ticks& ticks)
{
    const QRectF rect = contents.adjusted(1.0, 1.0, -1.0, -1.0);
    width = multiplier * rect.width();
    height = multiplier * rect.height();
    centre = QPointF(width / 2.0, height / 2.0);
    radius = (std::min(width, height) - ticks.rimMargin * scale * multiplier) / 2.0;
    majorTicks.clear();
    minorTicks.clear();
    // The arc that starts one step before 0 collects 0 to 360 - step.
    ticksInArc(-ticks.step, 360.0 + ticks.step, ticks, majorTicks, minorTicks);
}

QPointF Dial::tickPoint(double angle, double distance) const
{
    const double a = angle * M_PI / 180.0;
    return 0.99 * distance * QPointF(std::cos(a), std::sin(a));
}

void Dial::ticksInArc(double start, double span, const Ticks& ticks, QVector<QPointF>& major,
                      QVector<QPointF>& minor) const
{
    const double unit = scale * multiplier;
    for (int t = int(start + ticks.step - std::fmod(start, double(ticks.step))); t < start + span;
         t += ticks.step) {
        const int a = t % 360;
        const bool isMajor = a % ticks.majorEvery == 0;
        (isMajor ? major : minor)
            << tickPoint(a, radius)
            << tickPoint(a, radius - (isMajor ? ticks.majorLength : ticks.minorLength) * unit);
    }
}

bool Dial::contains(const QPointF& itemPosition) const
{
    const QPointF d = itemPosition * multiplier - centre;
    return d.x() * d.x() + d.y() * d.y() < radius * radius;
}

void Dial::onGeometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    if (!layoutDirty && newGeometry.size() != oldGeometry.size())
        layoutDirty = true;
}

bool Dial::acceptInside(QMouseEvent* event) const
{
    const bool inside = contains(event->localPos());
    event->setAccepted(inside);
    return inside;
}

void drawClockwiseArc(QPainter* painter, double radius, double start, double span)
{
    painter->drawArc(QRectF(-radius, -radius, 2 * radius, 2 * radius), int(-16 * start),
                     int(-16 * span));
}

double themeReal(const QObject* ui, const char* name, double fallback)
{
    if (!ui)
        return fallback;
    bool ok = false;
    const double value = ui->property(name).toDouble(&ok);
    return ok ? value : fallback;
}

QColor themeColor(const QObject* ui, const char* name)
{
    const QVariant value = ui ? ui->property(name) : QVariant();
    return value.userType() == QMetaType::QColor ? value.value<QColor>() : QColor();
}

} // namespace kiv
