#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QVariant>

class QImage;
class QQuickItem;
class QQuickWindow;

namespace kiv::test {

// Drives a window's items as a user does: finds them by what is on screen
// and uses them with taps and typing.
class ScreenDriver
{
public:
    explicit ScreenDriver(QQuickWindow* window)
        : m_window(window)
    {
    }

    static bool onScreen(const QQuickItem* item);
    // The first item of that name on screen now, below `under` or anywhere.
    QQuickItem* shown(const QString& name, QQuickItem* under = nullptr) const;
    // The first item on screen whose property has that value.
    QQuickItem* shownWith(const char* property, const QVariant& value, QQuickItem* under = nullptr) const;
    // Every item of that name, on screen or not.
    QList<QQuickItem*> named(const QString& name, QQuickItem* under = nullptr) const;

    // Taps where an item rests (at fractions of its size): panels and
    // dialogs slide in first.
    void tap(QQuickItem* item, qreal fx = 0.5, qreal fy = 0.5) const;
    void tapShown(const QString& name) const;
    // Taps the field of that name, types the text and Return.
    void type(const QString& name, const QString& text) const;

    // Pixels near a colour in a square of half side `half` around a point.
    static int pixelsLike(const QImage& image, const QPointF& centre, int half, const QColor& colour);

private:
    QList<QQuickItem*> items(QQuickItem* under) const;

    QQuickWindow* m_window;
};

} // namespace kiv::test
