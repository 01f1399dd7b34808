#pragma once

#include "map/GLRenderItem.h"

#include <osg/Geode>
#include <osg/Geometry>

#include <QColor>

#include <memory>
#include <vector>

namespace kiv {

class GLRender;
class LineData2D;
class Locality;
class Project;

// The polylines and filled polygons of a locality: screen-space ribbons of
// constant pixel width, widened, dashed and antialiased by the line program.
class LineDataRenderItem : public GLRenderItem
{
public:
    static constexpr int PointOffsetLocation = 6;
    static constexpr int PointDistanceLocation = 7;
    static constexpr float LineZ = 0.6f;
    static constexpr float SelectedLineZ = 1.6f;

    explicit LineDataRenderItem(std::shared_ptr<Locality> source);
    ~LineDataRenderItem() override;

    void buildNode() override;

    const std::shared_ptr<Locality>& source() const { return m_source; }
    const std::shared_ptr<Project>& project() const { return m_project; }

    static osg::ref_ptr<osg::Geode> createLineGeode();
    // The fill (filled lines only) and then the ribbon; empty for a line with
    // fewer than two placeable points.
    static std::vector<osg::ref_ptr<osg::Geometry>> addLineGeometry(const LineData2D& line, const GLRender* glRender,
                                                                    const QColor& colour, double z, double originX,
                                                                    double originY, double originZ);

private:
    bool originOf(osg::Vec3d& origin) const;

    std::shared_ptr<Locality> m_source;
    std::shared_ptr<Project> m_project;
};

} // namespace kiv
