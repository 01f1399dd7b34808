#pragma once

#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"

#include <osg/Vec3d>

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
    void destroyAll();
    // Map coordinates of a longitude/latitude point.
    osg::Vec3d worldOf(double lon, double lat) const;

    std::unique_ptr<ApplicationManager> manager;
    std::unique_ptr<MainView> view;
    std::unique_ptr<GLRender> scene;
};

// Counts its builds; makes a fresh group each time it has an owner.
class CountingRenderItem : public GLRenderItem
{
public:
    void buildNode() override;
    int builds = 0;
};

} // namespace kiv::test
