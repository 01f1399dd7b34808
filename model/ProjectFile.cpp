#include "ProjectFile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kiv {
namespace ProjectFile {

namespace {

// The name's parts when it is relative and never steps up; empty otherwise.
QStringList plainParts(const QString& name)
{
    QString normal = name;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.isEmpty() || normal.startsWith(QLatin1Char('/')) || QDir::isAbsolutePath(name)
        || normal.contains(QChar(0)))
        return {};
    const QStringList parts = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return {};
    }
    return parts;
}

bool isDatabaseName(const QString& name)
{
    static const QRegularExpression database(QStringLiteral("\\Amain\\.db(-journal|-wal|-shm)?\\z"),
                                             QRegularExpression::CaseInsensitiveOption);
    return database.match(name).hasMatch();
}

} // namespace

QString resolve(const QDir& folder, const QString& name)
{
    const QStringList parts = plainParts(name);
    if (parts.isEmpty())
        return QString();
    QString path = folder.absolutePath();
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isSymLink())
            return QString();
    }
    const QFileInfo info(path);
    return info.isFile() && !isDatabaseName(parts.last()) ? path : QString();
}

QString resolvePath(const QDir& folder, const QString& path)
{
    return path.isEmpty() ? QString() : resolve(folder, folder.relativeFilePath(path));
}

QString writablePath(const QDir& folder, const QString& name)
{
    const QString fresh = freshPath(folder, name);
    if (!fresh.isEmpty())
        return fresh;
    return plainParts(name).size() == 1 ? resolve(folder, name) : QString();
}

QString freshPath(const QDir& folder, const QString& name)
{
    const QStringList parts = plainParts(name);
    if (parts.size() != 1 || isDatabaseName(parts.first()))
        return QString();
    const QString path = folder.absoluteFilePath(parts.first());
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return QString();
    return path;
}

bool moveToFreshName(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    // Without MOVEFILE_REPLACE_EXISTING a taken name fails the move.
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()), 0)
        != 0;
#else
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A file system without it: a link is only made where nothing is.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
#endif
}

bool replaceFile(const QString& source, const QString& target)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error)
        qWarning() << "Cannot rename" << source << "to" << target << QString::fromStdString(error.message());
    return !error;
}

bool writeNewFile(const QString& path, const QByteArray& bytes)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (written && moveToFreshName(file.fileName(), path))
        return true;
    QFile::remove(file.fileName());
    return false;
}

int removeUnwritten(const QDir& folder, const QString& namePattern, const QByteArray& opening)
{
    const QRegularExpression name(QStringLiteral("\\A(?:%1)\\.[A-Za-z0-9]{6}\\z").arg(namePattern));
    int removed = 0;
    for (const QFileInfo& info : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(info.filePath());
        if (!name.match(info.fileName()).hasMatch() || info.isSymLink() || !info.isFile()
            || !file.open(QIODevice::ReadOnly) || !opening.startsWith(file.read(opening.size())))
            continue;
        file.close();
        const bool gone = file.remove();
        qInfo().noquote() << (gone ? "Removed the unfinished" : "Cannot remove the unfinished") << info.filePath();
        removed += gone ? 1 : 0;
    }
    return removed;
}

bool isRecordId(const QString& id)
{
    static const QRegularExpression format(QStringLiteral("\\A[0-9A-Fa-f]{32}\\z"));
    return format.match(id).hasMatch();
}

QString fileNameForId(const QString& id)
{
    if (isRecordId(id))
        return id;
    return QString::fromLatin1(QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace ProjectFile
} // namespace kiv
