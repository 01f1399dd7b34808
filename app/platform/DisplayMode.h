#pragma once

#include <functional>
#include <optional>

// The current display mode and what it means for the screen orientation.
// Orientations are the values of Qt::ScreenOrientation (portrait 1,
// landscape 2, inverted portrait 4, inverted landscape 8); 0 is unknown.
namespace kiv::platform {

struct DisplayMode
{
    // Turn of the display from its default: 0, 90, 180 or 270 degrees as 0 to 3.
    int orientation = 0;
    unsigned width = 0;
    unsigned height = 0;
};

// The screen's orientation and how far the picture is turned from it.
struct ScreenState
{
    int currentOrientation;
    double screenRotation;
};

using DisplayModeReader = std::function<std::optional<DisplayMode>()>;

// Absent when the mode cannot be read.
std::optional<DisplayMode> currentDisplayMode();

// The orientation the display has unturned; 0 for an unknown turn.
int primaryOrientationFor(const DisplayMode& mode);

// The orientation and rotation of a display turned as the mode says; absent
// for an unknown turn.
std::optional<ScreenState> screenStateFor(const DisplayMode& mode, int primaryOrientation);

} // namespace kiv::platform
