#include "model/ModifySymbolCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "model/Project.h"

#include <QDataStream>

#include <utility>

namespace kiv {

ModifySymbolCommand::ModifySymbolCommand()
{
    setName(staticName());
}

void ModifySymbolCommand::setSymbol(int symbolId, const QString& name, int iconId)
{
    m_symbolId = symbolId;
    m_symbolName = name;
    m_iconId = iconId;
}

bool ModifySymbolCommand::execute(CommandManagerContext*)
{
    return swapSymbol();
}

bool ModifySymbolCommand::undo(CommandManagerContext*)
{
    return swapSymbol();
}

bool ModifySymbolCommand::swapSymbol()
{
    const std::shared_ptr<Project> project = targetProject();
    const int index = project ? indexOf(*project, m_symbolId) : -1;
    if (index < 0)
        return false;
    Project::Symbol& symbol = project->symbols()[std::size_t(index)];
    const auto exchange = [&] {
        std::swap(symbol.name, m_symbolName);
        std::swap(symbol.iconId, m_iconId);
    };
    exchange();
    if (!saveProject(*project)) {
        exchange();
        return false;
    }
    emit project->symbolsChanged();
    return true;
}

bool ModifySymbolCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << qint32(m_symbolId) << m_symbolName << qint32(m_iconId);
    return stream.status() == QDataStream::Ok;
}

bool ModifySymbolCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    qint32 symbolId = 0;
    QString name;
    qint32 iconId = 0;
    stream >> symbolId >> name >> iconId;
    if (stream.status() != QDataStream::Ok)
        return false;
    setSymbol(symbolId, name, iconId);
    return true;
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifySymbolCommand)
