#include "support/TestCommand.h"

#include "Database/AbstractCommandFactory.h"

#include <QDataStream>

namespace kiv {

TestCommand::TestCommand()
{
    setName(staticName());
}

TestCommand::TestCommand(qint32 id, bool flagged, bool failExecute, bool failSerialize)
    : m_id(id)
    , m_failExecute(failExecute)
    , m_failSerialize(failSerialize)
{
    setName(staticName());
    setSaveToUndoStack(flagged);
}

QStringList& TestCommand::journal()
{
    static QStringList entries;
    return entries;
}

bool TestCommand::execute(CommandManagerContext*)
{
    journal() << QStringLiteral("x%1").arg(m_id);
    return !m_failExecute;
}

bool TestCommand::undo(CommandManagerContext*)
{
    journal() << QStringLiteral("u%1").arg(m_id);
    return true;
}

bool TestCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << m_id;
    return !m_failSerialize;
}

bool TestCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    stream >> m_id;
    return true;
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(TestCommand)
