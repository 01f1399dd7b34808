#pragma once

#include <QList>
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

    // A layer that owns the screen (dialog, menu, popup) while it is held:
    // keys and typed text reach only items inside the newest one, so a
    // menu over a field does not type into the field; a press under way
    // outside it is taken away from its item as the layer comes. Called by
    // the QML base of those layers through their window.
    Q_INVOKABLE void holdScreen(QQuickItem* layer, bool hold);
    // A held layer that the window must not close under (its
    // `keepsWindowOpen`): the screen asks for it to be closed first.
    Q_INVOKABLE bool keptOpen() const;

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
    // The focus lies outside the newest layer that holds the screen.
    bool keysHeldFromFocus() const;
    QQuickItem* topLayer() const;
    void takePointer(const QQuickItem* layer);

    // In the order they took the screen.
    QList<QPointer<QQuickItem>> m_layers;
};

} // namespace kiv
