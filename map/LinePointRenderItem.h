#pragma once

#include "map/IconRenderItem.h"

#include <vector>

namespace kiv {

class GLRender;
class LineData2D;

// One handle per vertex of the locality's selected line.
class LinePointRenderItem : public IconRenderItem
{
public:
    explicit LinePointRenderItem(std::shared_ptr<Locality> source);

    // Every handle uses cell 0 of the one marker atlas, so all of them form
    // one chunk however many there are.
    int collectElements() override;
    int cellAt(int index) const override;

    // For the line tool: a geode with the symbol program, and the handles of
    // the line being edited (a filled line's closing point has none).
    static osg::ref_ptr<osg::Geode> createPointGeode();
    static osg::ref_ptr<osg::Geometry> addLinePoints(const LineData2D& line, const GLRender* glRender, double z,
                                                     const osg::Vec3d& origin);

private:
    std::vector<int> m_cells;
};

} // namespace kiv
