#pragma once

#include <QQuickView>

namespace kiv {

// The one top-level window. The map scene draws before Qt Quick, so the view
// does not clear; the scene relays its loading state through this window.
class MainView : public QQuickView
{
    Q_OBJECT

public:
    MainView();

signals:
    void resized();
    void loadingTilesChanged(bool loadingTiles);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace kiv
