#include "app/StaleLockFile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kiv {

namespace {

LockRemoval removeUnheld(const QString& lockPath, bool onlyEmpty)
{
    const QFileInfo info(lockPath);
    if (info.isSymLink() || !info.isFile() || (onlyEmpty && info.size() != 0))
        return LockRemoval::Kept;
#ifdef Q_OS_UNIX
    // A live holder keeps its native lock on the file: take it or leave the file.
    const QByteArray path = QFile::encodeName(lockPath);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return LockRemoval::Kept;
    LockRemoval result = LockRemoval::Held;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Still the file under that name: another start may have replaced it.
        struct stat opened {};
        struct stat named {};
        const bool same = ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0
                          && S_ISREG(opened.st_mode) && opened.st_ino == named.st_ino
                          && opened.st_dev == named.st_dev && (!onlyEmpty || opened.st_size == 0);
        result = same && ::unlink(path.constData()) == 0 ? LockRemoval::Removed : LockRemoval::Kept;
    }
    ::close(fd);
    return result;
#else
    // Elsewhere a held lock file cannot be deleted.
    return QFile::remove(lockPath) ? LockRemoval::Removed : LockRemoval::Held;
#endif
}

} // namespace

LockRemoval removeUnheldLock(const QString& lockPath)
{
    return removeUnheld(lockPath, false);
}

bool removeEmptyStaleLock(const QString& lockedFile)
{
    const QString lockPath = lockedFile + QStringLiteral(".lock");
    const bool removed = removeUnheld(lockPath, true) == LockRemoval::Removed;
    if (removed)
        qInfo().noquote() << "Removed the empty stale lock" << lockPath;
    return removed;
}

} // namespace kiv
