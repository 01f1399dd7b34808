#pragma once

#include "Database/Task.h"

#include <memory>

namespace kiv {

class Project;

// Merges a source project into a target on the task's thread; on success the
// target announces its changed lists.
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
};

} // namespace kiv
