#include "geo/FileSystemCache.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace kiv::geo {

namespace {
bool isPlainName(const QString& s)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return plain.match(s).hasMatch();
}
} // namespace

FileSystemCache::FileSystemCache(const QString& rootPath) : root_(QDir::cleanPath(rootPath)) {}

QString FileSystemCache::tilePath(const QString& binId, const TileKey& key,
                                  const QString& extension) const
{
    if (root_.isEmpty() || !key.valid() || !isPlainName(binId) || !isPlainName(extension))
        return QString();
    return QStringLiteral("%1/%2/%3/%4/%5.%6")
        .arg(root_, binId)
        .arg(key.getLOD())
        .arg(key.getTileX())
        .arg(key.getTileY())
        .arg(extension);
}

std::optional<QByteArray> FileSystemCache::read(const QString& binId, const TileKey& key,
                                                const QString& extension) const
{
    QFile file(tilePath(binId, key, extension));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.readAll();
    if (data.isEmpty())
        return std::nullopt;
    return data;
}

bool FileSystemCache::write(const QString& binId, const TileKey& key, const QString& extension,
                            const QByteArray& data) const
{
    const QString path = tilePath(binId, key, extension);
    if (path.isEmpty() || data.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qWarning() << "Cannot create tile cache folder for" << path;
        return false;
    }
    QSaveFile file(path);
    // The commit does not report a failed last write from the buffer (a full
    // disk): without the flush an empty tile would take the place.
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush() || !file.commit()) {
        qWarning() << "Cannot write cached tile" << path << ':' << file.errorString();
        return false;
    }
    return true;
}

void FileSystemCache::remove(const QString& binId, const TileKey& key,
                             const QString& extension) const
{
    const QString path = tilePath(binId, key, extension);
    if (!path.isEmpty())
        QFile::remove(path);
}

} // namespace kiv::geo
