#include "app/UserSettings.h"

#include "Database/StartLeftovers.h"
#include "app/StaleLockFile.h"

#include <QDebug>
#include <QSettings>
#include <QStringList>

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

bool UserSettings::write(const QStringList& keys, const QVariantList& values)
{
    return write(*open(), keys, values);
}

bool UserSettings::write(QSettings& settings, const QStringList& keys, const QVariantList& values)
{
    const QSettings::Status before = settings.status();
    QVariantList held;
    bool unchanged = true;
    for (int i = 0; i < keys.size(); ++i) {
        held.append(settings.value(keys[i]));
        // A text store answers with text: compare as such.
        unchanged = unchanged && held.last().isValid() && held.last().toString() == values.value(i).toString();
    }
    if (unchanged)
        return true;
    for (int i = 0; i < keys.size(); ++i)
        settings.setValue(keys[i], values.value(i));
    settings.sync();
    // A store that could not be parsed when opened keeps that status; it is
    // rewritten whole.
    const QSettings::Status after = settings.status();
    if (after == QSettings::NoError || (before == QSettings::FormatError && after == before))
        return true;
    qWarning().noquote() << "Could not write the settings file" << settings.fileName();
    // Qt keeps what it could not write and would answer with it (and write it
    // once there is room): put back what the store held.
    for (int i = 0; i < keys.size(); ++i) {
        if (held[i].isValid())
            settings.setValue(keys[i], held[i]);
        else
            settings.remove(keys[i]);
    }
    return false;
}

void UserSettings::feed(StartLeftovers& leftovers)
{
    leftovers.addRule([] { return removeDeadSave(QSettings().fileName()) + removeDeadSave(open()->fileName()); });
}

} // namespace kiv
