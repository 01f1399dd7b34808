#include "app/AppContext.h"

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "Database/CommandManager.h"
#include "model/ModelManager.h"

namespace kiv {

std::shared_ptr<Project> AppContext::currentProject()
{
    const ModelManager* models = ModelManager::instance();
    return models ? models->currentProject() : nullptr;
}

std::shared_ptr<DialogController> AppContext::dialogs()
{
    const ApplicationManager* application = ApplicationManager::instance();
    return application ? application->dialogController() : nullptr;
}

void AppContext::toastError(const QString& message, int durationMs)
{
    if (const std::shared_ptr<DialogController> controller = dialogs())
        controller->toastError(message, durationMs);
}

void AppContext::toastInfo(const QString& message, int durationMs)
{
    if (const std::shared_ptr<DialogController> controller = dialogs())
        controller->toastInfo(message, durationMs);
}

bool AppContext::runCommand(const std::shared_ptr<AbstractCommand>& command)
{
    CommandManager* commands = CommandManager::instance();
    return command && commands && commands->execute(command);
}

} // namespace kiv
