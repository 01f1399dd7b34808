#pragma once

#include "map/GLRenderItem.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>

#include <memory>
#include <utility>
#include <vector>

namespace kiv {

class Locality;
class LocatedObject;
class SymbolTextures;

// Point symbols of a locality drawn as textured quads that the symbol
// program spreads in screen space: one geometry, one atlas and one draw per
// chunk of elements.
class IconRenderItem : public GLRenderItem
{
public:
    static constexpr int PointOffsetLocation = 6;
    static constexpr float SymbolZ = 1.0f;
    static constexpr float SelectedSymbolZ = 2.0f;

    explicit IconRenderItem(std::shared_ptr<Locality> source);
    ~IconRenderItem() override;

    void buildNode() override;
    // Refills elements and atlases; returns how many elements share one atlas.
    virtual int collectElements() = 0;
    // The atlas cell of the element at index within its chunk.
    virtual int cellAt(int index) const = 0;
    // Where the symbol sits relative to its position, in half symbols.
    virtual std::pair<double, double> anchorOffset(const std::shared_ptr<LocatedObject>& element) const;

    const std::shared_ptr<Locality>& source() const { return m_source; }
    const std::vector<std::shared_ptr<LocatedObject>>& elements() const { return m_elements; }
    const std::vector<std::shared_ptr<SymbolTextures>>& atlases() const { return m_atlases; }

    // The per-vertex arrays of one symbol geometry.
    struct Quads
    {
        osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
        osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array;
        osg::ref_ptr<osg::Vec2Array> offsets = new osg::Vec2Array;
    };
    // Appends the six vertices of one quad.
    static void addQuad(Quads& quads, const osg::Vec3f& position, const SymbolTextures& atlas, int cell,
                        float size, float anchorX, float anchorY);
    // A named geometry drawing the quads with the atlas: blended, on top,
    // without depth writes.
    static osg::ref_ptr<osg::Geometry> symbolGeometry(const Quads& quads, const SymbolTextures& atlas,
                                                      const std::string& name);
    // Program "MapViewSymbol" and the symbolSize uniform.
    static void applySymbolProgram(osg::StateSet* state);

protected:
    std::vector<std::shared_ptr<LocatedObject>>& elementList() { return m_elements; }
    std::vector<std::shared_ptr<SymbolTextures>>& atlasList() { return m_atlases; }
    // Whether the object has a place on the owner's map.
    bool isPlaceable(const LocatedObject& object) const;

private:
    void addSymbol(int atlasIndex, const std::shared_ptr<LocatedObject>& element, int index, Quads& quads,
                   float z, const osg::Vec3d& origin);
    bool originOf(osg::Vec3d& origin) const;

    std::shared_ptr<Locality> m_source;
    std::vector<std::shared_ptr<LocatedObject>> m_elements;
    std::vector<std::shared_ptr<SymbolTextures>> m_atlases;
};

} // namespace kiv
