#include "model/ModifyLineCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

ModifyLineCommand::ModifyLineCommand(bool saveToUndoStack)
{
    setName(staticName());
    setSaveToUndoStack(saveToUndoStack);
}

bool ModifyLineCommand::execute(CommandManagerContext*)
{
    return swapLine();
}

bool ModifyLineCommand::undo(CommandManagerContext*)
{
    return swapLine();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifyLineCommand)
