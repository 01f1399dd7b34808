#include "Database/DestructorManager.h"
#include "app/ApplicationManagerWin.h"
#include "app/InstanceLock.h"
#include "app/MainView.h"
#include "app/NoticeWindow.h"
#include "app/QmlCacheCheck.h"
#include "model/Index.h"

#include <QDebug>
#include <QGuiApplication>
#include <QStandardPaths>

#include <curl/curl.h>

namespace {

// Long enough to read; a start nobody watches still ends.
constexpr int NoticeTime = 10000;

// Mesa's shader cache keeps its index in a sparse file written through a
// memory map: once the disk fills, the next new shader ends the process with
// SIGBUS instead of an error. A disk may fill at any time during a session,
// so the cache stays off; the shaders are compiled afresh at each start.
// Before any GL context exists. A value the user set is kept.
void keepShaderCacheOff()
{
#ifdef Q_OS_UNIX
    if (!qEnvironmentVariableIsSet("MESA_SHADER_CACHE_DISABLE"))
        qputenv("MESA_SHADER_CACHE_DISABLE", "true");
#endif
}

// Says on screen and in the log that another instance runs, until the
// notice is tapped, closed or has closed itself.
void refuseSecondInstance()
{
    qWarning().noquote() << "main: Quarzel is already running; this start ends without opening a project";
    kiv::NoticeWindow notice(QStringLiteral("Quarzel"), QStringLiteral("Quarzel is already running."));
    notice.showFor(NoticeTime);
    QGuiApplication::exec();
}

// Projects opened from elsewhere are only in the index.
QStringList indexedFolders()
{
    QStringList folders;
    for (const QDir& folder : kiv::Index().load())
        folders << folder.absolutePath();
    return folders;
}

} // namespace

int main(int argc, char* argv[])
{
    kiv::DestructorManager::instance();
#ifdef Q_OS_WIN
    // Must be set before the application object; Qt ignores it afterwards.
    QCoreApplication::setAttribute(Qt::AA_UseOpenGLES);
#else
    // The map draws on the GUI thread, inside Qt Quick's frame.
    if (!qEnvironmentVariableIsSet("QSG_RENDER_LOOP"))
        qputenv("QSG_RENDER_LOOP", "basic");
#endif
    keepShaderCacheOff();
    // Before any thread exists: tile downloads use libcurl from workers.
    curl_global_init(CURL_GLOBAL_DEFAULT);

    auto* application = new QGuiApplication(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Quarzel"));
    QGuiApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
    QGuiApplication::setOrganizationName(QStringLiteral("KIV"));
    // Two instances on the same projects would overwrite each other's
    // saves: a second start touches neither projects nor settings.
    kiv::InstanceLock instance;
    const kiv::InstanceLock::Outcome lock = instance.take();
    if (lock == kiv::InstanceLock::HeldElsewhere) {
        refuseSecondInstance();
        delete application;
        curl_global_cleanup();
        return 1;
    }
    // A lock left empty by a power cut would hold up the first settings write.
    kiv::ApplicationManager::removeStaleSettingsLocks();
    // Before any QML is loaded from the cache.
    const QString qmlCache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/qmlcache";
    if (const int cut = kiv::QmlCacheCheck::removeCutFiles(qmlCache))
        qWarning().noquote() << "main: removed" << cut << "QML cache files cut short by a full disk";

    // Lives until the process ends, with its window and dialog controller.
    auto* manager = new kiv::ApplicationManagerWin(application);
    // Before anything can write. Without the lock another instance may be
    // writing right now.
    if (lock == kiv::InstanceLock::Taken)
        kiv::ApplicationManager::settleLeftovers(manager->documentPath(), manager->tempPath(), indexedFolders());
    else
        qWarning().noquote()
            << "main: without the instance lock, working files of stopped saves, exports and merges stay";
    manager->init();
    const int exitCode = application->exec();

    // The window outlives the application object, but its QML must not react
    // when the singletons it shows are torn down after that.
    if (kiv::MainView* view = manager->mainView())
        view->setSource(QUrl());
    delete application;
    kiv::DestructorManager::instance().destroyAll();
    curl_global_cleanup();
    return exitCode;
}
