#include "app/MainView.h"

#include <QQmlEngine>

namespace kiv {

MainView::MainView()
{
    connect(engine(), &QQmlEngine::quit, this, &QWindow::close);
    setResizeMode(QQuickView::SizeRootObjectToView);
    setClearBeforeRendering(false);
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QQuickView::resizeEvent(event);
    emit resized();
}

} // namespace kiv
