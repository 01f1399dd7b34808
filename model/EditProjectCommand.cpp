#include "model/EditProjectCommand.h"

#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/StorageStep.h"

#include <QDataStream>

namespace kiv {

bool EditProjectCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    const Values& v = m_values;
    stream << static_cast<qint64>(v.projectId.value()) << v.projectName << v.region << v.description
           << v.localityBaseName << v.timeStamp << v.declination << v.lastLatitude << v.lastLongitude;
    return stream.status() == QDataStream::Ok;
}

bool EditProjectCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    Values v;
    qint64 projectId = 0;
    stream >> projectId >> v.projectName >> v.region >> v.description >> v.localityBaseName >> v.timeStamp
        >> v.declination >> v.lastLatitude >> v.lastLongitude;
    if (stream.status() != QDataStream::Ok)
        return false;
    v.projectId = ProjectId(static_cast<quint32>(projectId & 0xffffffff));
    m_values = v;
    return true;
}

void EditProjectCommand::copyFrom(const Project* project)
{
    if (!project)
        return;
    Values& v = m_values;
    v.projectId = project->projectId();
    v.projectName = project->name();
    v.region = project->region();
    v.description = project->description();
    v.localityBaseName = project->localityBaseName();
    v.timeStamp = project->timeStamp();
    v.declination = project->declination();
    v.lastLatitude = project->lastLatitude();
    v.lastLongitude = project->lastLongitude();
}

void EditProjectCommand::exchangeWith(Project& project)
{
    const Values incoming = m_values;
    copyFrom(&project);
    project.setName(incoming.projectName);
    project.setRegion(incoming.region);
    project.setDescription(incoming.description);
    project.setLocalityBaseName(incoming.localityBaseName);
    project.setTimeStamp(incoming.timeStamp);
    project.setDeclination(incoming.declination);
    project.setLastLatitude(incoming.lastLatitude);
    project.setLastLongitude(incoming.lastLongitude);
}

bool EditProjectCommand::swapProject()
{
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->projectById(m_values.projectId) : nullptr;
    if (!project)
        return false;
    exchangeWith(*project);
    if (!runStorageStep("EditProjectCommand: saving the project failed:", [&] { return project->save(); })) {
        // The row still holds the old values: so must memory.
        exchangeWith(*project);
        return false;
    }
    return true;
}

} // namespace kiv
