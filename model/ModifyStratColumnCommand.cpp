#include "model/ModifyStratColumnCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "app/AppContext.h"
#include "model/ModelManager.h"
#include "model/StorageStep.h"

#include <QDataStream>

namespace kiv {

ModifyStratColumnCommand::ModifyStratColumnCommand()
{
    setName(staticName());
}

bool ModifyStratColumnCommand::execute(CommandManagerContext*)
{
    return swapUnits();
}

bool ModifyStratColumnCommand::undo(CommandManagerContext*)
{
    return swapUnits();
}

bool ModifyStratColumnCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << static_cast<qint32>(m_currentUnit) << static_cast<qint32>(m_units.size());
    for (const Project::RockUnit& unit : m_units) {
        stream << static_cast<qint64>(static_cast<quint32>(unit.id)) << unit.name << unit.colour
               << static_cast<qint8>(unit.type);
    }
    return stream.status() == QDataStream::Ok;
}

bool ModifyStratColumnCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    qint32 currentUnit = -1;
    qint32 count = 0;
    stream >> currentUnit >> count;
    Units units;
    // The count is only trusted as far as units can be read: a damaged one
    // must not decide how much memory is taken.
    for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        qint64 id = 0;
        Project::RockUnit unit;
        qint8 type = 0;
        stream >> id >> unit.name >> unit.colour >> type;
        if (stream.status() != QDataStream::Ok)
            break;
        unit.id = static_cast<int>(static_cast<quint32>(id & 0xffffffff));
        unit.type = type;
        units.push_back(unit);
    }
    if (stream.status() != QDataStream::Ok)
        return false;
    m_currentUnit = currentUnit;
    m_units = std::move(units);
    return true;
}

void ModifyStratColumnCommand::setFromModel(const Units& units)
{
    m_units = units;
    ModelManager* manager = ModelManager::instance();
    m_currentUnit = manager ? manager->currentRockUnit() : -1;
}

bool ModifyStratColumnCommand::swapUnits()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return false;
    std::swap(m_units, project->rockUnits());
    // The swapped-in units bypass addRockUnit: a later unit must not reuse
    // one of their ids.
    for (const Project::RockUnit& unit : project->rockUnits())
        project->updateNextUnitId(unit.id);
    if (!runStorageStep("ModifyStratColumnCommand: saving the project failed:", [&] { return project->save(); })) {
        std::swap(m_units, project->rockUnits());
        return false;
    }
    emit project->stratColumnChanged();
    if (m_currentUnit != -1) {
        if (ModelManager* manager = ModelManager::instance())
            manager->setCurrentRockUnit(m_currentUnit);
    }
    return true;
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifyStratColumnCommand)
