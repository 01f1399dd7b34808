#include "model/AddLineCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

AddLineCommand::AddLineCommand(bool saveToUndoStack)
{
    setName(staticName());
    setSaveToUndoStack(saveToUndoStack);
}

bool AddLineCommand::execute(CommandManagerContext*)
{
    return insertLine();
}

bool AddLineCommand::undo(CommandManagerContext*)
{
    return deleteLine();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(AddLineCommand)
