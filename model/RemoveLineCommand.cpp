#include "model/RemoveLineCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

RemoveLineCommand::RemoveLineCommand(bool saveToUndoStack)
{
    setName(staticName());
    setSaveToUndoStack(saveToUndoStack);
}

bool RemoveLineCommand::execute(CommandManagerContext*)
{
    return deleteLine();
}

bool RemoveLineCommand::undo(CommandManagerContext*)
{
    return insertLine();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(RemoveLineCommand)
