#include "export/ExportArchivePath.h"

#include "app/ApplicationManager.h"
#include "export/ExportLeftovers.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kiv {

QString createExportWorkFolder(ExportLeftovers& journal)
{
    const ApplicationManager* application = ApplicationManager::instance();
    const QString base = application ? application->tempPath() : QDir::tempPath();
    QDir().mkpath(base);
    const QString folder = journal.makeFolder(base);
    if (folder.isEmpty())
        qWarning() << "Export: cannot create a working folder in" << base;
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
    ExportLeftovers journal;
    QFile part(journal.partPath(archivePath));
    ApplicationManager* application = ApplicationManager::instance();
    // Made empty first, so the zip writer only ever writes this export's own file.
    bool ok = application && journal.noteParts({part.fileName()}) && journal.createPart(part);
    part.close();
    ok = ok && application->zipFiles(part.fileName(), files, task)
         && ProjectFile::replaceFile(part.fileName(), archivePath);
    // A part not moved into place goes with the journal.
    journal.finish();
    if (!ok)
        return false;
    emit application->fileSystemChanged(QStringList{archivePath});
    return true;
}

} // namespace kiv
