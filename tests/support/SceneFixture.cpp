#include "support/SceneFixture.h"

#include "geo/MapNode.h"

#include <osg/Group>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

namespace kiv::test {

void SceneFixture::createManager()
{
    manager = std::make_unique<ApplicationManager>(qGuiApp);
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

bool SceneFixture::showScene(const QString& folder, int width, int height)
{
    const QString page = QDir(folder).filePath(QStringLiteral("page.qml"));
    QFile file(page);
    if (!file.open(QIODevice::WriteOnly) || file.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n") <= 0)
        return false;
    file.close();
    newScene(width, height, QUrl::fromLocalFile(page));
    view->show();
    return QTest::qWaitForWindowExposed(view.get());
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

bool SceneFixture::settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        frame = view->grabWindow();
        geo::MapNode* node = scene->mapNode();
        if (node && node->isComplete() && scene->tileLoader()->requestsInProgress() == 0)
            return true;
        QTest::qWait(20);
    }
    return false;
}

bool SceneFixture::colourAt(double lon, double lat, const QColor& expected, int tolerance) const
{
    const QPointF p = scene->worldToScreen(worldOf(lon, lat));
    return colourIs(frame.pixelColor(int(p.x()), int(p.y())), expected, tolerance);
}

bool SceneFixture::colourIs(const QColor& c, const QColor& expected, int tolerance)
{
    if (std::abs(c.red() - expected.red()) <= tolerance && std::abs(c.green() - expected.green()) <= tolerance
        && std::abs(c.blue() - expected.blue()) <= tolerance)
        return true;
    qWarning("found (%d, %d, %d, %d)", c.red(), c.green(), c.blue(), c.alpha());
    return false;
}

void CountingRenderItem::buildNode()
{
    ++builds;
    setNode(owner() ? new osg::Group : nullptr);
    setDirty(false);
}

} // namespace kiv::test
