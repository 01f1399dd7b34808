#include "app/platform/Platform.h"

#include "app/platform/win/WinShell.h"

#include <QDebug>

// The Windows answers of the shell: only text conversion here, the calls
// themselves are in app/platform/win/.
namespace kiv::platform {

QString userName()
{
    return QString::fromLocal8Bit(win::accountName().c_str());
}

bool setEnvironment(const QByteArray& name, const QByteArray& value)
{
    return win::putEnvironment(name.toStdString(), value.toStdString());
}

bool isOsVersionAtLeast(int major, int minor, int servicePackMajor)
{
    return win::windowsVersionAtLeast(major, minor, servicePackMajor);
}

void showFatalMessage(const QString& caption, const QString& text)
{
    win::showStopMessage(caption.toStdU16String(), text.toStdU16String());
}

void exitImmediately(int exitCode)
{
    win::exitProcess(exitCode);
}

bool hasTouchDigitizer()
{
    return win::digitizerFlags() != 0;
}

bool launchTouchKeyboard()
{
    if (win::launchProgram(win::TouchKeyboardProgram))
        return true;
    qInfo() << "platform::launchTouchKeyboard: the touch keyboard program did not start";
    return false;
}

} // namespace kiv::platform
