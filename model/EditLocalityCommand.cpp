#include "model/EditLocalityCommand.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/StorageStep.h"

#include <QDataStream>
#include <QDateTime>

namespace kiv {

namespace {

bool writeLocality(Project& project, Locality& locality)
{
    return runStorageStep("EditLocalityCommand: writing the locality failed:",
                          [&] { return project.syncLocalityDetails(&locality); });
}

} // namespace

bool EditLocalityCommand::serializeIds(QDataStream& stream)
{
    serializeBase(stream);
    stream << QString::fromStdString(m_values.localityId) << static_cast<qint64>(m_values.projectId.value());
    return stream.status() == QDataStream::Ok;
}

bool EditLocalityCommand::unserializeIds(QDataStream& stream)
{
    unserializeBase(stream);
    QString localityId;
    qint64 projectId = 0;
    stream >> localityId >> projectId;
    if (stream.status() != QDataStream::Ok)
        return false;
    m_values.localityId = localityId.toStdString();
    m_values.projectId = ProjectId(static_cast<quint32>(projectId & 0xffffffff));
    return true;
}

bool EditLocalityCommand::serialize(QDataStream& stream)
{
    if (!serializeIds(stream))
        return false;
    const Values& v = m_values;
    stream << static_cast<const LocatedValues&>(v) << v.localityName << v.description << v.colour;
    return stream.status() == QDataStream::Ok;
}

bool EditLocalityCommand::unserialize(QDataStream& stream)
{
    if (!unserializeIds(stream))
        return false;
    Values v = m_values;
    stream >> static_cast<LocatedValues&>(v) >> v.localityName >> v.description >> v.colour;
    if (stream.status() != QDataStream::Ok)
        return false;
    m_values = v;
    return true;
}

void EditLocalityCommand::setFromLocality(std::shared_ptr<Locality> locality)
{
    if (locality)
        copyFrom(*locality);
}

void EditLocalityCommand::copyFrom(const Locality& locality)
{
    m_values.localityId = locality.id();
    m_values.projectId = locality.projectId();
    m_values.copyFrom(locality);
    m_values.localityName = locality.name();
    m_values.description = locality.description();
    m_values.colour = locality.colour();
}

void EditLocalityCommand::writeInto(const Values& v, Locality& locality)
{
    locality.setTimeStamp(v.timeStamp);
    locality.setVisible(v.visible);
    locality.setLatitude(v.latitude);
    locality.setLongitude(v.longitude);
    locality.setAltitude(v.altitude);
    locality.setHorizontalAccuracy(v.horizontalAccuracy);
    locality.setVerticalAccuracy(v.verticalAccuracy);
    locality.setName(v.localityName);
    locality.setDescription(v.description);
    locality.setColour(v.colour);
}

void EditLocalityCommand::exchangeWith(Locality& locality)
{
    // The ids are the same on both sides: the locality was found by them.
    const Values incoming = m_values;
    copyFrom(locality);
    writeInto(incoming, locality);
}

bool EditLocalityCommand::insertLocality()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return false;
    if (m_values.localityId.empty()) {
        ApplicationManager* application = ApplicationManager::instance();
        if (!application)
            return false;
        // Kept, so that undo and the stored row name the same locality.
        m_values.timeStamp = QDateTime::currentSecsSinceEpoch();
        m_values.localityId = application->makeUniqueId(QString()).toStdString();
    }
    if (project->hasLocality(m_values.localityId))
        return false;
    // Written before it joins the list, so a failed write leaves the list as
    // it was.
    auto locality = std::make_shared<Locality>(project->projectId(), m_values.localityId);
    m_values.projectId = project->projectId();
    writeInto(m_values, *locality);
    if (!writeLocality(*project, *locality))
        return false;
    project->addLocality(locality);
    // The project gives a colourless locality its default colour; the
    // command's colour counts, as it does in the stored row.
    locality->setColour(m_values.colour);
    emit project->localityListChanged();
    return true;
}

bool EditLocalityCommand::deleteLocality()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project || m_values.localityId.empty())
        return false;
    const std::shared_ptr<Locality> locality = project->locality(m_values.localityId);
    if (!locality)
        return false;
    if (locality->data().empty() && locality->lines().empty()) {
        runStorageStep("EditLocalityCommand: reading the locality's content failed:",
                       [&] { return project->loadLocalityContent(*locality); });
    }
    const bool heldItems = !locality->data().empty() || !locality->lines().empty();
    if (heldItems)
        setSaveToUndoStack(false);
    // The whole locality, so that undo brings back what was deleted.
    copyFrom(*locality);
    // One savepoint for the data, line and locality rows: a failure keeps
    // them all.
    if (!runStorageStep("EditLocalityCommand: removing the locality failed:",
                        [&] { return project->removeLocality(m_values.localityId); }))
        return false;
    if (heldItems)
        emit project->dataListChanged();
    emit project->localityListChanged();
    return true;
}

bool EditLocalityCommand::swapLocality()
{
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->projectById(m_values.projectId) : nullptr;
    const std::shared_ptr<Locality> locality = project ? project->locality(m_values.localityId) : nullptr;
    if (!locality)
        return false;
    exchangeWith(*locality);
    if (!writeLocality(*project, *locality)) {
        // The row still holds the old values: so must memory.
        exchangeWith(*locality);
        return false;
    }
    emit project->localityListChanged();
    return true;
}

} // namespace kiv
