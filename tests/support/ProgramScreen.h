#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QVariant>

class QQuickItem;
class QQuickWindow;

namespace kiv::test {

// Items found by object name through the item tree: repeaters and loaders
// make items only the tree knows.
QList<QQuickItem*> findItems(QQuickItem* under, const QString& name);
QQuickItem* findItem(QQuickItem* under, const QString& name);
// Of several items of that name, the first with that property value.
QQuickItem* findItemWith(QQuickItem* under, const QString& name, const char* property, const QVariant& value);
QPoint centreOf(const QQuickItem* item);

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

    // Visible, opaque and of some size.
    static bool onScreen(const QQuickItem* item);
    // The first item of that name that is on screen now.
    QQuickItem* shown(const QString& name) const;
    // Every item of that name under `under` (the whole window by default), shown or not.
    QList<QQuickItem*> named(const QString& name, QQuickItem* under = nullptr) const;
    // A property of the first item of that name that is on screen now;
    // invalid while none is.
    QVariant shownProperty(const QString& name, const char* property) const;
    // The first item on screen (under `under`, or anywhere) whose property
    // has that value.
    QQuickItem* shownWith(const char* property, const QVariant& value, QQuickItem* under = nullptr) const;

    // A tool bar button by its label.
    QQuickItem* toolButton(const QString& label) const;
    // A click at `at` in the item (its centre when negative) once the item
    // shows fully.
    bool tap(QQuickItem* item, QPointF at = QPointF(-1, -1)) const;
    // A click at a fraction of the item's size once it rests where it is:
    // panels and dialogs slide in first.
    bool tapAtRest(QQuickItem* item, qreal fx = 0.5, qreal fy = 0.5) const;
    // Wheel notches at `at` (up is positive), as the window system delivers them.
    void spinWheel(const QPoint& at, int steps = 1) const;
    // Waits for an item of that name to show, then taps it at rest.
    bool tapShown(const QString& name, int timeout = 10000) const;
    // Taps the shown field of that name and types `text` into its "input" (or into the field
    // itself, a bare text input), ending with Return
    // unless told not to (the field then keeps the focus); false unless the field then holds the text.
    bool type(const QString& name, const QString& text, bool pressReturn = true) const;
    // On its icon: the thin bar shows no more of a button.
    bool tapToolButton(const QString& label) const;
    // Opens the panel of that object name through its tool bar button,
    // unless it is open, and waits until it has slid in.
    bool openTool(const QString& label, const QString& panel) const;

    // The field notebook's panel; the row that lists an entry (-1 for none)
    // and that row's cell.
    QQuickItem* notebook() const;
    int notebookRow(const QString& id) const;
    QQuickItem* notebookCell(const QString& id) const;

    // Saves what the screen shows, dialogs included, as <name>.png in the
    // folder QUARZEL_SHOTS names; nothing without it.
    static void shoot(const QString& name);

private:
    QQuickWindow* m_window;
};

} // namespace kiv::test
