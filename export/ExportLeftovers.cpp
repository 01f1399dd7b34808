#include "export/ExportLeftovers.h"

#include "drawing/SketchFileSet.h"
#include "export/AbstractCSVExporter.h"
#include "model/MergeJournal.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace kiv {

namespace {

const QString WorkFolderPrefix = QStringLiteral("export-");

// Archive endings of the exports that write through a part file.
const QStringList ArchiveEndings{QStringLiteral(".kmz"), QStringLiteral(".kiv")};

bool isOwnPart(const QDir& documents, const QFileInfo& file)
{
    const QString name = file.fileName();
    if (!file.isFile() || file.isSymLink() || !name.endsWith(ExportLeftovers::PartSuffix))
        return false;
    const QString archive = name.chopped(ExportLeftovers::PartSuffix.size());
    for (const QString& ending : ArchiveEndings) {
        if (archive.size() > ending.size() && archive.endsWith(ending)) {
            const QFileInfo project(documents.filePath(archive.chopped(ending.size()) + QStringLiteral(".qz")));
            return project.isDir() && !project.isSymLink();
        }
    }
    return false;
}

bool isOwnCsvPart(const QFileInfo& file)
{
    static const QRegularExpression name(QStringLiteral("^(.+\\.csv)\\.[0-9a-z]{1,7}\\.part$"));
    static const QStringList targets{
        AbstractCSVExporter::LocalitiesFile, AbstractCSVExporter::PlanesFile,
        AbstractCSVExporter::LineationsFile, AbstractCSVExporter::SightingsFile,
        AbstractCSVExporter::ImagesFile,     AbstractCSVExporter::NotesFile,
        AbstractCSVExporter::LinePointsFile, AbstractCSVExporter::LineAttributesFile,
        AbstractCSVExporter::StratColumnFile, AbstractCSVExporter::RockUnitsFile};
    const QRegularExpressionMatch match = name.match(file.fileName());
    return file.isFile() && !file.isSymLink() && match.hasMatch() && targets.contains(match.captured(1));
}

bool isOwnWorkFolder(const QFileInfo& folder)
{
    static const QRegularExpression name(QStringLiteral("^export-[A-Za-z0-9]{6}$"));
    if (!folder.isDir() || folder.isSymLink() || !name.match(folder.fileName()).hasMatch())
        return false;
#ifdef Q_OS_UNIX
    // The temporary folder may be shared with other users' instances.
    return folder.ownerId() == ::geteuid();
#else
    return true;
#endif
}

// The project folders in documents and those given, each once; links are
// not the program's and are left out.
QStringList projectFoldersOf(const QDir& documents, bool noDocuments, const QStringList& given)
{
    QStringList candidates;
    if (!noDocuments) {
        const QDir::Filters folders = QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QFileInfo& project : documents.entryInfoList({QStringLiteral("*.qz")}, folders))
            candidates << project.absoluteFilePath();
    }
    candidates += given;
    QStringList seen;
    QStringList result;
    for (const QString& candidate : candidates) {
        const QFileInfo folder(candidate);
        const QString canonical = folder.canonicalFilePath();
        if (!folder.isDir() || folder.isSymLink() || canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen << canonical;
        result << folder.absoluteFilePath();
    }
    return result;
}

bool removeFile(const QString& path)
{
    const bool gone = QFile::remove(path);
    qInfo().noquote() << "Export:" << (gone ? "removed the unfinished" : "cannot remove the unfinished") << path;
    return gone;
}

} // namespace

const QString ExportLeftovers::PartSuffix = QStringLiteral(".part");

QString ExportLeftovers::partPath(const QString& archivePath)
{
    return archivePath + PartSuffix;
}

QString ExportLeftovers::csvPartPath(const QString& target, quint32 discriminator)
{
    return target + QLatin1Char('.') + QString::number(discriminator, 36) + PartSuffix;
}

QString ExportLeftovers::workFolderTemplate(const QString& base)
{
    return base + QLatin1Char('/') + WorkFolderPrefix + QStringLiteral("XXXXXX");
}

int ExportLeftovers::remove(const QString& documentsFolder, const QString& tempFolder,
                            const QStringList& projectFolders)
{
    int removed = 0;
    const QDir documents(documentsFolder);
    const QDir::Filters entries = QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    if (!documentsFolder.isEmpty()) {
        for (const QFileInfo& file : documents.entryInfoList({QLatin1Char('*') + PartSuffix}, entries)) {
            if (isOwnPart(documents, file))
                removed += removeFile(file.filePath()) ? 1 : 0;
        }
    }
    for (const QString& folder : projectFoldersOf(documents, documentsFolder.isEmpty(), projectFolders)) {
        const QDir projectFolder(folder);
        for (const QFileInfo& file : projectFolder.entryInfoList({QLatin1Char('*') + PartSuffix}, entries)) {
            if (isOwnCsvPart(file))
                removed += removeFile(file.filePath()) ? 1 : 0;
        }
        removed += MergeJournal::removeLeftovers(projectFolder);
        removed += SketchFileSet::removeLeftovers(QDir(projectFolder.filePath(QStringLiteral("images"))));
    }
    if (!tempFolder.isEmpty()) {
        const QDir temp(tempFolder);
        for (const QFileInfo& folder : temp.entryInfoList({WorkFolderPrefix + QLatin1Char('*')}, entries)) {
            if (!isOwnWorkFolder(folder))
                continue;
            // Links inside are removed, not followed.
            const bool gone = QDir(folder.filePath()).removeRecursively();
            qInfo().noquote() << "Export:" << (gone ? "removed the working folder" : "cannot remove")
                              << folder.filePath();
            removed += gone ? 1 : 0;
        }
    }
    return removed;
}

} // namespace kiv
