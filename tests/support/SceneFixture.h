#pragma once

#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"

#include <osg/Vec3d>

#include <QColor>
#include <QImage>
#include <QUrl>

#include <memory>

namespace kiv::test {

// The map scene as the program wires it: application manager, main window
// and the scene drawn into that window.
class SceneFixture
{
protected:
    void createManager();
    // A fresh window of the given size (showing `source`, if any) and scene.
    void newScene(int width, int height, const QUrl& source = QUrl());
    // A shown window (an empty page, so Qt Quick renders) of that size and
    // its scene; the page is written into `folder`. False when not exposed.
    bool showScene(const QString& folder, int width, int height);
    void destroyAll();
    // Map coordinates of a longitude/latitude point.
    osg::Vec3d worldOf(double lon, double lat) const;

    // For shown windows: renders into `frame` until every wanted tile is
    // drawn from its own texture; false after 20 s.
    bool settle();
    // Whether `frame` shows `expected` at a point, each channel within `tolerance`.
    bool colourAt(double lon, double lat, const QColor& expected, int tolerance = 3) const;

public:
    static bool colourIs(const QColor& colour, const QColor& expected, int tolerance);

protected:
    std::unique_ptr<ApplicationManager> manager;
    std::unique_ptr<MainView> view;
    std::unique_ptr<GLRender> scene;
    QImage frame;
};

// Counts its builds; makes a fresh group each time it has an owner.
class CountingRenderItem : public GLRenderItem
{
public:
    void buildNode() override;
    int builds = 0;
};

} // namespace kiv::test
