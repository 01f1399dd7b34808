#include "export/ExportLeftovers.h"

#include "Database/StartLeftovers.h"
#include "export/AbstractCSVExporter.h"

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
const QDir::Filters Entries = QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

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

bool removeFile(const QString& path)
{
    const bool gone = QFile::remove(path);
    qInfo().noquote() << "Export:" << (gone ? "removed the unfinished" : "cannot remove the unfinished") << path;
    return gone;
}

// The part files in folder that own() knows as an export's.
template <typename Own>
int removeParts(const QDir& folder, Own own)
{
    int removed = 0;
    for (const QFileInfo& file : folder.entryInfoList({QLatin1Char('*') + ExportLeftovers::PartSuffix}, Entries)) {
        if (own(file))
            removed += removeFile(file.filePath()) ? 1 : 0;
    }
    return removed;
}

int removeWorkFolders(const QString& tempFolder)
{
    int removed = 0;
    for (const QFileInfo& folder : QDir(tempFolder).entryInfoList({WorkFolderPrefix + QLatin1Char('*')}, Entries)) {
        if (!isOwnWorkFolder(folder))
            continue;
        // Links inside are removed, not followed.
        const bool gone = QDir(folder.filePath()).removeRecursively();
        qInfo().noquote() << "Export:" << (gone ? "removed the working folder" : "cannot remove") << folder.filePath();
        removed += gone ? 1 : 0;
    }
    return removed;
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

void ExportLeftovers::feed(StartLeftovers& leftovers, const QString& documentsFolder, const QString& tempFolder)
{
    if (!documentsFolder.isEmpty()) {
        leftovers.addRule([documents = QDir(documentsFolder)] {
            return removeParts(documents, [&documents](const QFileInfo& file) { return isOwnPart(documents, file); });
        });
    }
    leftovers.addProjectRule([](const QDir& project) { return removeParts(project, isOwnCsvPart); });
    if (!tempFolder.isEmpty())
        leftovers.addRule([tempFolder] { return removeWorkFolders(tempFolder); });
}

} // namespace kiv
