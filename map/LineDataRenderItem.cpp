#include "map/LineDataRenderItem.h"

#include "app/ApplicationManager.h"
#include "map/GLRender.h"
#include "map/OSGShaderManager.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <osg/BlendFunc>
#include <osg/Depth>
#include <osg/PositionAttitudeTransform>
#include <osg/Stencil>
#include <osgUtil/Tessellator>

#include <algorithm>

namespace kiv {

namespace {

// The reference value of the last translucent line; each gets its own so a
// ribbon never blends twice over itself at its joins.
int s_stencilCounter = 0;

int nextStencilReference(int stencilBits)
{
    const int limit = 1 << std::clamp(stencilBits, 0, 30);
    ++s_stencilCounter;
    if (s_stencilCounter >= limit)
        s_stencilCounter = 1;
    return s_stencilCounter;
}

osg::ref_ptr<osg::Program> program(const char* vertexFile, const char* fragmentFile, const std::string& name)
{
    OSGShaderManager* shaders = OSGShaderManager::instance();
    if (!shaders)
        return nullptr;
    const QString folder = QString::fromLatin1(OSGShaderManager::ResourceFolder);
    return shaders->getProgram(folder + QLatin1String(vertexFile), folder + QLatin1String(fragmentFile), name);
}

void applyOverlayState(osg::StateSet* state)
{
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), osg::StateAttribute::ON);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    state->setAttributeAndModes(new osg::Depth(osg::Depth::ALWAYS, 0.0, 1.0, false), osg::StateAttribute::ON);
}

osg::ref_ptr<osg::Vec4Array> overallColour(const QColor& colour, float alpha)
{
    osg::ref_ptr<osg::Vec4Array> array = new osg::Vec4Array;
    array->push_back(osg::Vec4(float(colour.redF()), float(colour.greenF()), float(colour.blueF()), alpha));
    return array;
}

osg::Vec2f normalOf(const osg::Vec3f& a, const osg::Vec3f& b)
{
    osg::Vec2f n(b.y() - a.y(), a.x() - b.x());
    if (n.length() > 0.0f)
        n.normalize();
    return n;
}

osg::ref_ptr<osg::Geometry> fillGeometry(const std::vector<osg::Vec3f>& points, const QColor& colour, float opacity)
{
    osg::ref_ptr<osg::Geometry> fill = new osg::Geometry;
    fill->setUseDisplayList(false);
    fill->setUseVertexBufferObjects(true);
    fill->setVertexArray(new osg::Vec3Array(points.begin(), points.end()));
    fill->setColorArray(overallColour(colour, float(colour.alphaF()) * opacity * 0.5f).get(), osg::Array::BIND_OVERALL);
    fill->addPrimitiveSet(new osg::DrawArrays(GL_POLYGON, 0, GLsizei(points.size())));
    osg::StateSet* state = fill->getOrCreateStateSet();
    applyOverlayState(state);
    if (const osg::ref_ptr<osg::Program> fillProgram = program("basic.vert", "basic.frag", "MapViewPolyFill"))
        state->setAttributeAndModes(fillProgram.get(), osg::StateAttribute::ON);
    // Concave outlines become triangles that fill correctly.
    osgUtil::Tessellator tessellator;
    tessellator.retessellatePolygons(*fill);
    return fill;
}

float lineThicknessFactor()
{
    const ApplicationManager* manager = ApplicationManager::instance();
    return manager ? float(manager->logicalToPhysicalMultiplier() * manager->physicalToGLMultiplier()) : 1.0f;
}

} // namespace

LineDataRenderItem::LineDataRenderItem(std::shared_ptr<Locality> source)
    : m_source(std::move(source))
{
    const ModelManager* models = ModelManager::instance();
    if (m_source && models)
        m_project = models->projectById(m_source->projectId());
}

LineDataRenderItem::~LineDataRenderItem() = default;

bool LineDataRenderItem::originOf(osg::Vec3d& origin) const
{
    if (toMap(owner(), m_source->longitude(), m_source->latitude(), origin))
        return true;
    for (const auto& line : m_source->lines()) {
        for (const auto& [latitude, longitude] : line->points()) {
            if (toMap(owner(), longitude, latitude, origin))
                return true;
        }
    }
    return false;
}

void LineDataRenderItem::buildNode()
{
    setNode(nullptr);
    osg::Vec3d origin;
    if (!m_source || m_source->lines().empty() || !owner() || !originOf(origin))
        return;
    osg::ref_ptr<osg::Geode> geode = createLineGeode();
    for (const auto& line : m_source->lines()) {
        const bool selected = !selectedId().empty() && line->id() == selectedId();
        // Without its project a line draws in the colour of an unknown unit.
        const QColor colour = selected ? QColor(Qt::yellow)
                                       : m_project ? m_project->unitColor(line->unitId()) : QColor(Qt::black);
        const double z = selected ? SelectedLineZ : LineZ;
        for (const auto& geometry : addLineGeometry(*line, owner(), colour, z, origin.x(), origin.y(), origin.z()))
            geode->addDrawable(geometry.get());
    }
    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    transform->setPosition(origin);
    transform->addChild(geode.get());
    setNode(transform.get());
    setDirty(false);
}

osg::ref_ptr<osg::Geode> LineDataRenderItem::createLineGeode()
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    if (const osg::ref_ptr<osg::Program> lines = program("MapViewLine.vsh", "MapViewLine.fsh", "MapViewLines")) {
        lines->addBindAttribLocation("pointOffset", PointOffsetLocation);
        lines->addBindAttribLocation("pointDistance", PointDistanceLocation);
        geode->getOrCreateStateSet()->setAttributeAndModes(lines.get(), osg::StateAttribute::ON);
    }
    return geode;
}

std::vector<osg::ref_ptr<osg::Geometry>> LineDataRenderItem::addLineGeometry(const LineData2D& line,
                                                                             const GLRender* glRender,
                                                                             const QColor& colour, double z,
                                                                             double originX, double originY,
                                                                             double originZ)
{
    std::vector<osg::Vec3f> points;
    for (const auto& [latitude, longitude] : line.points()) {
        osg::Vec3d p;
        if (toMap(glRender, longitude, latitude, p))
            points.emplace_back(float(p.x() - originX), float(p.y() - originY), float(z - originZ));
    }
    const int n = int(points.size());
    if (n < 2)
        return {};
    const bool filled = line.isFilled();
    const int segments = filled ? n : n - 1;

    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec2Array> offsets = new osg::Vec2Array;
    osg::ref_ptr<osg::FloatArray> distances = new osg::FloatArray;
    vertices->reserve(size_t(4 * segments));
    const auto emitPair = [&](const osg::Vec3f& at, const osg::Vec2f& normal, float distance) {
        vertices->push_back(at);
        vertices->push_back(at);
        offsets->push_back(normal);
        offsets->push_back(-normal);
        distances->push_back(distance);
        distances->push_back(distance);
    };
    float distance = 0.0f;
    osg::Vec2f previous;
    for (int i = 0; i < segments; ++i) {
        const osg::Vec3f& a = points[size_t(i)];
        const osg::Vec3f& b = points[size_t((i + 1) % n)];
        const osg::Vec2f normal = normalOf(a, b);
        // The zero-width join that the shader widens.
        if (i > 0)
            emitPair(a, previous, distance);
        emitPair(a, normal, distance);
        distance += (b - a).length();
        previous = normal;
    }
    emitPair(points[size_t(segments % n)], previous, distance);

    const float opacity = line.opacity();
    const float alpha = float(colour.alphaF()) * opacity;
    std::vector<osg::ref_ptr<osg::Geometry>> result;
    if (filled)
        result.push_back(fillGeometry(points, colour, opacity));

    osg::ref_ptr<osg::Geometry> strip = new osg::Geometry;
    strip->setUseDisplayList(false);
    strip->setUseVertexBufferObjects(true);
    strip->setVertexArray(vertices.get());
    strip->setVertexAttribArray(PointOffsetLocation, offsets.get(), osg::Array::BIND_PER_VERTEX);
    strip->setVertexAttribArray(PointDistanceLocation, distances.get(), osg::Array::BIND_PER_VERTEX);
    strip->setColorArray(overallColour(colour, alpha).get(), osg::Array::BIND_OVERALL);
    strip->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_STRIP, 0, GLsizei(vertices->size())));
    osg::StateSet* state = strip->getOrCreateStateSet();
    applyOverlayState(state);
    state->addUniform(new osg::Uniform("lineThickness", line.thickness() * lineThicknessFactor()));
    state->addUniform(new osg::Uniform("lineStyle", line.lineStyle()));
    if (alpha < 1.0f) {
        osg::ref_ptr<osg::Stencil> stencil = new osg::Stencil;
        stencil->setFunction(osg::Stencil::NOTEQUAL, nextStencilReference(glRender->stencilBits()), ~0u);
        stencil->setOperation(osg::Stencil::KEEP, osg::Stencil::KEEP, osg::Stencil::REPLACE);
        state->setAttributeAndModes(stencil.get(), osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    }
    result.push_back(strip);
    return result;
}

} // namespace kiv
