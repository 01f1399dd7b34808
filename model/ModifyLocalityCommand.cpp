#include "model/ModifyLocalityCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

ModifyLocalityCommand::ModifyLocalityCommand()
{
    setName(staticName());
}

bool ModifyLocalityCommand::execute(CommandManagerContext*)
{
    return swapLocality();
}

bool ModifyLocalityCommand::undo(CommandManagerContext*)
{
    return swapLocality();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifyLocalityCommand)
