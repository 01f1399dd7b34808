#include "model/AddSymbolCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "model/Project.h"

#include <QDataStream>

namespace kiv {

AddSymbolCommand::AddSymbolCommand()
{
    setName(staticName());
}

void AddSymbolCommand::setSymbol(const QString& name, int iconId)
{
    m_symbolName = name;
    m_iconId = iconId;
    m_symbolType = symbolTypeForIcon(iconId);
}

bool AddSymbolCommand::execute(CommandManagerContext*)
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project)
        return false;
    for (const Project::Symbol& symbol : project->symbols()) {
        if (m_symbolId <= symbol.id)
            m_symbolId = symbol.id + 1;
    }
    if (!appendSymbol(*project))
        return false;
    emit project->symbolsChanged();
    return true;
}

bool AddSymbolCommand::undo(CommandManagerContext*)
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project || !eraseSymbol(*project))
        return false;
    emit project->symbolsChanged();
    return true;
}

bool AddSymbolCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << qint32(m_symbolId);
    return stream.status() == QDataStream::Ok;
}

bool AddSymbolCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    qint32 symbolId = 0;
    stream >> symbolId;
    if (stream.status() != QDataStream::Ok)
        return false;
    m_symbolId = symbolId;
    return true;
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(AddSymbolCommand)
