#include "app/BundledFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kiv {

bool installBundledFile(const QString& resource, const QString& target, bool replace)
{
    const QFileInfo info(target);
    if (info.isFile() && !replace)
        return true;

    if (!QDir().mkpath(info.absolutePath())) {
        qWarning().noquote() << "Cannot create the folder" << info.absolutePath();
        return false;
    }
    QFile bundled(resource);
    if (!bundled.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Cannot read the bundled file" << resource;
        return false;
    }
    const QByteArray content = bundled.readAll();

    // QSaveFile rather than QFile::copy: the copy must be a normal writable
    // file, and an interrupted write must not leave half a file behind.
    QSaveFile out(info.absoluteFilePath());
    // Flushed first: the commit does not report a failed last write.
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.flush() || !out.commit()) {
        qWarning().noquote() << "Cannot write" << info.absoluteFilePath() << out.errorString();
        return false;
    }
    return true;
}

} // namespace kiv
