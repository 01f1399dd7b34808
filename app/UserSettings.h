#pragma once

#include <QString>

#include <memory>

class QSettings;
class QVariant;

namespace kiv {

// The user store (organisation "user", no application name) and readers that
// fall back to a default when a stored value is missing or malformed.
class UserSettings {
public:
    static std::unique_ptr<QSettings> open();

    static bool readBool(const QSettings& settings, const QString& key, bool defaultValue);
    static int readInt(const QSettings& settings, const QString& key, int defaultValue, int minimum,
                       int maximum);
    static double readPositiveDouble(const QSettings& settings, const QString& key, double defaultValue);

private:
    // Settings read back from a text store come as strings, so "of the
    // right type" means "converts cleanly".
    static bool toBool(const QVariant& value, bool* ok);
};

} // namespace kiv
