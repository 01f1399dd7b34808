#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>

namespace kiv {

class MainView;

// Tells the window that `layer` owns the screen while `active` is set: keys
// then reach only items inside the newest such layer, and a press under way
// outside it is taken away. The QML base of dialogs, menus and popups holds
// one, bound to its visibility, so that none of them can miss the rule.
class ScreenLayerHold : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQuickItem* layer READ layer WRITE setLayer NOTIFY layerChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)

public:
    explicit ScreenLayerHold(QObject* parent = nullptr);
    ~ScreenLayerHold() override;

    QQuickItem* layer() const { return m_layer; }
    bool active() const { return m_active; }
    void setLayer(QQuickItem* layer);
    void setActive(bool active);

signals:
    void layerChanged(QQuickItem* layer);
    void activeChanged(bool active);

private:
    // Holds with the layer's window when active, lets go otherwise.
    void update();
    void release();

    QPointer<QQuickItem> m_layer;
    bool m_active = false;
    QPointer<MainView> m_view;
    QMetaObject::Connection m_windowConnection;
};

} // namespace kiv
