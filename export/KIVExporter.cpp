#include "export/KIVExporter.h"

#include "export/ExportArchivePath.h"
#include "model/Project.h"

namespace kiv {

KIVExporter::KIVExporter(Task* owningTask)
    : AbstractKIVExporter(owningTask)
{
}

KIVExporter::~KIVExporter() = default;

QString KIVExporter::archivePath(const Project& project)
{
    return exportArchivePath(project.folder().absolutePath(), QStringLiteral(".kiv"));
}

bool KIVExporter::exportProject(Project& project)
{
    m_filesToZip.clear();
    return AbstractKIVExporter::exportProject(project);
}

bool KIVExporter::package(Project& project, const QStringList& images)
{
    m_filesToZip << images << documentPath();
    return packExportArchive(archivePath(project), m_filesToZip, owningTask());
}

} // namespace kiv
