#include "app/platform/DisplayMode.h"

#include <windows.h>

namespace kiv::platform {

std::optional<DisplayMode> currentDisplayMode()
{
    DEVMODEW mode {};
    // The size of the structure the display settings were specified with.
    static_assert(sizeof mode == 220, "DEVMODEW of 220 bytes");
    mode.dmSize = 220;
    mode.dmFields = DM_DISPLAYORIENTATION | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (!EnumDisplaySettingsExW(nullptr, ENUM_CURRENT_SETTINGS, &mode, EDS_RAWMODE))
        return std::nullopt;
    return DisplayMode {int(mode.dmDisplayOrientation), unsigned(mode.dmPelsWidth), unsigned(mode.dmPelsHeight)};
}

} // namespace kiv::platform
