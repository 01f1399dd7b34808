// The Win32 calls of the application shell and the display settings, as
// Wine answers them.

#include "ComFakes.h"
#include "WinCheck.h"

#include "app/platform/DisplayMode.h"
#include "app/platform/LocationService.h"
#include "app/platform/OrientationSensors.h"
#include "app/platform/win/WinShell.h"

#include <cstdlib>
#include <string>
#include <thread>

using namespace kiv;
using namespace kiv::wintest;
namespace win = kiv::platform::win;

namespace {

const char* const ExitChildOption = "--exit-child";

std::string marker;

void writeMarker()
{
    if (FILE* file = std::fopen(marker.c_str(), "w"))
        std::fclose(file);
}

// Ends the process through the shell's exit, with an exit handler that would
// leave a file behind if it ran.
[[noreturn]] void exitChild(const char* markerPath, int code)
{
    marker = markerPath;
    std::atexit(writeMarker);
    win::exitProcess(code);
}

std::u16string u16(const wchar_t* text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

} // namespace

WIN_TEST(displayMode)
{
    const std::optional<platform::DisplayMode> mode = platform::currentDisplayMode();
    if (CHECK(mode.has_value())) {
        CHECK(mode->width >= 320 && mode->width <= 16384);
        CHECK(mode->height >= 200 && mode->height <= 16384);
        CHECK(mode->orientation >= 0 && mode->orientation <= 3);
        const int primary = platform::primaryOrientationFor(*mode);
        CHECK(primary == 1 || primary == 2);
        CHECK(platform::screenStateFor(*mode, primary).has_value());
    }
}

WIN_TEST(userName)
{
    const std::string name = win::accountName();
    CHECK(!name.empty());
    CHECK(name.size() < 256);
    char expected[256] = {};
    CHECK(GetEnvironmentVariableA("USERNAME", expected, sizeof expected) > 0);
    CHECK_EQ(name, std::string(expected));
}

WIN_TEST(versionCheck)
{
    struct
    {
        int major, minor, servicePack;
        bool atLeast;
    } rows[] = {{5, 1, 0, true}, {6, 1, 0, true}, {6, 0, 0, true}, {99, 0, 0, false}, {4, 99, 0, true}};
    for (const auto& row : rows) {
        Row named(std::to_string(row.major) + "." + std::to_string(row.minor) + "." + std::to_string(row.servicePack));
        CHECK_EQ(win::windowsVersionAtLeast(row.major, row.minor, row.servicePack), row.atLeast);
    }
    // Wine plays Windows 7 or later: the same minor version is compared only under the same major.
    OSVERSIONINFOW version {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    CHECK(GetVersionExW(&version));
#pragma GCC diagnostic pop
    CHECK_EQ(win::windowsVersionAtLeast(int(version.dwMajorVersion), int(version.dwMinorVersion), 0), true);
    CHECK_EQ(win::windowsVersionAtLeast(int(version.dwMajorVersion), int(version.dwMinorVersion) + 1, 0), false);
}

WIN_TEST(environment)
{
    struct
    {
        const char* name;
        const char* value;
        bool accepted;
    } rows[] = {{"GDAL_DATA", "C:\\Program Files\\Quarzel/gdal", true},
                {"QUARZEL_TEST_UTF8", "Z:\\M\xC3\xBCller", true},
                {"", "x", false},
                {"A=B", "x", false}};
    for (const auto& row : rows) {
        Row named(row.name);
        CHECK_EQ(win::putEnvironment(row.name, row.value), row.accepted);
        if (row.accepted) {
            const char* seen = std::getenv(row.name);
            if (CHECK(seen != nullptr))
                CHECK_EQ(std::string(seen), std::string(row.value));
        }
    }
    CHECK(std::getenv("B") == nullptr);
    // The runtime holds no empty variables: an empty value removes one.
    CHECK(win::putEnvironment("GDAL_DATA", ""));
    CHECK(std::getenv("GDAL_DATA") == nullptr);
}

WIN_TEST(digitizer)
{
    CHECK_EQ(win::digitizerFlags(), 0);
}

WIN_TEST(touchKeyboard)
{
    // Wine ships no touch keyboard; the launch fails without harm.
    CHECK(!win::launchProgram(win::TouchKeyboardProgram));
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    CHECK(length > 0 && length < MAX_PATH);
    CHECK(win::launchProgram(u16(system) + u"\\hostname.exe"));
}

WIN_TEST(stopMessage)
{
    const std::u16string caption = u"Incompatible Version of Windows";
    const std::u16string text = u"This application requires Windows 7 or above.";
    std::thread shown([&] { win::showStopMessage(caption, text); });
    HWND box = nullptr;
    WAIT_FOR((box = FindWindowW(L"#32770", reinterpret_cast<const wchar_t*>(caption.c_str()))) != nullptr);
    if (box) {
        CHECK(GetWindow(box, GW_OWNER) == nullptr);
        wchar_t shownText[256] = {};
        GetDlgItemTextW(box, 0xFFFF, shownText, 256);
        CHECK(u16(shownText) == text);
        // The box shows the system's stop icon.
        const HWND icon = GetDlgItem(box, 1088);
        if (CHECK(icon != nullptr))
            CHECK(HICON(SendMessageW(icon, STM_GETICON, 0, 0)) == LoadIconW(nullptr, IDI_HAND));
        CHECK(FindWindowExW(box, nullptr, L"Button", nullptr) != nullptr);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    shown.join();
}

WIN_TEST(exitRunsNoHandlers)
{
    char path[MAX_PATH];
    CHECK(GetModuleFileNameA(nullptr, path, MAX_PATH) > 0);
    char folder[MAX_PATH];
    CHECK(GetTempPathA(MAX_PATH, folder) > 0);
    const std::string markerPath = std::string(folder) + "quarzel-exit-marker";
    DeleteFileA(markerPath.c_str());
    std::string command = std::string("\"") + path + "\" " + ExitChildOption + " \"" + markerPath + "\" 7";
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)))
        return;
    CHECK_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    CHECK(GetExitCodeProcess(process.hProcess, &code));
    CHECK_EQ(code, DWORD(7));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CHECK_EQ(GetFileAttributesA(markerPath.c_str()), INVALID_FILE_ATTRIBUTES);
}

WIN_TEST(noServicesWithoutClasses)
{
    Apartment com;
    CHECK(com.ready());
    CHECK(platform::createLocationService() == nullptr);
    CHECK(platform::createSensorManager() == nullptr);
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == ExitChildOption)
        exitChild(argv[2], std::atoi(argv[3]));
    return runAll(argc, argv);
}
