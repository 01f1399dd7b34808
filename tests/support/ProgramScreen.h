#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QVariant>

class QQuickItem;
class QQuickWindow;

namespace kiv::test {

// The program's window as a user meets it: items found by object name
// (repeaters and loaders make items only the item tree knows) and taps on
// what is shown. Operations that wait return false when the wait ran out.
class ProgramScreen
{
public:
    explicit ProgramScreen(QQuickWindow* window)
        : m_window(window)
    {
    }

    QQuickItem* root() const;
    static QList<QQuickItem*> findItems(QQuickItem* under, const QString& name);
    static QQuickItem* findItem(QQuickItem* under, const QString& name);
    // Of several items of that name, the first with that property value.
    static QQuickItem* findItemWith(QQuickItem* under, const QString& name, const char* property,
                                    const QVariant& value);
    static QPoint centreOf(const QQuickItem* item);

    // A tool bar button by its label.
    QQuickItem* toolButton(const QString& label) const;
    // A click at `at` in the item (its centre when negative) once the item
    // shows fully.
    bool tap(QQuickItem* item, QPointF at = QPointF(-1, -1)) const;
    // On its icon: the thin bar shows no more of a button.
    bool tapToolButton(const QString& label) const;
    // Opens the panel of that object name through its tool bar button,
    // unless it is open, and waits until it has slid in.
    bool openTool(const QString& label, const QString& panel) const;

private:
    QQuickWindow* m_window;
};

} // namespace kiv::test
