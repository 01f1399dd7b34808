#include "export/ExportArchivePath.h"

#include "app/ApplicationManager.h"
#include "export/ExportLeftovers.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace kiv {

std::unique_ptr<QTemporaryDir> createExportWorkFolder()
{
    const ApplicationManager* application = ApplicationManager::instance();
    const QString base = application ? application->tempPath() : QDir::tempPath();
    QDir().mkpath(base);
    auto folder = std::make_unique<QTemporaryDir>(ExportLeftovers::workFolderTemplate(base));
    if (!folder->isValid()) {
        qWarning() << "Export: cannot create a working folder in" << base << folder->errorString();
        return nullptr;
    }
    return folder;
}

QString exportImagePath(const QDir& projectFolder, const QString& imageName, QSet<QString>& warned)
{
    const QString path = ProjectFile::resolve(projectFolder, QStringLiteral("images/") + imageName);
    if (path.isEmpty() && !warned.contains(imageName)) {
        warned.insert(imageName);
        qWarning() << "Export: the photograph" << imageName << "is not a file in the images folder";
    }
    return path;
}

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
    const QString partPath = ExportLeftovers::partPath(archivePath);
    ApplicationManager* application = ApplicationManager::instance();
    bool ok = application && application->zipFiles(partPath, files, task);
    if (ok)
        ok = ProjectFile::replaceFile(partPath, archivePath);
    if (!ok) {
        QFile::remove(partPath);
        return false;
    }
    emit application->fileSystemChanged(QStringList{archivePath});
    return true;
}

} // namespace kiv
