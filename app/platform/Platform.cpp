#include "app/platform/Platform.h"

#include <QDebug>
#include <QGuiApplication>
#include <QStringList>
#include <QTouchDevice>

#include <array>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kiv::platform {

namespace {

// Parses "major.minor[.servicePack]"; false for anything else.
bool parseVersion(const QByteArray& text, std::array<int, 3>& version)
{
    const QList<QByteArray> parts = text.trimmed().split('.');
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    version = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        version[size_t(i)] = parts[i].toInt(&ok);
        if (!ok || version[size_t(i)] < 0)
            return false;
    }
    return true;
}

} // namespace

QString userName()
{
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    passwd entry {};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result
        || !result->pw_name)
        return QString();
    return QString::fromLocal8Bit(result->pw_name);
}

bool setEnvironment(const QByteArray& name, const QByteArray& value)
{
    if (name.isEmpty() || name.contains('='))
        return false;
    return qputenv(name.constData(), value);
}

bool isOsVersionAtLeast(int major, int minor, int servicePackMajor)
{
    const QByteArray fake = qgetenv("QUARZEL_FAKE_OS_VERSION");
    if (fake.isEmpty())
        return true;
    std::array<int, 3> version {};
    if (!parseVersion(fake, version)) {
        qWarning() << "platform::isOsVersionAtLeast ignoring QUARZEL_FAKE_OS_VERSION" << fake;
        return true;
    }
    return version >= std::array<int, 3> {major, minor, servicePackMajor};
}

void showFatalMessage(const QString& caption, const QString& text)
{
    const QByteArray line = (caption + QStringLiteral(": ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void exitImmediately(int exitCode)
{
    ::_exit(exitCode);
}

bool hasTouchDigitizer()
{
    const QByteArray forced = qgetenv("QUARZEL_TOUCH_DIGITIZER");
    if (!forced.isEmpty())
        return forced.trimmed() != "0";
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const auto devices = QTouchDevice::devices();
    for (const QTouchDevice* device : devices) {
        if (device->type() == QTouchDevice::TouchScreen)
            return true;
    }
    return false;
}

bool launchTouchKeyboard()
{
    qInfo() << "platform::launchTouchKeyboard: no on-screen keyboard program on this system";
    return false;
}

} // namespace kiv::platform
