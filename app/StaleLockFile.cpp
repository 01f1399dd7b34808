#include "app/StaleLockFile.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

int removeDeadSave(const QString& savedFile)
{
    const QFileInfo saved(savedFile);
    const QString lockPath = savedFile + QStringLiteral(".lock");
    // Read before it goes: the temporary files are told by their times.
    const QDateTime locked = QFileInfo(lockPath).lastModified();
    if (removeUnheldLock(lockPath) != LockRemoval::Removed)
        return 0;
    qInfo().noquote() << "Removed the lock of a stopped save" << lockPath;
    int removed = 1;
    const QRegularExpression name(
        QStringLiteral("\\A%1\\.[A-Za-z0-9]{6}\\z").arg(QRegularExpression::escape(saved.fileName())));
    const QDir folder = saved.dir();
    for (const QFileInfo& file : folder.entryInfoList({saved.fileName() + QStringLiteral(".*")},
                                                      QDir::Files | QDir::Hidden | QDir::System)) {
        // A save writes its temporary file while it holds the lock, for
        // moments: a file of that shape from another time is the user's.
        const qint64 written = locked.msecsTo(file.lastModified());
        if (!name.match(file.fileName()).hasMatch() || file.isSymLink() || !file.isFile() || written < 0
            || written > DeadSaveMoments)
            continue;
        // Name and time cannot tell a stopped save's file from the user's:
        // only one holding nothing is known to lose nothing.
        if (file.size() != 0) {
            qInfo().noquote() << "Kept" << file.filePath()
                              << "beside the settings: it may be a stopped save's, but it holds data";
            continue;
        }
        const bool gone = QFile::remove(file.filePath());
        qInfo().noquote() << (gone ? "Removed the temporary file of a stopped save" : "Cannot remove")
                          << file.filePath();
        removed += gone ? 1 : 0;
    }
    return removed;
}

} // namespace kiv
