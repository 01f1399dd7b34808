#pragma once

#include "Database/Task.h"

#include <functional>
#include <memory>

namespace kiv {

class Project;

// Runs one export of a project on the task's thread; its success flag is the
// exporter's result.
class ExportTask : public Task
{
    Q_OBJECT

public:
    enum Kind { CSV = 0, KIV = 1, KMZ = 2 };

    // Builds the exporter of a kind on its stack, runs it and returns its
    // result. Called on the task's thread.
    using Exporter = std::function<bool(int kind, ExportTask& task, Project& project, bool strikeRHR)>;

    ExportTask(int kind, std::shared_ptr<Project> project);

    int kind() const { return m_kind; }
    const std::shared_ptr<Project>& project() const { return m_project; }

    void work() override;

    // Replaces the real exporters (tests); an empty function restores them.
    // Only while no export runs.
    static void setExporter(Exporter exporter);

private:
    static Exporter& exporter();
    static bool runExporter(int kind, ExportTask& task, Project& project, bool strikeRHR);

    const int m_kind;
    const std::shared_ptr<Project> m_project;
};

} // namespace kiv
