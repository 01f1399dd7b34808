#include "tools/ProjectTool.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "model/ModifyProjectCommand.h"
#include "model/Project.h"

#include <QDebug>

#include <cmath>

namespace kiv {

namespace {

// The stored record keeps only declinations within [-180, 180]; anything
// else would look saved and be gone after a reload. 999 means none.
bool parseDeclination(const QString& text, float& value)
{
    bool ok = false;
    const double parsed = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    if (parsed == static_cast<double>(Project::NoDeclination)) {
        value = Project::NoDeclination;
        return true;
    }
    if (parsed < -180.0 || parsed > 180.0)
        return false;
    value = static_cast<float>(parsed);
    return true;
}

} // namespace

ProjectTool::ProjectTool(QObject* parent)
    : Tool(parent)
{
}

bool ProjectTool::refuse()
{
    emit saveSuccessful(false);
    return false;
}

bool ProjectTool::save(const QString& name, const QString& declination, const QString& localityBaseName,
                       const QString& description)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project) {
        qWarning() << "No project!";
        return refuse();
    }
    float declinationValue = Project::NoDeclination;
    if (!parseDeclination(declination, declinationValue)) {
        qWarning() << "Unable to parse declination!";
        return refuse();
    }
    bool valid = true;
    if (name.isEmpty()) {
        qWarning() << "Invalid project name!";
        valid = false;
    }
    if (localityBaseName.isEmpty()) {
        qWarning() << "Invalid localityBaseName!";
        valid = false;
    }
    if (!valid)
        return refuse();

    auto command = std::make_shared<ModifyProjectCommand>();
    command->setFromProject(project.get());
    command->setProjectName(name);
    command->setDeclination(declinationValue);
    command->setLocalityBaseName(localityBaseName);
    command->setDescription(description.isNull() ? QString(QLatin1String("")) : description);
    if (!AppContext::runCommand(command))
        return refuse();
    emit saveSuccessful(true);
    return true;
}

} // namespace kiv
