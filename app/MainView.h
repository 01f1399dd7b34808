#pragma once

#include <QPointer>
#include <QQuickItem>
#include <QQuickView>

namespace kiv {

// The one top-level window. The map scene draws before Qt Quick, so the view
// does not clear; the scene relays its loading state through this window.
class MainView : public QQuickView
{
    Q_OBJECT

public:
    MainView();

    // While the layer's `holdsKeys` is true, keys and typed text reach only
    // items inside it: a dialog over a field must not type into the field.
    void setModalLayer(QQuickItem* layer);

    QObject* focusObject() const override;

signals:
    // Before the screen is asked whether it may close: a name still being
    // typed is taken as typed, so that the question sees it.
    void closeRequested();
    void resized();
    void loadingTilesChanged(bool loadingTiles);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A field that was hidden while it had the focus keeps it: typing would
    // go on into it unseen.
    void dropHiddenFocus();
    // False when the screen holds work that closing would drop: it asks the
    // user instead, and nothing announces a close that does not happen.
    bool closeAllowed() const;
    // The focus lies outside the layer while the layer holds the keys.
    bool keysHeldFromFocus() const;

    QPointer<QQuickItem> m_modalLayer;
};

} // namespace kiv
