#pragma once

#include <QString>

#include <memory>

namespace kiv {

class AbstractCommand;
class DialogController;
class Project;

// The application's singletons as the tools, items and models reach them.
// After start-up they all exist; unit tests build only the ones they need,
// so each answer is empty (or false) when its singleton is missing.
class AppContext
{
public:
    // The model manager's current project.
    static std::shared_ptr<Project> currentProject();
    // The application manager's dialog controller.
    static std::shared_ptr<DialogController> dialogs();
    // An error toast for that long; nothing without a dialog controller.
    static void toastError(const QString& message, int durationMs);
    // An info toast for that long; nothing without a dialog controller.
    static void toastInfo(const QString& message, int durationMs);
    // Runs the command on the command manager; false when it was refused or
    // rolled back, or when there is no command or manager.
    static bool runCommand(const std::shared_ptr<AbstractCommand>& command);
};

} // namespace kiv
