#pragma once

#include <QEasingCurve>
#include <QPointF>
#include <QRectF>

#include <osg/BoundingBox>
#include <osg/Vec3d>

#include <cmath>
#include <optional>
#include <vector>

namespace kiv {

class Locality;
class MapCameraManipulator;

// The map's camera gestures and snaps: a drag moves the ground under the
// pointer, the wheel and a pinch zoom about the pointer or the pinch centre,
// a double tap zooms in on the tapped point, and snaps frame a position or a
// box inside the free part of the window. The last position or box snapped
// to is framed again when that free area changes, until a gesture moves the
// map. All window positions are in window pixels with a top-left origin.
class MapCameraGestures
{
public:
    // What the gestures need of the page around them: the scene's
    // projection, its frames and the pick list a camera change invalidates.
    class AbstractSurface
    {
    public:
        virtual ~AbstractSurface() = default;
        // The map point under a window position for a camera looking down
        // at position from altitude.
        virtual osg::Vec3d worldUnder(const QPointF& pos, const osg::Vec3d& position, double altitude) const = 0;
        // A geographic position in map coordinates; false for one the map cannot place.
        virtual bool toMap(double longitude, double latitude, osg::Vec3d& world) const = 0;
        // Brings the drawn camera up to the manipulator's state now.
        virtual void followCamera() = 0;
        virtual void requestFrame() = 0;
        virtual void resetPickList() = 0;
    };

    // What a change of the free area frames again.
    enum class SnapMode { None, Position, Bounds };
    struct Snap
    {
        SnapMode mode = SnapMode::None;
        // Longitude, latitude.
        QPointF position;
        osg::BoundingBoxd bounds;
    };

    // Height of a snapped position above the ground point.
    static constexpr double SnapHeight = 459.127;
    // Margin around a locality's own point in a locality's snap box.
    static constexpr double LocalityMargin = 50.0;

    // Whether a release picks: the drag stayed below a quarter symbol and the press was not held.
    static bool releasePicks(double dragDistance, bool longPress, int symbolSize);
    static double clampAltitude(double altitude, double maximum);
    // One wheel step from the target altitude: in for an upward turn, out otherwise.
    static double wheelAltitude(double target, double angleDeltaY, double maximum);
    // Zooming in scale times from the pinch's start; only the maximum is
    // applied here, the camera keeps its own minimum.
    static double pinchAltitude(double startAltitude, double scale, double maximum);
    // The altitude at which the box, with a margin, fits the free area.
    static double boundsAltitude(const osg::BoundingBoxd& bounds, const QRectF& visibleArea, double maximum);

    // Drives camera through surface from now on; until then only the pointer state is kept.
    void attach(MapCameraManipulator* camera, AbstractSurface* surface);

    void press(const QPointF& pointer);
    // Whether releasing now would pick, by the drag since the press and the symbol size on screen.
    bool releasePicks(bool longPress) const;
    // Ends the press; true when the release picks.
    bool release(bool longPress);
    void move(const QPointF& pointer);
    // Zooms in on the tapped point unless the tap had hits to choose among.
    void doubleTap(const QPointF& pointer, int hits);
    void wheel(const QPointF& pointer, const QPointF& angleDelta);
    void pinchStart(const QPointF& centre);
    void pinchUpdate(const QPointF& centre, float scale);
    void pinchEnd();

    // Places the geographic position (longitude, latitude) in the centre of the free area.
    void snapToPosition(const QPointF& coordinate);
    // No higher than highestAltitude, where the view would be empty.
    void snapToBounds(const osg::BoundingBoxd& bounds, double highestAltitude = HUGE_VAL);
    // The box of the locality, its data and line points; its own position without any.
    void snapToLocality(const Locality& locality);
    // The whole world over the first placeable of the candidates (longitude,
    // latitude), or over the origin.
    void snapToWorld(const std::vector<QPointF>& candidates);
    // The free part of the window: the camera's limits, and the last snap framed again.
    void setVisibleArea(const QRectF& area);
    // Pans the least that brings extent, window positions around where the
    // map point shows once the camera rests, inside the free area less
    // margin; an extent larger than the area is centred in it. A held box
    // stays in view too, zoomed out when both need it. No snap is remembered
    // or released.
    void keepInView(const osg::Vec3d& world, const QRectF& extent, double margin);
    // The shift that brings rect inside area, per axis the least or, when
    // rect is the larger, the one that centres it.
    static QPointF shiftInto(const QRectF& rect, const QRectF& area);

    // Snaps, then frames the same again on every change of the free area
    // until a gesture moves the map or the snap is released.
    void holdPosition(const QPointF& coordinate);
    void holdBounds(const osg::BoundingBoxd& bounds);
    void releaseSnap() { m_snap.mode = SnapMode::None; }

    Snap& snap() { return m_snap; }
    const Snap& snap() const { return m_snap; }

private:
    osg::Vec3d worldUnder(const QPointF& pos) const;
    // The window rectangle that must show for the selection at world with
    // extent around it, and with box the held box too, seen from position at
    // altitude; unset where the camera cannot place them.
    std::optional<QRectF> needsInView(const osg::Vec3d& world, const QRectF& extent, bool box,
                                      const osg::Vec3d& position, double altitude) const;
    // Every animation goes through here, so its end is known while it runs.
    void animateTo(const osg::Vec3d& position, double altitude, QEasingCurve::Type easing);
    void snapAt(const osg::Vec3d& position, double altitude);
    // A gesture moved the map: no snap to frame again, no hits to cycle.
    void movedByGesture();

    MapCameraManipulator* m_camera = nullptr;
    AbstractSurface* m_surface = nullptr;
    QRectF m_visibleArea;

    QPointF m_lastPointer;
    bool m_pressed = false;
    double m_dragDistance = 0.0;
    double m_pinchStartAltitude = 0.0;
    osg::Vec3d m_pinchStartWorld;

    Snap m_snap;
    // Where the last animation ends.
    osg::Vec3d m_targetPosition;
    double m_targetAltitude = 0.0;
};

} // namespace kiv
