#include "tools/AddLayerTask.h"

#include "Database/CommandManager.h"
#include "model/AddBaseMapCommand.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QFileInfo>
#include <QUrl>

namespace kiv {

AddLayerTask::AddLayerTask(std::shared_ptr<AddBaseMapCommand> command, GLRender* scene)
    : Task(QStringLiteral("AddLayer"), false)
    , m_command(std::move(command))
    , m_scene(scene)
{
}

void AddLayerTask::work()
{
    const QString fileName = m_command ? QFileInfo(m_command->url().toLocalFile()).fileName() : QString();
    ModelManager* models = ModelManager::instance();
    const std::shared_ptr<Project> project = models ? models->currentProject() : nullptr;
    const QString failed = QStringLiteral("Failed to add map layer from ") + fileName;
    if (!project || fileName.isEmpty()) {
        m_errorMessage = failed;
        setSuccessful(false);
        return;
    }
    const QUrl target = QUrl::fromLocalFile(project->folder().absoluteFilePath(fileName));
    if (EditBaseMapCommand::findBaseMap(target)) {
        m_errorMessage = QStringLiteral("%1 already exists in this project").arg(fileName);
        setSuccessful(false);
        return;
    }
    CommandManager* commands = CommandManager::instance();
    const bool executed = commands && commands->execute(m_command);
    m_errorMessage = executed ? QString() : failed;
    setSuccessful(executed);
}

} // namespace kiv
