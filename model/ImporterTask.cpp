#include "model/ImporterTask.h"

#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectImporter.h"

#include <utility>

namespace kiv {

ImporterTask::ImporterTask(std::shared_ptr<Project> target, std::shared_ptr<Project> source, bool copyImages,
                           bool copyMaps)
    : Task(QStringLiteral("Importer"), true)
    , m_copyImages(copyImages)
    , m_copyMaps(copyMaps)
    , m_target(std::move(target))
    , m_source(std::move(source))
{
}

void ImporterTask::work()
{
    if (!m_target || !m_source) {
        setSuccessful(false);
        return;
    }
    ProjectImporter importer(m_target.get(), this);
    setSuccessful(importer.run(m_source.get(), m_copyImages, m_copyMaps));
    m_merged = importer.takeMergedLocalities();
    m_lists = importer.takeMergedLists();
    m_sourceUnreadable = importer.sourceUnreadable();
}

void ImporterTask::onFinished()
{
    Task::onFinished();
    if (m_sourceUnreadable && m_source) {
        if (ModelManager* manager = ModelManager::instance())
            manager->reportUnreadable(*m_source);
    }
    if (!successful() || !m_target)
        return;
    if (std::optional<ProjectImporter::Lists> lists = std::exchange(m_lists, std::nullopt))
        ProjectImporter::applyLists(*m_target, std::move(*lists));
    m_target->addLocalities(std::exchange(m_merged, {}));
    // The screens refresh once, at the end.
    m_target->beginAnnouncement();
    emit m_target->stratColumnChanged();
    if (m_copyMaps)
        emit m_target->baseMapsChanged();
    emit m_target->symbolsChanged();
    emit m_target->localityListChanged();
    emit m_target->dataListChanged();
    emit m_target->numberOfLocalitiesChanged(m_target->numberOfLocalities());
    m_target->endAnnouncement();
}

} // namespace kiv
