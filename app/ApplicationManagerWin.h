#pragma once

#include "app/ApplicationManager.h"

#include <QNetworkRequest>
#include <QSize>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;

namespace kiv {

// The application object the program creates: the base manager plus the
// operating-system version check, command-line options, window sizing, the
// UI-scale choice, zip and share, the on-screen keyboard and the check for a
// newer build.
class ApplicationManagerWin : public ApplicationManager
{
    Q_OBJECT

public:
    explicit ApplicationManagerWin(QGuiApplication* application);

    // Reads "-u=", "-w=", "-h=", "-fs", "-ds" and "-update=" from every
    // argument, the program path included. init() passes the process's
    // arguments.
    void readCommandLineOptions(const QStringList& arguments);

    double uiScaleOverride() const;
    bool designSize() const;
    // The "-w=" and "-h=" values; 0 when not given.
    QSize requestedWindowSize() const;
    QUrl updateUrl() const;

    // A version text: build number, download address, then release notes.
    void parseVersionText(const QString& text);

    // Gives the window the requested width and height, unless it is full
    // screen; a missing value keeps the window's own.
    void applyRequestedWindowSize();

public slots:
    void init() override;
    QString documentPath() const override;
    QString assetPath() const override;
    bool fullscreen() const override;
    bool zipFiles(const QString& zipPath, const QStringList& files, kiv::Task* progress) override;
    bool shareFiles(const QStringList& files) override;
    void checkForUpdate() override;
    void setFullscreen(bool fullscreen) override;
    void handleMainWindowResize() override;
    void requestOnScreenKeyboard() override;
    void updateLogicalToPhysicalMultiplier() override;
    void createSensors() override;

    void replyFinished(QNetworkReply* reply);

private:
    void refuseOldWindows();
    void readLocalVersionFile(const QString& path);

    QNetworkAccessManager* m_networkManager = nullptr;
    QNetworkRequest m_updateRequest;
    QNetworkReply* m_pendingReply = nullptr;
    double m_uiScaleOverride = 0.0;
    bool m_designSize = false;
    int m_requestedWidth = 0;
    int m_requestedHeight = 0;
};

} // namespace kiv
