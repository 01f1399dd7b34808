#include "map/MapCameraGestures.h"

#include "map/MapCameraManipulator.h"
#include "map/SymbolTextures.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "tools/AbstractLocationManager.h"

#include <QEasingCurve>

#include <osg/Vec2d>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

const double Tan30 = std::tan(30.0 * M_PI / 180.0);

void expandBy(const MapCameraGestures::AbstractSurface& surface, double longitude, double latitude,
              osg::BoundingBoxd& box)
{
    osg::Vec3d world;
    if (surface.toMap(longitude, latitude, world))
        box.expandBy(world);
}

// Where a map point shows for a camera looking down at position from
// altitude: the inverse of the surface's affine relation from window to map.
std::optional<QPointF> windowPositionOf(const MapCameraGestures::AbstractSurface& surface, const osg::Vec3d& world,
                                        const osg::Vec3d& position, double altitude)
{
    const osg::Vec3d origin = surface.worldUnder(QPointF(0.0, 0.0), position, altitude);
    const osg::Vec3d ex = surface.worldUnder(QPointF(1.0, 0.0), position, altitude) - origin;
    const osg::Vec3d ey = surface.worldUnder(QPointF(0.0, 1.0), position, altitude) - origin;
    const double det = ex.x() * ey.y() - ex.y() * ey.x();
    if (!(det != 0.0))
        return std::nullopt;
    const double dx = world.x() - origin.x();
    const double dy = world.y() - origin.y();
    const QPointF at((dx * ey.y() - dy * ey.x()) / det, (ex.x() * dy - ex.y() * dx) / det);
    if (!std::isfinite(at.x()) || !std::isfinite(at.y()))
        return std::nullopt;
    return at;
}

// Half the width and height that a snap frames around a box: a margin of
// 15 % on every side, at least a map unit.
osg::Vec2d framedHalfSize(const osg::BoundingBoxd& bounds)
{
    return osg::Vec2d(std::max((bounds.xMax() - bounds.xMin()) * 0.65, 1.0),
                      std::max((bounds.yMax() - bounds.yMin()) * 0.65, 1.0));
}

double shiftAlong(double low, double high, double areaLow, double areaHigh)
{
    if (high - low > areaHigh - areaLow)
        return (areaLow + areaHigh - low - high) * 0.5;
    if (low < areaLow)
        return areaLow - low;
    if (high > areaHigh)
        return areaHigh - high;
    return 0.0;
}

} // namespace

bool MapCameraGestures::releasePicks(double dragDistance, bool longPress, int symbolSize)
{
    return !longPress && dragDistance < double(symbolSize / 4);
}

double MapCameraGestures::clampAltitude(double altitude, double maximum)
{
    return std::max(MapCameraManipulator::MinimumAltitude, std::min(altitude, maximum));
}

double MapCameraGestures::wheelAltitude(double target, double angleDeltaY, double maximum)
{
    return clampAltitude(angleDeltaY > 0.0 ? target * 0.8 : target * 1.25, maximum);
}

double MapCameraGestures::pinchAltitude(double startAltitude, double scale, double maximum)
{
    return std::min(startAltitude / scale, maximum);
}

double MapCameraGestures::boundsAltitude(const osg::BoundingBoxd& bounds, const QRectF& visibleArea,
                                         double maximum)
{
    const osg::Vec2d half = framedHalfSize(bounds);
    const double halfWidth = half.x();
    const double halfHeight = half.y();
    const double aspect = visibleArea.height() > 0.0 ? visibleArea.width() / visibleArea.height() : 1.0;
    // The orthographic relation the camera's limits use; clamped, or the
    // camera would stop at another altitude than the centre was placed for.
    return clampAltitude(std::max(halfHeight / Tan30, halfWidth / (Tan30 * aspect)), maximum);
}

void MapCameraGestures::attach(MapCameraManipulator* camera, AbstractSurface* surface)
{
    m_camera = camera;
    m_surface = surface;
}

osg::Vec3d MapCameraGestures::worldUnder(const QPointF& pos) const
{
    // The manipulator's state rather than the last frame's camera: right
    // before the first frame and straight after a change.
    return m_surface->worldUnder(pos, m_camera->position(), m_camera->altitude());
}

void MapCameraGestures::movedByGesture()
{
    m_snap.mode = SnapMode::None;
    m_surface->resetPickList();
}

void MapCameraGestures::press(const QPointF& pointer)
{
    m_lastPointer = pointer;
    m_pressed = true;
    m_dragDistance = 0.0;
    if (m_surface)
        m_surface->requestFrame();
}

bool MapCameraGestures::releasePicks(bool longPress) const
{
    return releasePicks(m_dragDistance, longPress, SymbolTextures::symbolSize());
}

bool MapCameraGestures::release(bool longPress)
{
    m_pressed = false;
    return releasePicks(longPress);
}

void MapCameraGestures::move(const QPointF& pointer)
{
    if (!m_pressed)
        return;
    const QPointF step = pointer - m_lastPointer;
    m_dragDistance += std::hypot(step.x(), step.y());
    if (m_camera) {
        const osg::Vec3d shift = worldUnder(pointer) - worldUnder(m_lastPointer);
        osg::Vec3d position = m_camera->position();
        position.x() -= shift.x();
        position.y() -= shift.y();
        m_camera->setPosition(position);
        m_surface->resetPickList();
    }
    m_snap.mode = SnapMode::None;
    m_lastPointer = pointer;
}

void MapCameraGestures::doubleTap(const QPointF& pointer, int hits)
{
    // Two or more hits: the double tap chose among them rather than zooming.
    if (!m_camera || hits >= 2)
        return;
    const osg::Vec3d tapped = worldUnder(pointer);
    const double altitude = clampAltitude(m_camera->targetAltitude() * 0.5, m_camera->maximumAltitude());
    animateTo(osg::Vec3d(tapped.x(), tapped.y(), m_camera->position().z()), altitude, QEasingCurve::OutQuad);
    movedByGesture();
}

void MapCameraGestures::wheel(const QPointF& pointer, const QPointF& angleDelta)
{
    if (!m_camera)
        return;
    // From the target, so quick successive steps compound.
    const double altitude =
        wheelAltitude(m_camera->targetAltitude(), angleDelta.y(), m_camera->maximumAltitude());
    const osg::Vec3d position = m_camera->position();
    const osg::Vec3d shift = worldUnder(pointer) - m_surface->worldUnder(pointer, position, altitude);
    animateTo(osg::Vec3d(position.x() + shift.x(), position.y() + shift.y(), position.z()), altitude,
              QEasingCurve::OutQuad);
    movedByGesture();
}

void MapCameraGestures::pinchStart(const QPointF& centre)
{
    m_pressed = false;
    if (!m_camera)
        return;
    m_pinchStartAltitude = m_camera->altitude();
    m_pinchStartWorld = worldUnder(centre);
    m_surface->requestFrame();
}

void MapCameraGestures::pinchUpdate(const QPointF& centre, float scale)
{
    // A scale of 0 or NaN would put a NaN altitude into the camera.
    if (!m_camera || !(scale > 0.0f) || !std::isfinite(scale))
        return;
    m_camera->setAltitude(pinchAltitude(m_pinchStartAltitude, double(scale), m_camera->maximumAltitude()));
    m_surface->followCamera();
    const osg::Vec3d shift = m_pinchStartWorld - worldUnder(centre);
    osg::Vec3d position = m_camera->position();
    position.x() += shift.x();
    position.y() += shift.y();
    m_camera->setPosition(position);
    movedByGesture();
    m_surface->requestFrame();
}

void MapCameraGestures::pinchEnd()
{
    if (m_surface)
        m_surface->requestFrame();
}

void MapCameraGestures::animateTo(const osg::Vec3d& position, double altitude, QEasingCurve::Type easing)
{
    m_targetPosition = position;
    m_targetAltitude = altitude;
    m_camera->animateTo(position, altitude, QEasingCurve(easing));
}

void MapCameraGestures::snapAt(const osg::Vec3d& position, double altitude)
{
    animateTo(position, altitude, QEasingCurve::InOutQuad);
    m_surface->followCamera();
    movedByGesture();
}

void MapCameraGestures::snapToPosition(const QPointF& coordinate)
{
    osg::Vec3d target;
    if (!m_camera || !AbstractLocationManager::isValidCoordinate(coordinate)
        || !m_surface->toMap(coordinate.x(), coordinate.y(), target))
        return;
    // The point lands in the centre of the free area, not of the window.
    const osg::Vec3d offset = worldUnder(m_visibleArea.center()) - m_camera->position();
    snapAt(osg::Vec3d(target.x() - offset.x(), target.y() - offset.y(), SnapHeight), m_camera->targetAltitude());
}

void MapCameraGestures::snapToBounds(const osg::BoundingBoxd& bounds, double highestAltitude)
{
    if (!m_camera || !bounds.valid())
        return;
    const osg::Vec3d centre = bounds.center();
    const double maximum = m_camera->maximumAltitude();
    const double framed = boundsAltitude(bounds, m_visibleArea, maximum);
    const double altitude = clampAltitude(std::min(framed, highestAltitude), maximum);
    const osg::Vec3d seen = m_surface->worldUnder(m_visibleArea.center(), centre, altitude);
    snapAt(osg::Vec3d(2.0 * centre.x() - seen.x(), 2.0 * centre.y() - seen.y(), centre.z()), altitude);
}

void MapCameraGestures::snapToLocality(const Locality& locality)
{
    if (!m_camera)
        return;
    osg::BoundingBoxd box;
    expandBy(*m_surface, locality.longitude(), locality.latitude(), box);
    for (const auto& datum : locality.data())
        expandBy(*m_surface, datum->longitude(), datum->latitude(), box);
    for (const auto& line : locality.lines()) {
        for (const LineData2D::Point& point : line->points())
            expandBy(*m_surface, point.second, point.first, box);
    }
    if (box.valid()) {
        osg::Vec3d own;
        if (m_surface->toMap(locality.longitude(), locality.latitude(), own)) {
            box.expandBy(own - osg::Vec3d(LocalityMargin, LocalityMargin, 0.0));
            box.expandBy(own + osg::Vec3d(LocalityMargin, LocalityMargin, 0.0));
        }
        holdBounds(box);
    } else {
        holdPosition(QPointF(locality.longitude(), locality.latitude()));
    }
}

void MapCameraGestures::holdPosition(const QPointF& coordinate)
{
    snapToPosition(coordinate);
    m_snap.position = coordinate;
    m_snap.mode = SnapMode::Position;
}

void MapCameraGestures::holdBounds(const osg::BoundingBoxd& bounds)
{
    snapToBounds(bounds);
    m_snap.bounds = bounds;
    m_snap.mode = SnapMode::Bounds;
}

void MapCameraGestures::snapToWorld(const std::vector<QPointF>& candidates)
{
    if (!m_camera)
        return;
    osg::Vec3d target;
    const bool placed = std::any_of(candidates.begin(), candidates.end(), [&](const QPointF& candidate) {
        return m_surface->toMap(candidate.x(), candidate.y(), target);
    });
    if (!placed)
        target = osg::Vec3d();
    m_camera->setPosition(osg::Vec3d(target.x(), target.y(), 0.0));
    m_camera->setAltitude(m_camera->maximumAltitude());
    movedByGesture();
}

void MapCameraGestures::setVisibleArea(const QRectF& area)
{
    m_visibleArea = area;
    if (m_camera)
        m_camera->setLimits(area.x(), area.y(), area.width(), area.height());
    // A panel opening or closing re-centres the last snap, unless a gesture
    // has moved the map since.
    const Snap last = m_snap;
    if (last.mode == SnapMode::Position)
        snapToPosition(last.position);
    else if (last.mode == SnapMode::Bounds)
        snapToBounds(last.bounds);
    m_snap.mode = last.mode;
}

QPointF MapCameraGestures::shiftInto(const QRectF& rect, const QRectF& area)
{
    return QPointF(shiftAlong(rect.left(), rect.right(), area.left(), area.right()),
                   shiftAlong(rect.top(), rect.bottom(), area.top(), area.bottom()));
}

std::optional<QRectF> MapCameraGestures::needsInView(const osg::Vec3d& world, const QRectF& extent, bool box,
                                                    const osg::Vec3d& position, double altitude) const
{
    const std::optional<QPointF> at = windowPositionOf(*m_surface, world, position, altitude);
    if (!at)
        return std::nullopt;
    QRectF needed = extent.translated(*at);
    if (box) {
        // With the margin its snap gives it.
        const osg::Vec2d half = framedHalfSize(m_snap.bounds);
        const osg::Vec3d centre = m_snap.bounds.center();
        const osg::Vec3d lowCorner(centre.x() - half.x(), centre.y() - half.y(), 0.0);
        const osg::Vec3d highCorner(centre.x() + half.x(), centre.y() + half.y(), 0.0);
        const auto low = windowPositionOf(*m_surface, lowCorner, position, altitude);
        const auto high = windowPositionOf(*m_surface, highCorner, position, altitude);
        if (!low || !high)
            return std::nullopt;
        needed = needed.united(QRectF(*low, *high).normalized());
    }
    return needed;
}

void MapCameraGestures::keepInView(const osg::Vec3d& world, const QRectF& extent, double margin)
{
    if (!m_camera)
        return;
    // Judged where the camera comes to rest: a snap may be under way.
    const bool moving = m_camera->isAnimating();
    const osg::Vec3d position = moving ? m_targetPosition : m_camera->position();
    const double altitude = moving ? m_targetAltitude : m_camera->altitude();
    const QRectF area = m_visibleArea.adjusted(margin, margin, -margin, -margin);
    if (!area.isValid())
        return;
    const auto fits = [&](bool box, double at) {
        const std::optional<QRectF> needed = needsInView(world, extent, box, position, at);
        return needed && needed->width() <= area.width() && needed->height() <= area.height();
    };
    // A held box stays in view with the selection, zoomed out as far as that
    // takes; the selection alone when even the widest view cannot hold both.
    bool box = m_snap.mode == SnapMode::Bounds && m_snap.bounds.valid();
    double seen = altitude;
    if (box && !fits(true, altitude)) {
        double high = m_camera->maximumAltitude();
        box = fits(true, high);
        for (double low = altitude; box && high - low > 1e-6 * high;) {
            const double middle = (low + high) * 0.5;
            (fits(true, middle) ? high : low) = middle;
        }
        seen = box ? high : altitude;
    }
    const std::optional<QRectF> needed = needsInView(world, extent, box, position, seen);
    if (!needed)
        return;
    const QPointF shift = shiftInto(*needed, area);
    // Less than half a pixel is the projection's rounding, not a move.
    if (seen == altitude && std::abs(shift.x()) < 0.5 && std::abs(shift.y()) < 0.5)
        return;
    const QPointF from = area.center();
    const osg::Vec3d move =
        m_surface->worldUnder(from, position, seen) - m_surface->worldUnder(from + shift, position, seen);
    animateTo(osg::Vec3d(position.x() + move.x(), position.y() + move.y(), position.z()), seen,
              QEasingCurve::InOutQuad);
}

} // namespace kiv
