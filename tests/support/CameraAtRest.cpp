#include "support/CameraAtRest.h"

#include "map/MapCameraManipulator.h"

#include <QElapsedTimer>
#include <QTest>

namespace kiv::test {

namespace {
// Longer than a busy machine takes to start a queued panel animation.
constexpr int StillFor = 200;
} // namespace

bool cameraAtRest(const MapCameraManipulator& camera, int timeout)
{
    osg::Vec3d position = camera.position();
    double altitude = camera.altitude();
    QElapsedTimer still;
    still.start();
    return QTest::qWaitFor(
        [&] {
            if (camera.isAnimating() || camera.position() != position || camera.altitude() != altitude) {
                position = camera.position();
                altitude = camera.altitude();
                still.restart();
            }
            return !camera.isAnimating() && still.elapsed() >= StillFor;
        },
        timeout);
}

} // namespace kiv::test
