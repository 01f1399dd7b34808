#include "app/InstanceLock.h"

#include "app/StaleLockFile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace kiv {

namespace {
const QString LockedName = QStringLiteral("instance");

QString lockPath(const QString& folder)
{
    return QDir(folder).filePath(LockedName + QStringLiteral(".lock"));
}

// Whether the process a lock names may still be running this program. A
// holder on another machine cannot be checked and counts as running.
bool holderRuns(qint64 pid, const QString& host, const QString& name)
{
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true;
#ifdef Q_OS_UNIX
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
        return false;
    // An id taken over by another program after a restart.
    const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    return program.isEmpty() || QFileInfo(program).fileName() == name;
#else
    Q_UNUSED(pid)
    Q_UNUSED(name)
    // Elsewhere only the holder's open file tells, when it is removed.
    return false;
#endif
}
} // namespace

InstanceLock::InstanceLock(const QString& folder)
    : m_folder(folder)
    , m_lock(lockPath(folder))
{
    // Only a dead holder makes a lock stale: a long-running instance keeps it.
    m_lock.setStaleLockTime(0);
}

QString InstanceLock::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString InstanceLock::fileName() const
{
    return lockPath(m_folder);
}

InstanceLock::Outcome InstanceLock::take()
{
    QDir().mkpath(m_folder);
    // An instance killed between creating its lock and writing it leaves an
    // empty file that QLockFile would never see as stale.
    removeEmptyStaleLock(QDir(m_folder).filePath(LockedName));
    if (m_lock.tryLock(0))
        return Taken;
    if (m_lock.error() != QLockFile::LockFailedError)
        return cannotWrite();
    // Qt removes a dead holder's lock only after writing a second lock file
    // beside it, which a full disk refuses.
    qint64 pid = 0;
    QString host;
    QString name;
    const bool named = m_lock.getLockInfo(&pid, &host, &name);
    if (named && holderRuns(pid, host, name))
        return HeldElsewhere;
    const QString holder = (named ? QStringLiteral("process %1").arg(pid) : QStringLiteral("an unknown process"))
                           + QStringLiteral(", which is no running instance");
    switch (removeUnheldLock(fileName())) {
    case LockRemoval::Held:
        return HeldElsewhere;
    case LockRemoval::Kept:
        // Gone meanwhile is as good as removed.
        if (QFileInfo::exists(fileName())) {
            qWarning().noquote() << "InstanceLock::take: cannot remove" << fileName() << "left by"
                                 << holder + QLatin1Char(';') << "starting without the lock";
            return Failed;
        }
        break;
    case LockRemoval::Removed:
        qInfo().noquote() << "InstanceLock::take: removed" << fileName() << "left by" << holder;
        break;
    }
    if (m_lock.tryLock(0))
        return Taken;
    // Another start took it meanwhile.
    if (m_lock.error() == QLockFile::LockFailedError)
        return HeldElsewhere;
    return cannotWrite();
}

InstanceLock::Outcome InstanceLock::cannotWrite() const
{
    qWarning().noquote() << "InstanceLock::take: cannot write" << fileName() + QLatin1Char(';')
                         << "starting without the lock";
    return Failed;
}

} // namespace kiv
