#pragma once

#include <QColor>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QVector>

class QMouseEvent;
class QObject;
class QPainter;

namespace kiv {

// The geometry both instrument bases share: a circular dial with tick pairs
// (outer, inner), in device units (item units times the multiplier).
struct Dial
{
    // How the ticks of one kind of dial are laid out, in units of s·m.
    struct Ticks
    {
        double rimMargin;   // subtracted from the smaller side before halving
        int step;           // degrees between ticks
        int majorEvery;     // degrees between major ticks
        double majorLength; // from the rim inwards
        double minorLength;
    };

    QPointF centre;
    double scale = 1.0; // the UI scale factor s
    double radius = 0.0;
    double width = -1.0;
    double height = -1.0;
    double rotation = 0.0;
    double multiplier = 1.0;
    QVector<QPointF> minorTicks;
    QVector<QPointF> majorTicks;
    QPen pen{Qt::black};
    bool layoutDirty = false;

    // Centre, radius and ticks for an item's contents rectangle.
    void layout(const QRectF& contents, const Ticks& ticks);
    // The tick pair at angle a (degrees), for an inner radius given.
    QPointF tickPoint(double angle, double distance) const;
    // The tick pairs that lie within a clockwise arc, from the first multiple
    // of the step past start; inner radii as in layout, distances in s·m.
    void ticksInArc(double start, double span, const Ticks& ticks, QVector<QPointF>& major,
                    QVector<QPointF>& minor) const;
    // Strict: a pointer on the rim is outside.
    bool contains(const QPointF& itemPosition) const;
    // Marks the layout dirty when the size changed.
    void onGeometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry);
    // Accepts a press inside, ignores one outside; true when accepted.
    bool acceptInside(QMouseEvent* event) const;
};

// The large dials: a tick every 2°, major every 10°.
constexpr Dial::Ticks largeDialTicks{8.0, 2, 10, 8.0, 4.0};
// The buttons: a tick every 10°, major every 30°.
constexpr Dial::Ticks buttonDialTicks{3.0, 10, 30, 5.0, 4.0};

// An arc of a circle about the origin, clockwise from start over span degrees.
void drawClockwiseArc(QPainter* painter, double radius, double start, double span);

// A property of the theme object read as a real; the fallback without a theme
// or such a property.
double themeReal(const QObject* ui, const char* name, double fallback);
// A colour property of the theme; invalid when it is not a colour.
QColor themeColor(const QObject* ui, const char* name);

} // namespace kiv
