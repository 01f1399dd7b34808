#include "map/LocationRenderItem.h"
#include "support/ScriptedLocationManager.h"
#include "support/SceneFixture.h"
#include "support/ToastApplication.h"

#include <osg/Geode>
#include <osg/PositionAttitudeTransform>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace kiv;

class TestLocationRenderItem : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir documents;
    test::ToastApplication* app = nullptr;
    test::ScriptedLocationManager* location = nullptr;

    static osg::Geode* geodeOf(const GLRenderItem& item)
    {
        auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(item.node());
        return transform && transform->getNumChildren() == 1 ? transform->getChild(0)->asGeode() : nullptr;
    }
    static osg::Vec4 colourOf(const osg::Drawable* drawable)
    {
        return static_cast<const osg::Vec4Array*>(drawable->asGeometry()->getColorArray())->front();
    }

    std::unique_ptr<LocationRenderItem> built()
    {
        auto item = std::make_unique<LocationRenderItem>();
        item->setOwner(scene.get());
        item->buildNode();
        return item;
    }

private slots:
    void initTestCase()
    {
        auto owned = std::make_unique<test::ToastApplication>(documents.path());
        app = owned.get();
        manager = std::move(owned);
        location = new test::ScriptedLocationManager;
        app->installLocationManager(location);
        app->setLogicalToPhysicalMultiplier(1.0);
        newScene(400, 300);
    }

    void cleanupTestCase() { destroyAll(); }

    void init()
    {
        location->stopUpdates(true);
    }

    void noValidFixDrawsNothing()
    {
        location->setLastKnownCoordinate(AbstractLocationManager::invalidCoordinate());
        const auto item = built();
        QVERIFY(!item->node());
        QVERIFY(item->isDirty());
    }

    void notUpdatingIsRedWithoutHalo()
    {
        location->setLastKnownCoordinate(QPointF(8.0, 46.0));
        const auto item = built();
        QVERIFY(!item->isDirty());
        osg::Geode* geode = geodeOf(*item);
        QVERIFY(geode);
        QCOMPARE(geode->getNumDrawables(), 1u);
        QCOMPARE(colourOf(geode->getDrawable(0)), osg::Vec4(1, 0, 0, 0.75f));
        const auto* transform = static_cast<osg::PositionAttitudeTransform*>(item->node());
        QVERIFY((transform->getPosition() - (worldOf(8.0, 46.0) + osg::Vec3d(0, 0, 2.4))).length() < 1e-6);
        QCOMPARE(item->symbolSize(), 16.0);
    }

    void haloCoversAccuracyOnTheGround_data()
    {
        QTest::addColumn<double>("accuracy");
        QTest::addColumn<double>("extent");
        QTest::newRow("zero") << 0.0 << 2.0;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 2.0;
        QTest::newRow("100 m") << 100.0 << 200.0;
    }

    void haloCoversAccuracyOnTheGround()
    {
        QFETCH(double, accuracy);
        QFETCH(double, extent);
        location->startUpdates();
        location->setLastKnownCoordinate(QPointF(8.0, 60.0));
        location->setHorizontalAccuracy(accuracy);
        const auto item = built();
        osg::Geode* geode = geodeOf(*item);
        QVERIFY(geode);
        QCOMPARE(geode->getNumDrawables(), 2u);
        QCOMPARE(colourOf(geode->getDrawable(0)), osg::Vec4(0, 0, 1, 0.75f));
        QCOMPARE(colourOf(geode->getDrawable(1)), osg::Vec4(1, 1, 1, 0.5f));
        const auto* halo = static_cast<const osg::Vec3Array*>(geode->getDrawable(1)->asGeometry()->getVertexArray());
        QCOMPARE(halo->size(), 6u);
        for (const osg::Vec3& vertex : *halo) {
            QVERIFY(std::abs(std::abs(vertex.x()) - extent) < 1e-3 * extent);
            QVERIFY(std::abs(std::abs(vertex.y()) - extent) < 1e-3 * extent);
        }
    }
};

QTEST_MAIN(TestLocationRenderItem)
#include "tst_locationrenderitem.moc"
