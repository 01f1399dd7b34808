#include "app/InstanceLock.h"

#include "app/StaleLockFile.h"

#include <QDebug>
#include <QDir>
#include <QStandardPaths>

namespace kiv {

namespace {
const QString LockedName = QStringLiteral("instance");

QString lockPath(const QString& folder)
{
    return QDir(folder).filePath(LockedName + QStringLiteral(".lock"));
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
    if (m_lock.error() == QLockFile::LockFailedError)
        return HeldElsewhere;
    qWarning().noquote() << "InstanceLock::take: cannot write" << fileName();
    return Failed;
}

} // namespace kiv
