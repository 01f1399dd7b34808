#include "app/CacheFolder.h"

#include "Database/PersistantCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace kiv {

void CacheFolder::clearPersistentCacheIfOpen()
{
    if (PersistantCache::exists()) {
        if (PersistantCache* cache = PersistantCache::instance())
            cache->clear();
    }
}

void CacheFolder::clear(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo folder(path);
    // The folder sits in the shared temporary folder: never clear through a
    // link someone else may have put there.
    if (folder.isSymLink()) {
        QFile::remove(path);
        return;
    }
    if (folder.isDir())
        clearContents(path);
}

void CacheFolder::clearContents(const QString& path)
{
    QDirIterator entries(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        // Links are removed themselves; removeRecursively does not follow
        // links below it either. Failures (files in use) are left alone.
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

} // namespace kiv
