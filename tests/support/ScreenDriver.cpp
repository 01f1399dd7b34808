#include "support/ScreenDriver.h"

#include "support/SceneFixture.h"

#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

#include <utility>

namespace kiv::test {

namespace {
void collect(QQuickItem* item, QList<QQuickItem*>& items)
{
    items << item;
    for (QQuickItem* child : item->childItems())
        collect(child, items);
}
} // namespace

bool ScreenDriver::onScreen(const QQuickItem* item)
{
    return item->isVisible() && item->opacity() > 0.99 && item->width() > 0 && item->height() > 0;
}

QList<QQuickItem*> ScreenDriver::items(QQuickItem* under) const
{
    QList<QQuickItem*> found;
    collect(under ? under : m_window->contentItem(), found);
    return found;
}

QQuickItem* ScreenDriver::shown(const QString& name, QQuickItem* under) const
{
    for (QQuickItem* item : items(under)) {
        if (item->objectName() == name && onScreen(item))
            return item;
    }
    return nullptr;
}

QQuickItem* ScreenDriver::shownWith(const char* property, const QVariant& value, QQuickItem* under) const
{
    for (QQuickItem* item : items(under)) {
        if (onScreen(item) && item->property(property) == value)
            return item;
    }
    return nullptr;
}

QList<QQuickItem*> ScreenDriver::named(const QString& name, QQuickItem* under) const
{
    QList<QQuickItem*> found;
    for (QQuickItem* item : items(under)) {
        if (item->objectName() == name)
            found << item;
    }
    return found;
}

void ScreenDriver::tap(QQuickItem* item, qreal fx, qreal fy) const
{
    QVERIFY(item);
    QPointF before(-1e9, -1e9);
    QTRY_VERIFY(std::exchange(before, item->mapToScene(QPointF())) == item->mapToScene(QPointF())
                && (QTest::qWait(80), before == item->mapToScene(QPointF())));
    const QPointF at = item->mapToScene(QPointF(item->width() * fx, item->height() * fy));
    QTest::mouseClick(m_window, Qt::LeftButton, {}, at.toPoint());
}

void ScreenDriver::tapShown(const QString& name) const
{
    QQuickItem* item = nullptr;
    QTRY_VERIFY2_WITH_TIMEOUT((item = shown(name)) != nullptr, qPrintable(name), 10000);
    tap(item);
}

void ScreenDriver::type(const QString& name, const QString& text) const
{
    QQuickItem* field = nullptr;
    QTRY_VERIFY((field = shown(name)) != nullptr);
    tap(field);
    QQuickItem* input = field->findChild<QQuickItem*>("input");
    QVERIFY(input);
    QTRY_VERIFY(input->hasActiveFocus());
    input->setProperty("text", QString());
    for (const QChar c : text)
        QTest::keyClick(m_window, c.toLatin1());
    QTest::keyClick(m_window, Qt::Key_Return);
    QCOMPARE(input->property("text").toString(), text);
}

int ScreenDriver::pixelsLike(const QImage& image, const QPointF& centre, int half, const QColor& colour)
{
    int count = 0;
    const QRect area = QRect(int(centre.x()) - half, int(centre.y()) - half, 2 * half, 2 * half)
                           .intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += SceneFixture::colourIs(image.pixelColor(x, y), colour, 60) ? 1 : 0;
    return count;
}

} // namespace kiv::test
