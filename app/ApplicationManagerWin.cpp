#include "app/ApplicationManagerWin.h"

#include "Database/Task.h"
#include "app/MainView.h"
#include "app/platform/Platform.h"
#include "export/ZipWriter.h"
#include "tools/WinCompassClino.h"
#include "tools/WinLocationManager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlEngine>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace kiv {

namespace {

#ifndef QUARZEL_UPDATE_URL
#define QUARZEL_UPDATE_URL ""
#endif
// Set at build time; empty means the program never asks for a newer build.
const QString DefaultUpdateUrl = QStringLiteral(QUARZEL_UPDATE_URL);

constexpr double DesignWidth = 1024.0;
constexpr double DesignHeight = 768.0;

// The text of "-x=value" between the first "=" and the next one.
QString optionValue(const QString& argument)
{
    return argument.section(QLatin1Char('='), 1, 1);
}

} // namespace

ApplicationManagerWin::ApplicationManagerWin(QGuiApplication* application)
    : ApplicationManager(application)
    , m_updateRequest(QUrl(DefaultUpdateUrl))
{
}

double ApplicationManagerWin::uiScaleOverride() const { return m_uiScaleOverride; }
bool ApplicationManagerWin::designSize() const { return m_designSize; }
QSize ApplicationManagerWin::requestedWindowSize() const { return QSize(m_requestedWidth, m_requestedHeight); }
QUrl ApplicationManagerWin::updateUrl() const { return m_updateRequest.url(); }

// --- start-up ---------------------------------------------------------------------

void ApplicationManagerWin::init()
{
    refuseOldWindows();
    setInitialView(QStringLiteral("Splash.qml"));
    QDir().mkpath(documentPath());
    QDir().mkpath(tempPath());
    readCommandLineOptions(QCoreApplication::arguments());
    // No window yet, so this is false; setFullscreen decides again later.
    setUserKeyboardControl(platform::hasTouchDigitizer() && fullscreen());
#ifdef Q_OS_WIN
    QGuiApplication::setFont(QFont(QStringLiteral("Segoe UI")));
#endif
    ApplicationManager::init();
    applyRequestedWindowSize();
}

void ApplicationManagerWin::refuseOldWindows()
{
    if (platform::isOsVersionAtLeast(6, 1, 0))
        return;
    platform::showFatalMessage(QStringLiteral("Incompatible Version of Windows"),
                               QStringLiteral("This application requires Windows 7 or above."));
    // A refused start is a failure.
    platform::exitImmediately(1);
}

void ApplicationManagerWin::readCommandLineOptions(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("-u="))) {
            // "inf" or "nan" would break every size.
            const double scale = optionValue(argument).toDouble();
            m_uiScaleOverride = std::isfinite(scale) ? scale : 0.0;
        }
        if (argument.startsWith(QLatin1String("-w=")))
            m_requestedWidth = optionValue(argument).toInt();
        if (argument.startsWith(QLatin1String("-h=")))
            m_requestedHeight = optionValue(argument).toInt();
        if (argument == QLatin1String("-fs"))
            QSettings().setValue(QStringLiteral("startFullscreen"), true);
        if (argument == QLatin1String("-ds"))
            m_designSize = true;
        if (argument.startsWith(QLatin1String("-update="))) {
            const QString value = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            qDebug() << "setting url" << value;
            // A bare path (also "C:\...") names a local file, not a host.
            m_updateRequest.setUrl(
                QUrl::fromUserInput(value, QDir::currentPath(), QUrl::AssumeLocalFile));
        }
    }
}

void ApplicationManagerWin::applyRequestedWindowSize()
{
    MainView* view = mainView();
    if (!view || fullscreen())
        return;
    const int width = m_requestedWidth > 0 ? m_requestedWidth : view->width();
    const int height = m_requestedHeight > 0 ? m_requestedHeight : view->height();
    view->resize(width, height);
}

// --- folders --------------------------------------------------------------------------

QString ApplicationManagerWin::documentPath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QDir::separator()
        + QCoreApplication::applicationName();
}

QString ApplicationManagerWin::assetPath() const
{
#ifdef Q_OS_WIN
    if (MainView* view = mainView())
        return view->engine()->baseUrl().toLocalFile();
#endif
    // Elsewhere the engine's base URL is merely the current folder.
    return ApplicationManager::assetPath();
}

// --- window, scale and keyboard --------------------------------------------------------

bool ApplicationManagerWin::fullscreen() const
{
    return ApplicationManager::fullscreen();
}

void ApplicationManagerWin::setFullscreen(bool fullscreen)
{
    ApplicationManager::setFullscreen(fullscreen);
    setUserKeyboardControl(platform::hasTouchDigitizer() && this->fullscreen());
}

void ApplicationManagerWin::handleMainWindowResize()
{
    if (m_designSize)
        updateLogicalToPhysicalMultiplier();
}

void ApplicationManagerWin::requestOnScreenKeyboard()
{
    platform::launchTouchKeyboard();
}

void ApplicationManagerWin::updateLogicalToPhysicalMultiplier()
{
    const MainView* view = mainView();
    if (m_designSize && view && view->width() > 0 && view->height() > 0) {
        setLogicalToPhysicalMultiplier(qMin(view->width() / DesignWidth, view->height() / DesignHeight));
        return;
    }
    if (m_uiScaleOverride > 1.0) {
        setLogicalToPhysicalMultiplier(m_uiScaleOverride);
        return;
    }
    double factor = logicalToPhysicalMultiplier();
    if (view && view->screen()) {
        const QScreen* screen = view->screen();
        const QRect geometry = screen->geometry();
        factor = scaleFactorFor(screen->physicalDotsPerInch(), qMax(geometry.width(), geometry.height()));
    }
    setLogicalToPhysicalMultiplier(qMax(factor, 1.0));
}

void ApplicationManagerWin::createSensors()
{
#ifdef Q_OS_WIN
    // The Windows Location and Sensor APIs, through the platform layer.
    setSensors(new WinLocationManager(this), new WinCompassClino(this));
#else
    // Elsewhere Qt Positioning and Qt Sensors serve.
    ApplicationManager::createSensors();
#endif
}

// --- zip and share ------------------------------------------------------------------------

bool ApplicationManagerWin::zipFiles(const QString& zipPath, const QStringList& files, Task* progress)
{
    ZipWriter* zip = ZipWriter::open(QDir::toNativeSeparators(zipPath));
    if (!zip) {
        qWarning() << "zipFiles: cannot create" << zipPath;
        return false;
    }
    bool allAdded = true;
    const int count = files.size();
    for (int i = 0; i < count; ++i) {
        const QString& file = files.at(i);
        if (ZipWriter::addFile(zip, QFileInfo(file).fileName(), QDir::toNativeSeparators(file))
            != ZipWriter::Ok) {
            qWarning() << "zipFiles: cannot add" << file;
            allAdded = false;
            break;
        }
        if (progress)
            progress->setProgress((i + 1) * 100 / count);
    }
    // An archive whose directory could not be written is no archive.
    const bool closed = ZipWriter::close(zip) == ZipWriter::Ok;
    return allAdded && closed;
}

bool ApplicationManagerWin::shareFiles(const QStringList& files)
{
    if (files.isEmpty())
        return false;
    const QString folder = QFileInfo(files.first()).absolutePath();
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// --- update check -----------------------------------------------------------------------------

void ApplicationManagerWin::checkForUpdate()
{
    const QUrl url = m_updateRequest.url();
    if (url.isEmpty())
        return;
    if (url.isLocalFile()) {
        readLocalVersionFile(url.toLocalFile());
        return;
    }
    if (!m_networkManager) {
        m_networkManager = new QNetworkAccessManager(this);
        connect(m_networkManager, &QNetworkAccessManager::finished, this,
                &ApplicationManagerWin::replyFinished);
    }
    // Never cleared: one request per run at most.
    if (!m_pendingReply)
        m_pendingReply = m_networkManager->get(m_updateRequest);
}

void ApplicationManagerWin::readLocalVersionFile(const QString& path)
{
    qDebug() << "checking for update in" << path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    parseVersionText(QString::fromUtf8(file.readAll()));
}

void ApplicationManagerWin::replyFinished(QNetworkReply* reply)
{
    if (!reply || reply != m_pendingReply || reply->error() != QNetworkReply::NoError)
        return;
    parseVersionText(QString::fromUtf8(reply->readAll()));
}

void ApplicationManagerWin::parseVersionText(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= 2)
        return;
    // "Get New Version" hands the address to the system, which would also
    // open a local file or run another scheme's handler.
    const QUrl address(lines.at(1).trimmed(), QUrl::StrictMode);
    const QString scheme = address.scheme();
    if (!address.isValid() || address.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return;
    // The notes are the third line and everything after it, as they stand.
    const int notesStart = lines.at(0).size() + lines.at(1).size() + 2;
    setNewBuildNotes(text.mid(notesStart));
    // A server may send CRLF line ends.
    setNewBuildUrl(lines.at(1).trimmed());
    // Last: its change signal compares the build numbers.
    setNewBuildNumber(lines.at(0).trimmed());
}

} // namespace kiv
