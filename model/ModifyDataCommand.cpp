#include "model/ModifyDataCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

ModifyDataCommand::ModifyDataCommand()
{
    setName(staticName());
}

bool ModifyDataCommand::execute(CommandManagerContext*)
{
    return swapData();
}

bool ModifyDataCommand::undo(CommandManagerContext*)
{
    return swapData();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifyDataCommand)
