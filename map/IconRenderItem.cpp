#include "map/IconRenderItem.h"

#include "map/GLRender.h"
#include "map/OSGShaderManager.h"
#include "map/SymbolTextures.h"
#include "model/Locality.h"

#include <osg/BlendFunc>
#include <osg/Depth>
#include <osg/PositionAttitudeTransform>

#include <algorithm>

namespace kiv {

IconRenderItem::IconRenderItem(std::shared_ptr<Locality> source)
    : m_source(std::move(source))
{
}

IconRenderItem::~IconRenderItem() = default;

std::pair<double, double> IconRenderItem::anchorOffset(const std::shared_ptr<LocatedObject>&) const
{
    return {0.0, 0.0};
}

bool IconRenderItem::isPlaceable(const LocatedObject& object) const
{
    osg::Vec3d ignored;
    return toMap(owner(), object.longitude(), object.latitude(), ignored);
}

bool IconRenderItem::originOf(osg::Vec3d& origin) const
{
    if (toMap(owner(), m_source->longitude(), m_source->latitude(), origin))
        return true;
    for (const auto& element : m_elements) {
        if (toMap(owner(), element->longitude(), element->latitude(), origin))
            return true;
    }
    return false;
}

void IconRenderItem::buildNode()
{
    setNode(nullptr);
    if (!m_source || !owner())
        return;
    const int chunk = collectElements();
    osg::Vec3d origin;
    if (m_elements.empty() || chunk < 1 || !originOf(origin))
        return;

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    const std::string name = "points_" + m_source->name().toStdString();
    const int count = int(m_elements.size());
    for (int first = 0, k = 0; first < count && k < int(m_atlases.size()); first += chunk, ++k) {
        if (!m_atlases[k] || !m_atlases[k]->texture())
            continue;
        const int last = std::min(count, first + chunk);
        Quads quads;
        quads.vertices->reserve(size_t(6 * (last - first)));
        int selected = -1;
        for (int i = first; i < last; ++i) {
            if (!selectedId().empty() && m_elements[i]->id() == selectedId())
                selected = i;
            else
                addSymbol(k, m_elements[i], i - first, quads, SymbolZ, origin);
        }
        // The selected symbol comes last, so it is drawn over its neighbours.
        if (selected >= 0)
            addSymbol(k, m_elements[selected], selected - first, quads, SelectedSymbolZ, origin);
        geode->addDrawable(symbolGeometry(quads, *m_atlases[k], name).get());
    }
    applySymbolProgram(geode->getOrCreateStateSet());

    osg::ref_ptr<osg::PositionAttitudeTransform> transform = new osg::PositionAttitudeTransform;
    transform->setPosition(origin);
    transform->addChild(geode.get());
    setNode(transform.get());
    setDirty(false);
}

void IconRenderItem::addSymbol(int atlasIndex, const std::shared_ptr<LocatedObject>& element, int index,
                               Quads& quads, float z, const osg::Vec3d& origin)
{
    osg::Vec3d p;
    if (!toMap(owner(), element->longitude(), element->latitude(), p))
        return;
    const osg::Vec3f position(float(p.x() - origin.x()), float(p.y() - origin.y()), float(z - origin.z()));
    const auto [anchorX, anchorY] = anchorOffset(element);
    addQuad(quads, position, *m_atlases[atlasIndex], cellAt(index), 1.0f, float(anchorX), float(anchorY));
}

void IconRenderItem::addQuad(Quads& quads, const osg::Vec3f& position, const SymbolTextures& atlas, int cell,
                             float size, float anchorX, float anchorY)
{
    const auto [s, t] = atlas.texCoords(cell);
    const float du = atlas.cellTexWidth();
    const float dv = atlas.cellTexHeight();
    const float left = (anchorX - 1.0f) * size;
    const float right = (anchorX + 1.0f) * size;
    const float top = (anchorY + 1.0f) * size;
    const float bottom = (anchorY - 1.0f) * size;
    // Top-left, bottom-right, bottom-left; bottom-right, top-left, top-right.
    const osg::Vec2f tex[6] = {{s, t + dv}, {s + du, t}, {s, t}, {s + du, t}, {s, t + dv}, {s + du, t + dv}};
    const osg::Vec2f offset[6] = {{left, top}, {right, bottom}, {left, bottom},
                                  {right, bottom}, {left, top}, {right, top}};
    for (int v = 0; v < 6; ++v) {
        quads.vertices->push_back(position);
        quads.texCoords->push_back(tex[v]);
        quads.offsets->push_back(offset[v]);
    }
}

osg::ref_ptr<osg::Geometry> IconRenderItem::symbolGeometry(const Quads& quads, const SymbolTextures& atlas,
                                                           const std::string& name)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(name);
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(quads.vertices.get());
    geometry->setTexCoordArray(0, quads.texCoords.get(), osg::Array::BIND_PER_VERTEX);
    geometry->setVertexAttribArray(PointOffsetLocation, quads.offsets.get(), osg::Array::BIND_PER_VERTEX);
    osg::ref_ptr<osg::Vec4Array> colour = new osg::Vec4Array;
    colour->push_back(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    geometry->setColorArray(colour.get(), osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, GLsizei(quads.vertices->size())));

    osg::StateSet* state = geometry->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), osg::StateAttribute::ON);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    state->setAttributeAndModes(new osg::Depth(osg::Depth::ALWAYS, 0.0, 1.0, false), osg::StateAttribute::ON);
    state->setTextureAttributeAndModes(0, atlas.texture(), osg::StateAttribute::ON);
    return geometry;
}

void IconRenderItem::applySymbolProgram(osg::StateSet* state)
{
    OSGShaderManager* shaders = OSGShaderManager::instance();
    const osg::ref_ptr<osg::Program> program =
        shaders ? shaders->getProgram(QStringLiteral(":/shaders/Resources/MapViewSymbol.vsh"),
                                      QStringLiteral(":/shaders/Resources/MapViewSymbol.fsh"), "MapViewSymbol")
                : nullptr;
    if (program) {
        program->addBindAttribLocation("pointOffset", PointOffsetLocation);
        state->setAttributeAndModes(program.get(), osg::StateAttribute::ON);
    }
    state->addUniform(new osg::Uniform("symbolSize", float(SymbolTextures::symbolSize())));
}

} // namespace kiv
