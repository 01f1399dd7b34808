#include "map/MapHitTester.h"

#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QLineF>
#include <QPolygonF>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

// Height above the map at which picks and callouts place every point.
constexpr double PickHeight = 10.0;

} // namespace

std::optional<MapHitTester::SegmentHit> MapHitTester::nearestSegment(const std::vector<QPointF>& points, bool closed,
                                                                     const QPointF& tap, double tolerance)
{
    std::optional<SegmentHit> hit;
    const std::size_t count = points.size();
    const std::size_t last = closed ? count : count - 1;
    double limit = tolerance;
    for (std::size_t i = 1; count > 0 && i <= last; ++i) {
        const QPointF& from = points[i - 1];
        const QPointF& to = points[i % count];
        const QRectF box = QRectF(from, to).normalized().adjusted(-limit, -limit, limit, limit);
        if (!box.contains(tap))
            continue;
        const float dx = float(to.x() - from.x());
        const float dy = float(to.y() - from.y());
        const float lengthSquared = dx * dx + dy * dy;
        // A segment of no length measures to its point.
        float t = lengthSquared > 0.0f ? (float(tap.y() - from.y()) * dy + float(tap.x() - from.x()) * dx)
                                             / lengthSquared
                                       : 0.0f;
        t = std::max(0.0f, std::min(1.0f, t));
        const QPointF nearest = from + QPointF(dx, dy) * double(t);
        const double distance = QLineF(tap, nearest).length();
        if (distance >= limit)
            continue;
        hit = SegmentHit{i, t, nearest, distance};
        limit = distance;
    }
    return hit;
}

bool MapHitTester::withinSquare(const QPointF& tap, const QPointF& centre, double half)
{
    return std::abs(tap.x() - centre.x()) < half && std::abs(tap.y() - centre.y()) < half;
}

bool MapHitTester::insideOutline(const std::vector<QPointF>& outline, const QPointF& tap)
{
    if (outline.size() < 3)
        return false;
    return QPolygonF(QVector<QPointF>(outline.begin(), outline.end())).containsPoint(tap, Qt::OddEvenFill);
}

bool MapHitTester::worldOf(const GLRender& scene, double latitude, double longitude, osg::Vec3d& world)
{
    if (!GLRenderItem::toMap(&scene, longitude, latitude, world))
        return false;
    world.z() = PickHeight;
    return true;
}

// Double precision throughout: map coordinates run to 2e7, where single
// precision moves a point by metres.
QPointF MapHitTester::windowPosition(const GLRender& scene, const osg::Vec3d& world,
                                     const osg::Matrixd& viewProjection)
{
    const osg::Vec3d ndc = world * viewProjection;
    return GLRender::ndcToWindow(ndc.x(), ndc.y(), scene.windowSize());
}

osg::Matrixd MapHitTester::cameraViewProjection(const GLRender& scene)
{
    return scene.camera()->getViewMatrix() * scene.camera()->getProjectionMatrix();
}

std::vector<MapHitTester::ProjectedPoint> MapHitTester::projectLine(const GLRender& scene, const LineData2D& line,
                                                                    const osg::Matrixd& viewProjection)
{
    std::vector<ProjectedPoint> points;
    for (int i = 0; i < line.pointCount(); ++i) {
        ProjectedPoint point{i, osg::Vec3d(), QPointF()};
        if (!worldOf(scene, line.latitudeAt(i), line.longitudeAt(i), point.world))
            continue;
        point.screen = windowPosition(scene, point.world, viewProjection);
        points.push_back(point);
    }
    return points;
}

osg::BoundingBoxd MapHitTester::boundsOf(const PickedItem& row)
{
    const auto& b = row.bounds;
    return osg::BoundingBoxd(b[0], b[1], b[2], b[3], b[4], b[5]);
}

void MapHitTester::storeBounds(const osg::BoundingBoxd& box, PickedItem& row)
{
    row.bounds = {box.xMin(), box.yMin(), box.zMin(), box.xMax(), box.yMax(), box.zMax()};
}

std::shared_ptr<AbstractObject> MapHitTester::findObject(const Project& project, const std::string& id)
{
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (locality->id() == id)
            return locality;
        if (std::shared_ptr<Data> data = locality->dataById(id))
            return data;
        if (std::shared_ptr<LineData2D> line = locality->lineById(id))
            return line;
    }
    return nullptr;
}

} // namespace kiv
