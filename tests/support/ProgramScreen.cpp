#include "support/ProgramScreen.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <utility>

namespace kiv::test {

namespace {
void collect(QQuickItem* under, const QString& name, QList<QQuickItem*>& found)
{
    for (QQuickItem* child : under->childItems()) {
        if (child->objectName() == name)
            found << child;
        collect(child, name, found);
    }
}

// Every item below `item`, itself included.
void collectAll(QQuickItem* item, QList<QQuickItem*>& items)
{
    items << item;
    for (QQuickItem* child : item->childItems())
        collectAll(child, items);
}

} // namespace

QList<QQuickItem*> findItems(QQuickItem* under, const QString& name)
{
    QList<QQuickItem*> found;
    if (under)
        collect(under, name, found);
    return found;
}

QQuickItem* findItem(QQuickItem* under, const QString& name)
{
    const QList<QQuickItem*> found = findItems(under, name);
    return found.isEmpty() ? nullptr : found.first();
}

QQuickItem* findItemWith(QQuickItem* under, const QString& name, const char* property, const QVariant& value)
{
    for (QQuickItem* item : findItems(under, name)) {
        if (item->property(property) == value)
            return item;
    }
    return nullptr;
}

QPoint centreOf(const QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

QQuickItem* ProgramScreen::root() const
{
    return m_window->contentItem();
}

QList<QQuickItem*> ProgramScreen::findItems(QQuickItem* under, const QString& name)
{
    return test::findItems(under, name);
}

QQuickItem* ProgramScreen::findItem(QQuickItem* under, const QString& name)
{
    return test::findItem(under, name);
}

QQuickItem* ProgramScreen::findItemWith(QQuickItem* under, const QString& name, const char* property,
                                        const QVariant& value)
{
    return test::findItemWith(under, name, property, value);
}

QPoint ProgramScreen::centreOf(const QQuickItem* item)
{
    return test::centreOf(item);
}

bool ProgramScreen::onScreen(const QQuickItem* item)
{
    return item->isVisible() && item->opacity() > 0.99 && item->width() > 0 && item->height() > 0;
}

QList<QQuickItem*> ProgramScreen::named(const QString& name, QQuickItem* under) const
{
    return findItems(under ? under : m_window->contentItem(), name);
}

bool ProgramScreen::type(const QString& name, const QString& text, bool pressReturn) const
{
    QQuickItem* field = nullptr;
    if (!QTest::qWaitFor([&] { return (field = shown(name)) != nullptr; }) || !tapAtRest(field))
        return false;
    QQuickItem* input = field->findChild<QQuickItem*>("input");
    if (!input && field->inherits("QQuickTextInput"))
        input = field;
    if (!input || !QTest::qWaitFor([&] { return input->hasActiveFocus(); }))
        return false;
    input->setProperty("text", QString());
    for (const QChar c : text)
        QTest::keyClick(m_window, c.toLatin1());
    if (pressReturn)
        QTest::keyClick(m_window, Qt::Key_Return);
    return input->property("text").toString() == text;
}

QQuickItem* ProgramScreen::shown(const QString& name) const
{
    QList<QQuickItem*> items;
    collectAll(root(), items);
    for (QQuickItem* item : items) {
        if (item->objectName() == name && onScreen(item))
            return item;
    }
    return nullptr;
}

QVariant ProgramScreen::shownProperty(const QString& name, const char* property) const
{
    const QQuickItem* item = shown(name);
    return item ? item->property(property) : QVariant();
}

QQuickItem* ProgramScreen::shownWith(const char* property, const QVariant& value, QQuickItem* under) const
{
    QList<QQuickItem*> items;
    collectAll(under ? under : root(), items);
    for (QQuickItem* item : items) {
        if (onScreen(item) && item->property(property) == value)
            return item;
    }
    return nullptr;
}

QQuickItem* ProgramScreen::toolButton(const QString& label) const
{
    return findItemWith(root(), QStringLiteral("toolButton"), "label", label);
}

bool ProgramScreen::tap(QQuickItem* item, QPointF at) const
{
    if (!item || !QTest::qWaitFor([&] { return item->isVisible() && item->opacity() == 1.0; }))
        return false;
    const QPoint point = at.x() < 0 ? centreOf(item) : item->mapToScene(at).toPoint();
    QTest::mouseClick(m_window, Qt::LeftButton, {}, point);
    return true;
}

void ProgramScreen::spinWheel(const QPoint& at, int steps) const
{
    QWheelEvent event(QPointF(at), QPointF(m_window->mapToGlobal(at)), QPoint(), QPoint(0, 120 * steps),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QGuiApplication::sendEvent(m_window, &event);
}

bool ProgramScreen::tapAtRest(QQuickItem* item, qreal fx, qreal fy) const
{
    if (!item)
        return false;
    QPointF before(-1e9, -1e9);
    const auto resting = [&] {
        return std::exchange(before, item->mapToScene(QPointF())) == item->mapToScene(QPointF())
               && (QTest::qWait(80), before == item->mapToScene(QPointF()));
    };
    // Still for three looks in a row: a panel can pause in its slide, and a
    // button takes taps only once its panel has settled.
    if (!QTest::qWaitFor(resting) || !resting() || !resting())
        return false;
    const QPointF at = item->mapToScene(QPointF(item->width() * fx, item->height() * fy));
    QTest::mouseClick(m_window, Qt::LeftButton, {}, at.toPoint());
    return true;
}

bool ProgramScreen::tapShown(const QString& name, int timeout) const
{
    QQuickItem* item = nullptr;
    return QTest::qWaitFor([&] { return (item = shown(name)) != nullptr; }, timeout) && tapAtRest(item);
}

bool ProgramScreen::tapToolButton(const QString& label) const
{
    QQuickItem* button = toolButton(label);
    return button && tap(button, QPointF(button->height() / 2, button->height() / 2));
}

bool ProgramScreen::openTool(const QString& label, const QString& panel) const
{
    QQuickItem* tool = findItem(root(), panel);
    if (!tool)
        return false;
    if (!tool->property("shown").toBool() && !tapToolButton(label))
        return false;
    return QTest::qWaitFor([&] {
        return tool->property("shown").toBool() && tool->x() == tool->property("leftInset").toReal();
    });
}

QQuickItem* ProgramScreen::notebook() const
{
    return findItem(root(), QStringLiteral("dataTool"));
}

int ProgramScreen::notebookRow(const QString& id) const
{
    int row = -1;
    QObject* rows = notebook() ? notebook()->property("dataModel").value<QObject*>() : nullptr;
    if (rows)
        QMetaObject::invokeMethod(rows, "indexForId", Q_RETURN_ARG(int, row), Q_ARG(QString, id));
    return row;
}

QQuickItem* ProgramScreen::notebookCell(const QString& id) const
{
    const int row = notebookRow(id);
    if (row < 0)
        return nullptr;
    return findItem(findItem(notebook(), QStringLiteral("dataList")), "cell_" + QString::number(row));
}

void ProgramScreen::shoot(const QString& name)
{
    const QString folder = qEnvironmentVariable("QUARZEL_SHOTS");
    if (folder.isEmpty())
        return;
    // Once the last change is drawn.
    QTest::qWait(500);
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + '/' + name + ".png");
}

} // namespace kiv::test
