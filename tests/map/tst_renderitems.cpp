#include "map/AnnotationRenderItem.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/PointDataRenderItem.h"
#include "map/SymbolTextures.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/SceneFixture.h"

#include <osg/Geode>
#include <osg/PositionAttitudeTransform>
#include <osg/Stencil>

#include <QGuiApplication>
#include <QtTest>

#include <cmath>

using namespace kiv;

namespace {

osg::Geode* geodeOf(const GLRenderItem& item)
{
    auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(item.node());
    return transform && transform->getNumChildren() == 1 ? transform->getChild(0)->asGeode() : nullptr;
}

osg::Geometry* geometryOf(const GLRenderItem& item, unsigned index = 0)
{
    osg::Geode* geode = geodeOf(item);
    return geode && index < geode->getNumDrawables() ? geode->getDrawable(index)->asGeometry() : nullptr;
}

const osg::Vec3Array& verticesOf(const osg::Geometry* geometry)
{
    return *static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
}

const osg::Vec2Array& offsetsOf(const osg::Geometry* geometry)
{
    return *static_cast<const osg::Vec2Array*>(geometry->getVertexAttribArray(6));
}

osg::Vec4 colourOf(const osg::Geometry* geometry)
{
    return static_cast<const osg::Vec4Array*>(geometry->getColorArray())->front();
}

int stencilReference(const osg::Geometry* geometry)
{
    const auto* stencil = dynamic_cast<const osg::Stencil*>(
        geometry->getStateSet()->getAttribute(osg::StateAttribute::STENCIL));
    return stencil ? stencil->getFunctionRef() : 0;
}

std::shared_ptr<LineData2D> lineOf(const std::string& id, int points, bool filled = false)
{
    auto line = LineData2D::create(id, "loc", 0, LineData2D::Solid, filled, QString());
    for (int i = 0; i < points; ++i)
        line->addPoint(46.0 + 0.001 * i, 8.0 + 0.002 * (i % 2));
    return line;
}

} // namespace

class TestRenderItems : public QObject, private test::SceneFixture
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::shared_ptr<Locality> locality;
    int localities = 0;

    template<typename Item, typename... Args>
    std::shared_ptr<Item> built(Args&&... args)
    {
        auto item = std::make_shared<Item>(locality, std::forward<Args>(args)...);
        scene->addRenderItem(item);
        item->buildNode();
        return item;
    }

    std::shared_ptr<Data> plane(int n, double lat = 46.0, double lon = 8.0)
    {
        return locality->addPlane("plane" + std::to_string(n), lat, lon + 0.001 * n, 30.0f, 120.0f, 0, -1,
                                  QString());
    }

private slots:
    void initTestCase()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        newScene(400, 300);
    }

    void init()
    {
        ApplicationManager::instance()->setLogicalToPhysicalMultiplier(1.0);
        locality = fixture->addLocality("loc" + std::to_string(++localities), 1000);
        locality->setName(QStringLiteral("North"));
        locality->setLatitude(46.0);
        locality->setLongitude(8.0);
    }

    void cleanupTestCase()
    {
        scene.reset();
        view.reset();
        fixture.reset();
    }

    void pointItemsDrawSixVerticesPerDatum()
    {
        plane(1);
        plane(2);
        locality->addSighting("sight", 46.001, 8.0, 40.0f, 0, -1, QString());
        const auto planes = built<PointDataRenderItem>(false);
        QVERIFY(!planes->isDirty());
        const osg::Geometry* geometry = geometryOf(*planes);
        QVERIFY(geometry);
        QCOMPARE(geometry->getName(), std::string("points_North"));
        QCOMPARE(verticesOf(geometry).size(), size_t(12));
        QCOMPARE(offsetsOf(geometry).size(), size_t(12));
        QCOMPARE(verticesOf(geometryOf(*built<PointDataRenderItem>(true))).size(), size_t(6));
    }

    void noSightingsNoNode()
    {
        plane(1);
        const auto sightings = built<PointDataRenderItem>(true);
        QVERIFY(!sightings->node());
        QVERIFY(sightings->isDirty());
    }

    void selectedSymbolComesLastAndHigher()
    {
        plane(1);
        plane(2);
        plane(3);
        const auto selected = locality->data()[1];
        auto item = std::make_shared<PointDataRenderItem>(locality, false);
        item->setSelectedId(selected->id());
        scene->addRenderItem(item);
        item->buildNode();
        const osg::Vec3Array& vertices = verticesOf(geometryOf(*item));
        QCOMPARE(vertices.size(), size_t(18));
        const osg::Vec3d expected = worldOf(selected->longitude(), selected->latitude()) - worldOf(8.0, 46.0);
        for (size_t v = 0; v < vertices.size(); ++v) {
            QCOMPARE(vertices[v].z(), v >= 12 ? 2.0f : 1.0f);
            if (v >= 12)
                QVERIFY(std::abs(vertices[v].x() - expected.x()) < 0.01);
        }
    }

    void annotationAnchors()
    {
        // A bare locality: the marker alone, standing on its position.
        const osg::Vec2Array& marker = offsetsOf(geometryOf(*built<AnnotationRenderItem>()));
        QCOMPARE(marker.size(), size_t(6));
        QCOMPARE(marker[0], osg::Vec2(-1.0f, 2.0f));
        QCOMPARE(marker[2], osg::Vec2(-1.0f, 0.0f));
        // A note hangs right of and below its position.
        locality->addAnnotation("note", 46.0, 8.0, QStringLiteral("n"));
        const osg::Vec2Array& offsets = offsetsOf(geometryOf(*built<AnnotationRenderItem>()));
        QCOMPARE(offsets.size(), size_t(12));
        QVERIFY(std::abs(offsets[0].x() + 0.35f) < 1e-6 && std::abs(offsets[0].y() - 0.35f) < 1e-6);
        QVERIFY(std::abs(offsets[5].x() - 1.65f) < 1e-6 && std::abs(offsets[2].y() + 1.65f) < 1e-6);
    }

    void moreThanOneAtlasSplitsIntoChunks()
    {
        ApplicationManager::instance()->setLogicalToPhysicalMultiplier(10.0);
        QCOMPARE(SymbolTextures::capacity(scene->maxTextureSize()), 64);
        for (int n = 0; n < 65; ++n)
            plane(n);
        const auto item = built<PointDataRenderItem>(false);
        QCOMPARE(geodeOf(*item)->getNumDrawables(), 2u);
        QCOMPARE(item->atlases().size(), size_t(2));
        const osg::Geometry* second = geometryOf(*item, 1);
        QCOMPARE(verticesOf(second).size(), size_t(6));
        QCOMPARE(second->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXTURE),
                 static_cast<const osg::StateAttribute*>(item->atlases()[1]->texture()));
        const auto& texCoords = *static_cast<const osg::Vec2Array*>(second->getTexCoordArray(0));
        QCOMPARE(texCoords[2].x(), item->atlases()[1]->texCoords(0).first);
        QCOMPARE(texCoords[2].y(), item->atlases()[1]->texCoords(0).second);
        QCOMPARE(item->elements().back(), std::static_pointer_cast<LocatedObject>(locality->data().back()));
    }

    void lineHandles_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("5") << 5;
        QTest::newRow("10000, more than one atlas holds") << 10000;
    }

    void lineHandles()
    {
        QFETCH(int, points);
        locality->addLine(lineOf("line", points));
        auto item = std::make_shared<LinePointRenderItem>(locality);
        scene->addRenderItem(item);
        item->buildNode();
        QVERIFY(!item->node());
        item->setSelectedId("line");
        item->buildNode();
        const osg::Geometry* geometry = geometryOf(*item);
        QCOMPARE(verticesOf(geometry).size(), size_t(6 * points));
        QCOMPARE(item->atlases().size(), size_t(1));
        const auto [s, t] = item->atlases()[0]->texCoords(0);
        const auto& texCoords = *static_cast<const osg::Vec2Array*>(geometry->getTexCoordArray(0));
        QCOMPARE(texCoords.back(), osg::Vec2(s + item->atlases()[0]->cellTexWidth(), t + item->atlases()[0]->cellTexHeight()));
        QVERIFY(item->elements().front()->id() != "line");
    }

    void lineToolHandlesSkipTheClosingPoint()
    {
        const auto line = lineOf("ring", 5, true);
        const osg::ref_ptr<osg::Geometry> geometry =
            LinePointRenderItem::addLinePoints(*line, scene.get(), 2.6, worldOf(8.0, 46.0));
        QCOMPARE(geometry->getName(), std::string("linePoints_ring"));
        QCOMPARE(verticesOf(geometry.get()).size(), size_t(24));
        QCOMPARE(verticesOf(geometry.get())[0].z(), 2.6f);
        QVERIFY(LinePointRenderItem::createPointGeode()->getStateSet()->getUniform("symbolSize"));
    }

    void unplaceablePositionsAreLeftOut()
    {
        locality->setLatitude(999.0);
        locality->setLongitude(999.0);
        plane(1, 47.0, 9.0);
        auto line = lineOf("line", 2);
        line->addPoint(999.0, 999.0);
        locality->addLine(line);
        const auto planes = built<PointDataRenderItem>(false);
        const osg::Vec3Array& vertices = verticesOf(geometryOf(*planes));
        QCOMPARE(vertices.size(), size_t(6));
        for (const osg::Vec3& v : vertices)
            QVERIFY(std::isfinite(v.x()) && std::isfinite(v.y()));
        QVERIFY(std::isfinite(planes->node()->asTransform()->asPositionAttitudeTransform()->getPosition().x()));
        QVERIFY(!built<AnnotationRenderItem>()->node());
        const auto lines = built<LineDataRenderItem>();
        QCOMPARE(verticesOf(geometryOf(*lines)).size(), size_t(4));
        for (const osg::Vec3& v : verticesOf(geometryOf(*lines)))
            QVERIFY(std::isfinite(v.x()) && std::isfinite(v.y()));
    }

    void nothingPlaceableNoNodes()
    {
        locality->setLatitude(999.0);
        locality->setLongitude(999.0);
        plane(1, 999.0, 999.0);
        auto line = lineOf("line", 0);
        line->addPoint(999.0, 999.0);
        line->addPoint(95.0, 8.0);
        locality->addLine(line);
        QVERIFY(!built<PointDataRenderItem>(false)->node());
        QVERIFY(!built<AnnotationRenderItem>()->node());
        QVERIFY(!built<LineDataRenderItem>()->node());
    }

    void lineStrips_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<int>("geometries");
        QTest::addColumn<int>("stripVertices");
        QTest::newRow("one point") << 1 << false << 0 << 0;
        QTest::newRow("two points") << 2 << false << 1 << 4;
        QTest::newRow("filled triangle") << 3 << true << 2 << 12;
    }

    void lineStrips()
    {
        QFETCH(int, points);
        QFETCH(bool, filled);
        auto line = lineOf("l", points, filled);
        line->setOpacity(0.8f);
        const osg::Vec3d origin = worldOf(8.0, 46.0);
        const auto result = LineDataRenderItem::addLineGeometry(*line, scene.get(), QColor(0, 0, 255, 255), 0.6,
                                                                origin.x(), origin.y(), 0.0);
        QTEST(int(result.size()), "geometries");
        if (result.empty())
            return;
        const osg::Geometry* strip = result.back().get();
        const osg::Vec3Array& vertices = verticesOf(strip);
        QTEST(int(vertices.size()), "stripVertices");
        const auto& distances = *static_cast<const osg::FloatArray*>(strip->getVertexAttribArray(7));
        double length = 0.0;
        for (int i = 0; i < (filled ? points : points - 1); ++i) {
            const osg::Vec3d a = worldOf(line->longitudeAt(i), line->latitudeAt(i));
            const osg::Vec3d b = worldOf(line->longitudeAt((i + 1) % points), line->latitudeAt((i + 1) % points));
            length += (b - a).length();
        }
        QCOMPARE(distances[0], 0.0f);
        QCOMPARE(distances[1], 0.0f);
        QVERIFY(std::abs(distances.back() - length) < 1e-3 * length);
        // The strip ends where it started when it closes.
        if (filled)
            QVERIFY((vertices.back() - vertices.front()).length() < 1e-3f);
        QCOMPARE(colourOf(strip).a(), 0.8f);
        QCOMPARE(vertices[0].z(), 0.6f);
        if (filled) {
            const osg::Geometry* fill = result.front().get();
            QCOMPARE(fill->getVertexArray()->getNumElements(), 3u);
            QCOMPARE(colourOf(fill).a(), 0.4f);
        }
    }

    void zeroLengthSegmentKeepsNoNormal()
    {
        auto line = lineOf("l", 2);
        line->insertPoint(1, line->latitudeAt(0), line->longitudeAt(0));
        const auto result = LineDataRenderItem::addLineGeometry(*line, scene.get(), Qt::blue, 0.6, 0.0, 0.0, 0.0);
        const osg::Geometry* strip = result.back().get();
        QCOMPARE(offsetsOf(strip)[0], osg::Vec2(0.0f, 0.0f));
        const auto& distances = *static_cast<const osg::FloatArray*>(strip->getVertexAttribArray(7));
        QCOMPARE(distances[2], 0.0f);
    }

    void lineColoursAndSelection()
    {
        fixture->project->addRockUnit(3, QStringLiteral("Granite"), QColor(200, 10, 10), 0);
        auto unknown = lineOf("unknown", 2);
        unknown->setUnitId(0);
        auto granite = lineOf("granite", 2);
        granite->setUnitId(3);
        auto picked = lineOf("picked", 2);
        picked->setUnitId(3);
        locality->addLine(unknown);
        locality->addLine(granite);
        locality->addLine(picked);
        auto item = std::make_shared<LineDataRenderItem>(locality);
        QCOMPARE(item->project(), fixture->project);
        item->setSelectedId("picked");
        scene->addRenderItem(item);
        item->buildNode();
        QCOMPARE(geodeOf(*item)->getNumDrawables(), 3u);
        int seen = 0;
        for (unsigned i = 0; i < 3; ++i) {
            const osg::Geometry* geometry = geometryOf(*item, i);
            const osg::Vec4 colour = colourOf(geometry);
            const float z = verticesOf(geometry)[0].z();
            // Opaque lines need no stencil.
            QCOMPARE(stencilReference(geometry), 0);
            if (colour == osg::Vec4(1.0f, 1.0f, 0.0f, 1.0f) && z == 1.6f)
                seen |= 1;
            else if (std::abs(colour.r() - 200.0f / 255.0f) < 1e-6f && z == 0.6f)
                seen |= 2;
            else if (colour == osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f) && z == 0.6f)
                seen |= 4;
        }
        QCOMPARE(seen, 7);
    }

    void lineWithoutProjectIsBlack()
    {
        auto orphan = std::make_shared<Locality>(ProjectId(4711), "orphan");
        orphan->setLatitude(46.0);
        orphan->setLongitude(8.0);
        auto line = lineOf("l", 2);
        line->setUnitId(3);
        orphan->addLine(line);
        auto item = std::make_shared<LineDataRenderItem>(orphan);
        scene->addRenderItem(item);
        item->buildNode();
        QCOMPARE(colourOf(geometryOf(*item)), osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
    }

    void translucentLinesCycleStencilReferences()
    {
        QCOMPARE(scene->stencilBits(), 8);
        const auto line = lineOf("l", 2);
        line->setOpacity(0.5f);
        std::vector<int> references;
        for (int i = 0; i < 256; ++i)
            references.push_back(stencilReference(
                LineDataRenderItem::addLineGeometry(*line, scene.get(), Qt::red, 0.6, 0.0, 0.0, 0.0).back().get()));
        // 255 distinct values 1 to 255 in turn, then the first again.
        for (size_t i = 1; i < references.size(); ++i) {
            QVERIFY(references[i] >= 1 && references[i] <= 255);
            QCOMPARE(references[i], references[i - 1] % 255 + 1);
        }
        QCOMPARE(references[255], references[0]);
    }
};

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    TestRenderItems test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_renderitems.moc"
