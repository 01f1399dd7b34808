#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <optional>

namespace kiv {

// The sketcher's text box inside a picture: where a press lies against it,
// which edges it catches, and how dragging moves or resizes the box. Points
// beyond the picture count as lying on its border.
class TextBoxGeometry
{
public:
    // The edges of the box being dragged.
    enum Edge { LeftEdge = 1, TopEdge = 2, RightEdge = 4, BottomEdge = 8 };

    // Where a press lies, with a margin of half a handle on either side of
    // the box's frame.
    enum class Hit { Outside, Inside, Frame };

    // A square handle drawn at a corner or an edge's midpoint.
    struct Handle
    {
        QPoint centre;
        int edges = 0;
    };

    static QPoint clamped(const QPoint& point, const QSize& picture);
    // The rectangle between two points, both clamped first.
    static QRect spanned(const QPoint& a, const QPoint& b, const QSize& picture);

    // Without a valid box every press is outside.
    static Hit hit(const QRect& box, const QPoint& press, double handleSize);
    // The edges within half a handle of the press: left before right, top
    // before bottom.
    static int edgesAt(const QRect& box, const QPoint& press, double handleSize);
    // The caught edge of one axis dragged to the (clamped) point; an edge
    // dragged across its opposite one carries on as that one, and `edges`
    // says so.
    static QRect resized(const QRect& box, Qt::Orientation axis, const QPoint& point, int& edges);
    // The box shifted by delta; nothing when a corner would leave the picture.
    static std::optional<QRect> moved(const QRect& box, const QPoint& delta, const QSize& picture);
    // A box of the given size centred on the tap, pushed inside the picture
    // with a margin of half a handle.
    static QRect defaultBox(const QPoint& centre, const QSize& size, const QSize& picture, double handleSize);
    // Corners and edge midpoints, clockwise from the top left.
    static std::array<Handle, 8> handles(const QRect& box);
};

} // namespace kiv
