#pragma once

#include <QByteArray>
#include <QString>

// The few operating-system services the application shell needs, behind one
// small interface so the shell itself stays portable. Platform.cpp answers on
// POSIX systems, where environment overrides let tests exercise the answers a
// Windows machine would give; PlatformWindows.cpp answers on Windows.
namespace kiv::platform {

// Account name of the user running the process; empty when it cannot be
// found.
QString userName();

// Sets one variable of the process environment; false when that fails.
bool setEnvironment(const QByteArray& name, const QByteArray& value);

// True when the operating system is at least the given version. POSIX
// systems always qualify; there QUARZEL_FAKE_OS_VERSION ("major.minor[.sp]")
// pretends to be another version.
bool isOsVersionAtLeast(int major, int minor, int servicePackMajor);

// A message the user must see before the process ends (a message box on
// Windows, standard error on POSIX systems: there may be no display).
void showFatalMessage(const QString& caption, const QString& text);

// Ends the process at once, running no exit handlers or destructors.
[[noreturn]] void exitImmediately(int exitCode);

// True when a touch screen is attached. On POSIX systems
// QUARZEL_TOUCH_DIGITIZER ("1"/"0") overrides the answer, and the real query
// needs a QGuiApplication.
bool hasTouchDigitizer();

// Starts the system's on-screen keyboard program; false when there is none.
bool launchTouchKeyboard();

} // namespace kiv::platform
