#include "app/ScreenLayerHold.h"

#include "app/MainView.h"

namespace kiv {

ScreenLayerHold::ScreenLayerHold(QObject* parent)
    : QObject(parent)
{
}

ScreenLayerHold::~ScreenLayerHold()
{
    release();
}

void ScreenLayerHold::setLayer(QQuickItem* layer)
{
    if (layer == m_layer)
        return;
    release();
    disconnect(m_windowConnection);
    m_layer = layer;
    // A layer moved to another window (or out of all) holds there.
    if (layer)
        m_windowConnection = connect(layer, &QQuickItem::windowChanged, this, &ScreenLayerHold::update);
    update();
    emit layerChanged(layer);
}

void ScreenLayerHold::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
    emit activeChanged(active);
}

void ScreenLayerHold::update()
{
    MainView* view = m_active && m_layer ? qobject_cast<MainView*>(m_layer->window()) : nullptr;
    if (view == m_view)
        return;
    release();
    m_view = view;
    if (view)
        view->holdScreen(m_layer, true);
}

void ScreenLayerHold::release()
{
    // A layer already destroyed has left the window's list by itself.
    if (m_view && m_layer)
        m_view->holdScreen(m_layer, false);
    m_view = nullptr;
}

} // namespace kiv
