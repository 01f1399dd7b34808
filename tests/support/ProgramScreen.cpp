#include "support/ProgramScreen.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

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
} // namespace

QQuickItem* ProgramScreen::root() const
{
    return m_window->contentItem();
}

QList<QQuickItem*> ProgramScreen::findItems(QQuickItem* under, const QString& name)
{
    QList<QQuickItem*> found;
    if (under)
        collect(under, name, found);
    return found;
}

QQuickItem* ProgramScreen::findItem(QQuickItem* under, const QString& name)
{
    const QList<QQuickItem*> found = findItems(under, name);
    return found.isEmpty() ? nullptr : found.first();
}

QQuickItem* ProgramScreen::findItemWith(QQuickItem* under, const QString& name, const char* property,
                                        const QVariant& value)
{
    for (QQuickItem* item : findItems(under, name)) {
        if (item->property(property) == value)
            return item;
    }
    return nullptr;
}

QPoint ProgramScreen::centreOf(const QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
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

} // namespace kiv::test
