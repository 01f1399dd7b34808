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

void MainView::setModalLayer(QQuickItem* layer)
{
    m_modalLayer = layer;
}

QObject* MainView::focusObject() const
{
    // Input methods and touch keyboards send their text to the focus object.
    return keysHeldFromFocus() ? contentItem() : QQuickView::focusObject();
}

bool MainView::keysHeldFromFocus() const
{
    if (!m_modalLayer || !m_modalLayer->property("holdsKeys").toBool())
        return false;
    for (const QQuickItem* item = activeFocusItem(); item; item = item->parentItem()) {
        if (item == m_modalLayer)
            return false;
    }
    return true;
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
