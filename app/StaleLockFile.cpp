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

bool removeEmptyStaleLock(const QString& lockedFile)
{
    const QString lockPath = lockedFile + QStringLiteral(".lock");
    const QFileInfo info(lockPath);
    if (info.isSymLink() || !info.isFile() || info.size() != 0)
        return false;
#ifdef Q_OS_UNIX
    // A live holder keeps its native lock on the file: take it or leave the file.
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat status {};
    const bool removable = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &status) == 0
                           && S_ISREG(status.st_mode) && status.st_size == 0
                           && ::unlink(QFile::encodeName(lockPath).constData()) == 0;
    ::close(fd);
#else
    // Elsewhere a held lock file cannot be deleted.
    const bool removable = QFile::remove(lockPath);
#endif
    if (removable)
        qInfo().noquote() << "Removed the empty stale lock" << lockPath;
    return removable;
}

} // namespace kiv
