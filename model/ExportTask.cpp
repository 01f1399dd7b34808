#include "model/ExportTask.h"

#include "app/ApplicationManager.h"
#include "export/CSVExporter.h"
#include "export/KIVExporter.h"
#include "export/KMZExporter.h"
#include "model/Project.h"

namespace kiv {

ExportTask::ExportTask(int kind, std::shared_ptr<Project> project)
    : Task(QStringLiteral("Exporter"), true)
    , m_kind(kind)
    , m_project(std::move(project))
{
}

void ExportTask::work()
{
    if (m_kind != CSV && m_kind != KIV && m_kind != KMZ)
        return;
    if (!m_project) {
        setSuccessful(false);
        return;
    }
    const ApplicationManager* application = ApplicationManager::instance();
    const bool strikeRHR =
        application && application->angleConvention() == ApplicationManager::DipStrikeRHR;
    const Exporter& run = exporter();
    setSuccessful(run ? run(m_kind, *this, *m_project, strikeRHR)
                      : runExporter(m_kind, *this, *m_project, strikeRHR));
}

void ExportTask::setExporter(Exporter replacement)
{
    exporter() = std::move(replacement);
}

ExportTask::Exporter& ExportTask::exporter()
{
    static Exporter replacement;
    return replacement;
}

bool ExportTask::runExporter(int kind, ExportTask& task, Project& project, bool strikeRHR)
{
    switch (kind) {
    case KMZ: {
        KMZExporter exporter(&task);
        return exporter.exportProject(project, strikeRHR);
    }
    case KIV: {
        KIVExporter exporter(&task);
        return exporter.exportProject(project);
    }
    case CSV:
        return CSVExporter().exportProject(project);
    default:
        return false;
    }
}

} // namespace kiv
