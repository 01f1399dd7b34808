#include "export/ExportArchivePath.h"

#include <QDir>
#include <QFileInfo>

namespace kiv {

QString exportArchivePath(const QString& projectFolder, const QString& extension)
{
    // Only the folder's own ending: a ".qz" higher up names another folder.
    QString path = QDir::cleanPath(QFileInfo(projectFolder).absoluteFilePath());
    const QString ending = QStringLiteral(".qz");
    if (path.endsWith(ending, Qt::CaseSensitive))
        path.chop(ending.size());
    return path + extension;
}

} // namespace kiv
