#include "app/platform/win/WinShell.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>

namespace kiv::platform::win {

namespace {

const wchar_t* wide(const std::u16string& text)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

} // namespace

const char16_t* const TouchKeyboardProgram = u"C:\\Program Files\\Common Files\\Microsoft Shared\\ink\\tabtip.exe";

std::string accountName()
{
    char buffer[256];
    DWORD size = sizeof buffer;
    if (!GetUserNameA(buffer, &size))
        return std::string();
    return std::string(buffer);
}

bool putEnvironment(const std::string& name, const std::string& value)
{
    if (name.empty() || name.find('=') != std::string::npos)
        return false;
    return _putenv((name + '=' + value).c_str()) == 0;
}

bool windowsVersionAtLeast(int major, int minor, int servicePackMajor)
{
    OSVERSIONINFOEXW version {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = DWORD(major);
    version.dwMinorVersion = DWORD(minor);
    version.wServicePackMajor = WORD(servicePackMajor);
    DWORDLONG conditions = 0;
    conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, conditions)
        != FALSE;
}

void showStopMessage(const std::u16string& caption, const std::u16string& text)
{
    MessageBoxW(nullptr, wide(text), wide(caption), MB_OK | MB_ICONSTOP);
}

void exitProcess(int exitCode)
{
    _exit(exitCode);
}

int digitizerFlags()
{
    return GetSystemMetrics(SM_DIGITIZER);
}

bool launchProgram(const std::u16string& path)
{
    const HINSTANCE result = ShellExecuteW(nullptr, nullptr, wide(path), nullptr, nullptr, SW_SHOW);
    // Values up to 32 are error codes.
    return reinterpret_cast<std::intptr_t>(result) > 32;
}

} // namespace kiv::platform::win
