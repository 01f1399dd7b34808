#include "app/MainView.h"

#include <QQmlEngine>
#include <QQuickItem>

namespace kiv {

MainView::MainView()
{
    connect(engine(), &QQmlEngine::quit, this, &QWindow::close);
    setResizeMode(QQuickView::SizeRootObjectToView);
    setClearBeforeRendering(false);
}

namespace {
bool isInside(const QQuickItem* item, const QQuickItem* layer)
{
    for (; item; item = item->parentItem()) {
        if (item == layer)
            return true;
    }
    return false;
}

QList<QQuickItem*> itemsOutside(QQuickItem* under, const QQuickItem* layer)
{
    QList<QQuickItem*> items;
    if (under == layer)
        return items;
    items << under;
    for (QQuickItem* child : under->childItems())
        items << itemsOutside(child, layer);
    return items;
}
} // namespace

void MainView::holdScreen(QQuickItem* layer, bool hold)
{
    m_layers.removeAll(nullptr);
    m_layers.removeAll(layer);
    if (hold && layer) {
        m_layers.append(layer);
        takePointer(layer);
    }
    // Input methods ask again where their text goes.
    emit focusObjectChanged(focusObject());
}

bool MainView::keptOpen() const
{
    for (const QPointer<QQuickItem>& layer : m_layers) {
        if (layer && layer->property("keepsWindowOpen").toBool())
            return true;
    }
    return false;
}

QQuickItem* MainView::topLayer() const
{
    for (auto layer = m_layers.crbegin(); layer != m_layers.crend(); ++layer) {
        if (*layer)
            return *layer;
    }
    return nullptr;
}

void MainView::takePointer(const QQuickItem* layer)
{
    // The item that had the press learns that it was cancelled, so a
    // release under the layer finishes nothing behind it.
    QQuickItem* grabber = mouseGrabberItem();
    if (grabber && !isInside(grabber, layer))
        grabber->ungrabMouse();
    for (QQuickItem* item : itemsOutside(contentItem(), layer)) {
        if (item->acceptTouchEvents())
            item->ungrabTouchPoints();
    }
}

QObject* MainView::focusObject() const
{
    // Input methods and touch keyboards send their text to the focus object.
    return keysHeldFromFocus() ? contentItem() : QQuickView::focusObject();
}

bool MainView::keysHeldFromFocus() const
{
    const QQuickItem* layer = topLayer();
    return layer && !isInside(activeFocusItem(), layer);
}

bool MainView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        dropHiddenFocus();
        if (keysHeldFromFocus()) {
            // Accepted and dropped: neither the field behind nor a shortcut sees it.
            event->accept();
            return true;
        }
        break;
    case QEvent::Close:
        emit closeRequested();
        if (!closeAllowed()) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QQuickView::event(event);
}

void MainView::dropHiddenFocus()
{
    // Each round hands the focus up one scope; a hidden scope loses it next.
    for (QQuickItem* item = activeFocusItem(); item && item != contentItem() && !item->isVisible();
         item = activeFocusItem()) {
        item->setFocus(false);
        if (activeFocusItem() == item)
            break;
    }
}

bool MainView::closeAllowed() const
{
    QObject* root = rootObject();
    if (!root || root->metaObject()->indexOfMethod("mayClose()") < 0)
        return true;
    QVariant allowed;
    if (!QMetaObject::invokeMethod(root, "mayClose", Q_RETURN_ARG(QVariant, allowed)))
        return true;
    // Only a plain "no" keeps the window: a screen that fails to answer must not.
    return allowed.userType() != QMetaType::Bool || allowed.toBool();
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QQuickView::resizeEvent(event);
    emit resized();
}

} // namespace kiv
