#pragma once

#include "map/PickListModel.h"

#include <QPointF>

#include <osg/BoundingBox>
#include <osg/Matrixd>
#include <osg/Vec3d>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kiv {

class AbstractObject;
class GLRender;
class LineData2D;
class Project;

// The geometry of a tap on the map: which symbol, segment or outline it
// lands on, in window pixels with a top-left origin.
class MapHitTester
{
public:
    // The nearest segment of a polyline to a tap.
    struct SegmentHit
    {
        // Index of the segment's end point; the point count for the closing segment.
        std::size_t segment = 0;
        // Where along the segment the nearest point lies, 0 at its start.
        float t = 0.0f;
        QPointF nearest;
        double distance = 0.0;
    };

    // A line's point that can be placed on the map.
    struct ProjectedPoint
    {
        int index;
        osg::Vec3d world;
        QPointF screen;
    };

    // The segment nearest to the tap when one lies nearer than tolerance; a
    // closed line also runs its closing segment back to the first point. Of
    // equally near segments the first counts.
    static std::optional<SegmentHit> nearestSegment(const std::vector<QPointF>& points, bool closed,
                                                    const QPointF& tap, double tolerance);
    // Strictly inside the square of half size around the centre.
    static bool withinSquare(const QPointF& tap, const QPointF& centre, double half);
    // Inside the outline by the odd-even rule; fewer than three points hold nothing.
    static bool insideOutline(const std::vector<QPointF>& outline, const QPointF& tap);

    // Map position at the pick height; false when the point has no place on the map.
    static bool worldOf(const GLRender& scene, double latitude, double longitude, osg::Vec3d& world);
    static QPointF windowPosition(const GLRender& scene, const osg::Vec3d& world,
                                  const osg::Matrixd& viewProjection);
    // The view x projection of the scene's camera as last drawn.
    static osg::Matrixd cameraViewProjection(const GLRender& scene);
    // The line's points that can be placed, in order.
    static std::vector<ProjectedPoint> projectLine(const GLRender& scene, const LineData2D& line,
                                                   const osg::Matrixd& viewProjection);

    static osg::BoundingBoxd boundsOf(const PickedItem& row);
    static void storeBounds(const osg::BoundingBoxd& box, PickedItem& row);

    // The first locality, datum or line of the project with that id.
    static std::shared_ptr<AbstractObject> findObject(const Project& project, const std::string& id);
};

} // namespace kiv
