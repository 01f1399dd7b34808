#pragma once

#include "app/DialogController.h"
#include "support/ProjectFixture.h"

#include <QDir>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace kiv::test {

// An application manager with a dialog controller whose toasts stay queued
// for the test to read, and sensors and an asset folder the test picks.
class ToastApplication : public DocumentsApplication
{
public:
    explicit ToastApplication(const QString& documents)
        : DocumentsApplication(documents)
        , dialogs(std::make_shared<DialogController>())
    {
        setDialogController(dialogs);
    }

    QString assetPath() const override { return assets.isEmpty() ? DocumentsApplication::assetPath() : assets; }

    // The manager becomes a child of the application.
    void installLocationManager(AbstractLocationManager* location)
    {
        location->setParent(this);
        setSensors(location, nullptr);
    }

    // The messages of the toasts shown so far, oldest first.
    QStringList toastTexts() const
    {
        QStringList texts;
        for (const DialogController::Toast& toast : dialogs->toasts())
            texts << toast.message;
        return texts;
    }

    std::shared_ptr<DialogController> dialogs;
    QString assets;
};

// The location manager's error toasts.
inline const QString LocationAccessText = QStringLiteral(
    "Quarzel is unable to access location services on this device. Please check your device settings and try again.");
inline const QString LocationUnknownText = QStringLiteral(
    "An error has occured with your devices location service. Please check your device settings and try again.");
inline const QString LocationNotSupportedText =
    QStringLiteral("This device does not provide a location service. Please provide your own location.");

// A value of the program's settings as stored on disk.
inline QVariant storedSetting(const QString& key)
{
    const QString file = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("KIV/Quarzel.conf"));
    return QSettings(file, QSettings::IniFormat).value(key);
}

} // namespace kiv::test
