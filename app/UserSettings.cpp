#include "app/UserSettings.h"

#include <QSettings>

#include <cmath>

namespace kiv {

std::unique_ptr<QSettings> UserSettings::open()
{
    return std::make_unique<QSettings>(QStringLiteral("user"), QString());
}

bool UserSettings::toBool(const QVariant& value, bool* ok)
{
    *ok = true;
    if (value.userType() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    *ok = false;
    return false;
}

bool UserSettings::readBool(const QSettings& settings, const QString& key, bool defaultValue)
{
    bool ok = false;
    const bool value = toBool(settings.value(key), &ok);
    return ok ? value : defaultValue;
}

int UserSettings::readInt(const QSettings& settings, const QString& key, int defaultValue, int minimum,
                          int maximum)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok && value >= minimum && value <= maximum ? value : defaultValue;
}

double UserSettings::readPositiveDouble(const QSettings& settings, const QString& key, double defaultValue)
{
    bool ok = false;
    const double value = settings.value(key).toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(value) && value > 0.0 ? value : defaultValue;
}

} // namespace kiv
