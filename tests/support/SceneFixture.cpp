#include "support/SceneFixture.h"

#include <osg/Group>

#include <QGuiApplication>

namespace kiv::test {

void SceneFixture::createManager()
{
    manager = std::make_unique<ApplicationManager>(qobject_cast<QGuiApplication*>(qApp));
}

void SceneFixture::newScene(int width, int height, const QUrl& source)
{
    scene.reset();
    view = std::make_unique<MainView>();
    if (!source.isEmpty())
        view->setSource(source);
    view->resize(width, height);
    scene = std::make_unique<GLRender>(view.get());
}

void SceneFixture::destroyAll()
{
    scene.reset();
    view.reset();
    manager.reset();
}

osg::Vec3d SceneFixture::worldOf(double lon, double lat) const
{
    double x = 0.0, y = 0.0;
    scene->geographicSRS()->transform2D(lon, lat, scene->mapSRS(), x, y);
    return osg::Vec3d(x, y, 0.0);
}

void CountingRenderItem::buildNode()
{
    ++builds;
    setNode(owner() ? new osg::Group : nullptr);
    setDirty(false);
}

} // namespace kiv::test
