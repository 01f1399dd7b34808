#pragma once

namespace kiv {
class MapCameraManipulator;
}

namespace kiv::test {

// Waits until the map's camera stands still: no animation runs and its place
// and altitude have not changed for a while (a panel sliding in moves the
// map's free area step by step, and each step re-centres the camera). False
// when the wait ran out. Taps on the map and positions read off the screen
// wait for it.
bool cameraAtRest(const MapCameraManipulator& camera, int timeout = 20000);

} // namespace kiv::test
