#pragma once

#include <QString>
#include <QVariantList>

#include <memory>

class QSettings;
class QVariant;

namespace kiv {

class StartLeftovers;

// The user store (organisation "user", no application name) and readers that
// fall back to a default when a stored value is missing or malformed.
class UserSettings {
public:
    static std::unique_ptr<QSettings> open();

    static bool readBool(const QSettings& settings, const QString& key, bool defaultValue);
    static int readInt(const QSettings& settings, const QString& key, int defaultValue, int minimum,
                       int maximum);
    static double readPositiveDouble(const QSettings& settings, const QString& key, double defaultValue);

    // Writes the values under the keys, in order. False when the store could
    // not be written; the store then answers with what it held before.
    static bool write(const QStringList& keys, const QVariantList& values);
    // The same for another store (the application's own).
    static bool write(QSettings& settings, const QStringList& keys, const QVariantList& values);

    // Feeds the start's settling with what a killed write left beside the
    // user store and the application's own.
    static void feed(StartLeftovers& leftovers);

private:
    // Settings read back from a text store come as strings, so "of the
    // right type" means "converts cleanly".
    static bool toBool(const QVariant& value, bool* ok);
};

} // namespace kiv
