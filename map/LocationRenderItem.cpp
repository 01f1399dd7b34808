#include "map/LocationRenderItem.h"

#include "app/ApplicationManager.h"
#include "map/OSGShaderManager.h"
#include "tools/AbstractLocationManager.h"

#include <osg/BlendFunc>
#include <osg/Depth>
#include <osg/Geode>
#include <osg/PositionAttitudeTransform>

#include <cmath>

namespace kiv {

LocationRenderItem::LocationRenderItem()
    : m_app(ApplicationManager::instance())
{
}

double LocationRenderItem::haloRadius(double accuracy, double latitude)
{
    // A non-finite accuracy (no estimate from the source) counts as absent.
    const double r = std::isfinite(accuracy) && accuracy > 0.0 ? accuracy : 1.0;
    const double scale = std::cos(latitude * M_PI / 180.0);
    return scale > 1e-6 ? r / scale : r;
}

double LocationRenderItem::symbolSize() const
{
    return m_app ? 16.0 * m_app->logicalToPhysicalMultiplier() * m_app->physicalToGLMultiplier() : 16.0;
}

osg::ref_ptr<osg::Geometry> LocationRenderItem::markerGeometry(float r, float z, const osg::Vec4& colour)
{
    // Top-left, bottom-right, bottom-left; bottom-right, top-left, top-right.
    static const osg::Vec2f pattern[6] = {{-1, 1}, {1, -1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array;
    osg::ref_ptr<osg::Vec2Array> offsets = new osg::Vec2Array;
    for (const osg::Vec2f& corner : pattern) {
        vertices->push_back(osg::Vec3(corner.x() * r, corner.y() * r, z));
        texCoords->push_back(corner);
        offsets->push_back(corner);
    }
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName("current_location");
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices.get());
    geometry->setTexCoordArray(0, texCoords.get(), osg::Array::BIND_PER_VERTEX);
    geometry->setVertexAttribArray(PointOffsetLocation, offsets.get(), osg::Array::BIND_PER_VERTEX);
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array;
    colours->push_back(colour);
    geometry->setColorArray(colours.get(), osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, 6));
    osg::StateSet* state = geometry->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), osg::StateAttribute::ON);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    state->setAttributeAndModes(new osg::Depth(osg::Depth::ALWAYS, 0.0, 1.0, false), osg::StateAttribute::ON);
    return geometry;
}

void LocationRenderItem::buildNode()
{
    setNode(nullptr);
    AbstractLocationManager* location = m_app ? m_app->locationManager() : nullptr;
    if (!owner() || !location)
        return;
    const QPointF coordinate = location->lastKnownCoordinate();
    osg::Vec3d position;
    if (!AbstractLocationManager::isValidCoordinate(coordinate)
        || !toMap(owner(), coordinate.x(), coordinate.y(), position))
        return;

    const bool updating = location->updating();
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    osg::ref_ptr<osg::Geometry> dot =
        markerGeometry(0.0f, 0.0f, updating ? osg::Vec4(0, 0, 1, 0.75f) : osg::Vec4(1, 0, 0, 0.75f));
    // The halo stands above the dot and would wash it out: the dot draws in
    // the bin after the transparent one, whatever the depth sorting says.
    dot->getOrCreateStateSet()->setRenderBinDetails(TransparentBinNumber + 1, "DepthSortedBin");
    geode->addDrawable(dot.get());
    if (updating) {
        const float r = float(haloRadius(location->horizontalAccuracy(), coordinate.y()));
        geode->addDrawable(markerGeometry(r, 0.4f, osg::Vec4(1, 1, 1, 0.5f)));
    }

    osg::StateSet* state = geode->getOrCreateStateSet();
    OSGShaderManager* shaders = OSGShaderManager::instance();
    const osg::ref_ptr<osg::Program> program =
        shaders ? shaders->getProgram(QStringLiteral(":/shaders/Resources/MapViewSymbol.vsh"),
                                      QStringLiteral(":/shaders/Resources/CurrentLocationSymbol.fsh"),
                                      "CurrentLocationSymbol")
                : nullptr;
    if (program) {
        program->addBindAttribLocation("pointOffset", PointOffsetLocation);
        state->setAttributeAndModes(program.get(), osg::StateAttribute::ON);
    }
    state->addUniform(new osg::Uniform("symbolSize", float(symbolSize())));

    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    transform->setPosition(osg::Vec3d(position.x(), position.y(), MarkerZ));
    transform->addChild(geode.get());
    setNode(transform.get());
    setDirty(false);
}

} // namespace kiv
