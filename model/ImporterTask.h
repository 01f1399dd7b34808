#pragma once

#include "Database/Task.h"
#include "model/Project.h"
#include "model/ProjectImporter.h"

#include <memory>

namespace kiv {

// Merges a source project into a target on the task's thread; on success the
// merged units, symbols, base maps and localities join the target back on its
// own thread, and the target announces its changed lists once.
class ImporterTask : public Task
{
    Q_OBJECT

public:
    ImporterTask(std::shared_ptr<Project> target, std::shared_ptr<Project> source, bool copyImages, bool copyMaps);

    void work() override;
    void onFinished() override;

private:
    const bool m_copyImages;
    const bool m_copyMaps;
    bool m_sourceUnreadable = false;
    const std::shared_ptr<Project> m_target;
    const std::shared_ptr<Project> m_source;
    Project::LocalityList m_merged;
    std::optional<ProjectImporter::Lists> m_lists;
};

} // namespace kiv
