#include "export/ExportArchivePath.h"

#include "app/ApplicationManager.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace kiv {

namespace {

// Replaces target in one step where the system can, so a reader never
// meets a half archive under the final name.
bool replaceFile(const QString& source, const QString& target)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error)
        qWarning() << "Export: cannot rename" << source << "to" << target
                   << QString::fromStdString(error.message());
    return !error;
}

} // namespace

QString exportArchivePath(const QString& projectFolder, const QString& extension)
{
    // Only the folder's own ending: a ".qz" higher up names another folder.
    QString path = QDir::cleanPath(QFileInfo(projectFolder).absoluteFilePath());
    const QString ending = QStringLiteral(".qz");
    if (path.endsWith(ending, Qt::CaseSensitive))
        path.chop(ending.size());
    return path + extension;
}

bool packExportArchive(const QString& archivePath, const QStringList& files, Task* task)
{
    const QString partPath = archivePath + QStringLiteral(".part");
    ApplicationManager* application = ApplicationManager::instance();
    bool ok = application && application->zipFiles(partPath, files, task);
    if (ok)
        ok = replaceFile(partPath, archivePath);
    if (!ok) {
        QFile::remove(partPath);
        return false;
    }
    emit application->fileSystemChanged(QStringList{archivePath});
    return true;
}

} // namespace kiv
