#pragma once

#include <osg/Camera>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <QEasingCurve>
#include <QObject>

class QPropertyAnimation;

namespace kiv {

class GLRender;

// The state of the map's top-down camera: the ground point under it, its
// altitude, the limits that keep the world in view and a short animation
// between two camera states. Every change clamps the altitude and keeps the
// visible part of the limit rectangle inside the world.
class MapCameraManipulator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double animProgress READ animProgress WRITE setAnimProgress NOTIFY
                   animProgressChanged)
    Q_PROPERTY(double altitude READ altitude NOTIFY altitudeChanged)

public:
    static constexpr double MinimumAltitude = 10.0;
    static constexpr int AnimationDuration = 350;

    explicit MapCameraManipulator(GLRender* scene);
    ~MapCameraManipulator() override;

    const osg::Vec3d& position() const { return position_; }
    double altitude() const { return altitude_; }
    double maximumAltitude() const { return maximumAltitude_; }
    // Where the running or last animation ends; the current altitude after
    // setPosition or setAltitude, so quick wheel steps compound.
    double targetAltitude() const { return to_.altitude; }
    const osg::Vec3d& worldMinimum() const { return worldMin_; }
    const osg::Vec3d& worldMaximum() const { return worldMax_; }
    bool isAnimating() const;
    // A copy of the scene's camera looking straight down at position from
    // altitude, with the scene's projection; null before the scene has one.
    osg::ref_ptr<osg::Camera> cameraAt(const osg::Vec3d& position, double altitude) const;

    void setPosition(const osg::Vec3d& position);
    void setAltitude(double altitude);
    void animateTo(const osg::Vec3d& position, double altitude,
                   const QEasingCurve& easing = QEasingCurve(QEasingCurve::InOutQuad));
    // The window area (window coordinates) in which the map is visible.
    void setLimits(double x, double y, double width, double height);

    double animProgress() const { return animProgress_; }
    void setAnimProgress(double progress);

public slots:
    void onAnimProgressChanged(double progress);
    void cancelAnim();

signals:
    void animProgressChanged(double progress);
    void altitudeChanged(double altitude);
    void cameraPositionChanged();

private:
    struct State
    {
        osg::Vec3d position;
        double altitude = 0.0;
    };

    void settle();
    double clampAltitude(double altitude) const;
    void storeAltitude(double altitude);
    void recalcLimits();
    void applyLimits();

    double altitude_ = 30000.0;
    GLRender* scene_;
    osg::Vec3d position_;
    QPropertyAnimation* animation_;
    State from_;
    State to_;
    double maximumAltitude_ = 100.0;
    osg::Vec3d worldMin_{-100.0, -100.0, 0.0};
    osg::Vec3d worldMax_{100.0, 100.0, 0.0};
    double limitX_ = 0.0;
    double limitY_ = 0.0;
    double limitWidth_ = 0.0;
    double limitHeight_ = 0.0;
    double animProgress_ = 0.0;
};

} // namespace kiv
