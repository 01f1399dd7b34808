#include "drawing/TextBoxGeometry.h"

#include <QtGlobal>

namespace kiv {

namespace {

void dragEdge(int& low, int& high, int value, int& flags, int lowFlag, int highFlag)
{
    if (flags & lowFlag) {
        if (value >= high) {
            flags = (flags & ~lowFlag) | highFlag;
            low = high;
            high = value;
        } else {
            low = value;
        }
    } else if (flags & highFlag) {
        if (value <= low) {
            flags = (flags & ~highFlag) | lowFlag;
            high = low;
            low = value;
        } else {
            high = value;
        }
    }
}

} // namespace

QPoint TextBoxGeometry::clamped(const QPoint& point, const QSize& picture)
{
    return QPoint(qBound(0, point.x(), picture.width()), qBound(0, point.y(), picture.height()));
}

QRect TextBoxGeometry::spanned(const QPoint& a, const QPoint& b, const QSize& picture)
{
    const QPoint first = clamped(a, picture);
    const QPoint second = clamped(b, picture);
    return QRect(QPoint(qMin(first.x(), second.x()), qMin(first.y(), second.y())),
                 QPoint(qMax(first.x(), second.x()), qMax(first.y(), second.y())));
}

TextBoxGeometry::Hit TextBoxGeometry::hit(const QRect& box, const QPoint& press, double handleSize)
{
    const int margin = int(handleSize / 2);
    if (!box.isValid())
        return Hit::Outside;
    if (box.adjusted(margin, margin, -margin, -margin).contains(press))
        return Hit::Inside;
    if (box.adjusted(-margin, -margin, margin, margin).contains(press))
        return Hit::Frame;
    return Hit::Outside;
}

int TextBoxGeometry::edgesAt(const QRect& box, const QPoint& press, double handleSize)
{
    const double half = handleSize / 2;
    const auto near = [half](int value, int edge) { return value >= int(edge - half) && value <= int(edge + half); };
    int edges = 0;
    if (near(press.x(), box.left()))
        edges |= LeftEdge;
    else if (near(press.x(), box.right()))
        edges |= RightEdge;
    if (near(press.y(), box.top()))
        edges |= TopEdge;
    else if (near(press.y(), box.bottom()))
        edges |= BottomEdge;
    return edges;
}

QRect TextBoxGeometry::resized(const QRect& box, Qt::Orientation axis, const QPoint& point, int& edges)
{
    if (axis == Qt::Horizontal) {
        int left = box.left();
        int right = box.right();
        dragEdge(left, right, point.x(), edges, LeftEdge, RightEdge);
        return QRect(QPoint(left, box.top()), QPoint(right, box.bottom()));
    }
    int top = box.top();
    int bottom = box.bottom();
    dragEdge(top, bottom, point.y(), edges, TopEdge, BottomEdge);
    return QRect(QPoint(box.left(), top), QPoint(box.right(), bottom));
}

std::optional<QRect> TextBoxGeometry::moved(const QRect& box, const QPoint& delta, const QSize& picture)
{
    const QPoint topLeft = box.topLeft() + delta;
    const QPoint bottomRight = box.bottomRight() + delta;
    const QRect area(QPoint(0, 0), picture);
    if (!area.contains(topLeft) || !area.contains(bottomRight))
        return std::nullopt;
    return spanned(topLeft, bottomRight, picture);
}

QRect TextBoxGeometry::defaultBox(const QPoint& centre, const QSize& size, const QSize& picture, double handleSize)
{
    QRect box(QPoint(0, 0), size);
    box.moveCenter(centre);
    const double margin = handleSize / 2;
    if (box.left() < 0)
        box.moveLeft(int(margin));
    else if (box.right() > picture.width() - margin)
        box.moveRight(int(picture.width() - margin));
    if (box.top() < 0)
        box.moveTop(int(margin));
    else if (box.bottom() > picture.height() - margin)
        box.moveBottom(int(picture.height() - margin));
    return box;
}

std::array<TextBoxGeometry::Handle, 8> TextBoxGeometry::handles(const QRect& box)
{
    const int midX = (box.left() + box.right()) / 2;
    const int midY = (box.top() + box.bottom()) / 2;
    return {{
        {{box.left(), box.top()}, LeftEdge | TopEdge},
        {{midX, box.top()}, TopEdge},
        {{box.right(), box.top()}, RightEdge | TopEdge},
        {{box.right(), midY}, RightEdge},
        {{box.right(), box.bottom()}, RightEdge | BottomEdge},
        {{midX, box.bottom()}, BottomEdge},
        {{box.left(), box.bottom()}, LeftEdge | BottomEdge},
        {{box.left(), midY}, LeftEdge},
    }};
}

} // namespace kiv
