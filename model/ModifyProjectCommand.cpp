#include "model/ModifyProjectCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

ModifyProjectCommand::ModifyProjectCommand()
{
    setName(staticName());
}

bool ModifyProjectCommand::execute(CommandManagerContext*)
{
    return swapProject();
}

bool ModifyProjectCommand::undo(CommandManagerContext*)
{
    return swapProject();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(ModifyProjectCommand)
