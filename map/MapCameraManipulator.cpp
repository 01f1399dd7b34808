#include "map/MapCameraManipulator.h"

#include "geo/SpatialReference.h"
#include "map/GLRender.h"

#include <osg/Camera>

#include <QDebug>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

const double Tan30 = std::tan(30.0 * M_PI / 180.0);
constexpr double WorldLatitude = 85.0511;
constexpr double SmallestMaximumAltitude = 100.0;

} // namespace

MapCameraManipulator::MapCameraManipulator(GLRender* scene)
    : scene_(scene)
    , animation_(new QPropertyAnimation(this, "animProgress", this))
{
    settle();
    animation_->setDuration(AnimationDuration);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(this, &MapCameraManipulator::animProgressChanged, this,
            &MapCameraManipulator::onAnimProgressChanged);
    connect(animation_, &QPropertyAnimation::finished, this, &MapCameraManipulator::cancelAnim);
}

MapCameraManipulator::~MapCameraManipulator() = default;

bool MapCameraManipulator::isAnimating() const
{
    return animation_->state() == QAbstractAnimation::Running;
}

void MapCameraManipulator::setAnimProgress(double progress)
{
    if (progress == animProgress_)
        return;
    animProgress_ = progress;
    emit animProgressChanged(progress);
}

void MapCameraManipulator::settle()
{
    from_ = {position_, altitude_};
    to_ = from_;
}

double MapCameraManipulator::clampAltitude(double altitude) const
{
    return std::max(std::min(altitude, maximumAltitude_), MinimumAltitude);
}

void MapCameraManipulator::storeAltitude(double altitude)
{
    if (altitude == altitude_)
        return;
    altitude_ = altitude;
    emit altitudeChanged(altitude);
}

void MapCameraManipulator::setPosition(const osg::Vec3d& position)
{
    animation_->stop();
    position_ = position;
    applyLimits();
    // After the change: the target is where the camera now stands.
    settle();
    emit cameraPositionChanged();
}

void MapCameraManipulator::setAltitude(double altitude)
{
    animation_->stop();
    storeAltitude(clampAltitude(altitude));
    applyLimits();
    settle();
    emit cameraPositionChanged();
}

void MapCameraManipulator::animateTo(const osg::Vec3d& position, double altitude,
                                     const QEasingCurve& easing)
{
    animation_->stop();
    from_ = {position_, altitude_};
    to_ = {position, altitude};
    animation_->setEasingCurve(easing);
    animation_->start(QAbstractAnimation::KeepWhenStopped);
}

void MapCameraManipulator::cancelAnim()
{
    animation_->stop();
}

void MapCameraManipulator::setLimits(double x, double y, double width, double height)
{
    limitX_ = x;
    limitY_ = y;
    limitWidth_ = width;
    limitHeight_ = height;
    recalcLimits();
    applyLimits();
}

void MapCameraManipulator::onAnimProgressChanged(double progress)
{
    const double p = progress;
    storeAltitude(clampAltitude(from_.altitude * (1.0 - p) + to_.altitude * p));
    position_ = from_.position * (1.0 - p) + to_.position * p;
    applyLimits();
    emit cameraPositionChanged();
}

void MapCameraManipulator::recalcLimits()
{
    const double aspect = limitHeight_ > 0.0 ? limitWidth_ / limitHeight_ : 1.0;
    const geo::SpatialReference* geographic = scene_->geographicSRS();
    const geo::SpatialReference* map = scene_->mapSRS();
    if (geographic && map) {
        double x = 0.0;
        double y = 0.0;
        if (geographic->transform2D(-180.0, -WorldLatitude, map, x, y))
            worldMin_ = osg::Vec3d(x, y, 0.0);
        if (geographic->transform2D(180.0, WorldLatitude, map, x, y))
            worldMax_ = osg::Vec3d(x, y, 0.0);
    }
    const double hw = (worldMax_.x() - worldMin_.x()) * 0.5;
    const double hh = (worldMax_.y() - worldMin_.y()) * 0.5;
    const double m = std::min(hh / Tan30, hw / (Tan30 * aspect));
    if (!(m >= SmallestMaximumAltitude))
        qDebug() << "recalcLimits error";
    maximumAltitude_ = std::isnan(m) ? SmallestMaximumAltitude : std::max(m, SmallestMaximumAltitude);
}

osg::ref_ptr<osg::Camera> MapCameraManipulator::cameraAt(const osg::Vec3d& position, double altitude) const
{
    const osg::Camera* sceneCamera = scene_->camera();
    if (!sceneCamera)
        return nullptr;
    osg::ref_ptr<osg::Camera> camera = new osg::Camera(*sceneCamera, osg::CopyOp::SHALLOW_COPY);
    const osg::Vec3d eye(position.x(), position.y(), position.z() + altitude);
    camera->setViewMatrixAsLookAt(eye, position, osg::Vec3d(0.0, 1.0, 0.0));
    scene_->updateProjection(camera.get(), altitude);
    return camera;
}

void MapCameraManipulator::applyLimits()
{
    const osg::ref_ptr<osg::Camera> camera = cameraAt(position_, altitude_);
    if (!camera)
        return;
    const osg::Vec3d lower = scene_->unproject(limitX_, limitY_ + limitHeight_, camera.get());
    const osg::Vec3d upper = scene_->unproject(limitX_ + limitWidth_, limitY_, camera.get());
    if (worldMin_.x() > lower.x())
        position_.x() += worldMin_.x() - lower.x();
    if (worldMin_.y() > lower.y())
        position_.y() += worldMin_.y() - lower.y();
    if (upper.x() > worldMax_.x())
        position_.x() += worldMax_.x() - upper.x();
    if (upper.y() > worldMax_.y())
        position_.y() += worldMax_.y() - upper.y();
}

} // namespace kiv
