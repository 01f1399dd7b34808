#pragma once

#include <string>

// The Win32 calls of the application shell, free of Qt and of windows.h so
// that the Qt glue (app/platform/PlatformWindows.cpp) only converts texts.
namespace kiv::platform::win {

// The account name in the system's code page; empty when GetUserNameA fails.
std::string accountName();

// Sets name=value through the C runtime; false for an empty name, a name
// with "=", or a refusal. An empty value removes the variable (the runtime
// cannot hold an empty one).
bool putEnvironment(const std::string& name, const std::string& value);

// VerifyVersionInfoW on major, minor and service-pack major, each at least
// the given value.
bool windowsVersionAtLeast(int major, int minor, int servicePackMajor);

// A message box without owner, with the stop icon. UTF-16 texts.
void showStopMessage(const std::u16string& caption, const std::u16string& text);

[[noreturn]] void exitProcess(int exitCode);

// GetSystemMetrics(SM_DIGITIZER): 0 without a touch digitizer.
int digitizerFlags();

// The touch keyboard program Windows ships.
extern const char16_t* const TouchKeyboardProgram;

// ShellExecuteW without a verb and with SW_SHOW; false when it fails.
bool launchProgram(const std::u16string& path);

} // namespace kiv::platform::win
