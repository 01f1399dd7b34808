#include "app/platform/DisplayMode.h"

namespace kiv::platform {

namespace {

constexpr int Portrait = 1;
constexpr int Landscape = 2;
constexpr int InvertedPortrait = 4;
constexpr int InvertedLandscape = 8;

} // namespace

int primaryOrientationFor(const DisplayMode& mode)
{
    const bool wide = mode.height < mode.width;
    switch (mode.orientation) {
    case 0:
    case 2:
        return wide ? Landscape : Portrait;
    case 1:
    case 3:
        // Turned a quarter: the pixels are counted across the turned picture.
        return wide ? Portrait : Landscape;
    default:
        return 0;
    }
}

std::optional<ScreenState> screenStateFor(const DisplayMode& mode, int primaryOrientation)
{
    const bool portraitNative = primaryOrientation == Portrait;
    switch (mode.orientation) {
    case 0:
        return ScreenState {primaryOrientation, 0.0};
    case 1:
        return ScreenState {portraitNative ? InvertedLandscape : Portrait, -90.0};
    case 2:
        return ScreenState {portraitNative ? InvertedPortrait : InvertedLandscape, 180.0};
    case 3:
        return ScreenState {portraitNative ? Landscape : InvertedPortrait, 90.0};
    default:
        return std::nullopt;
    }
}

} // namespace kiv::platform
