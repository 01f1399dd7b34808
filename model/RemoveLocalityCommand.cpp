#include "model/RemoveLocalityCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

RemoveLocalityCommand::RemoveLocalityCommand()
{
    setName(staticName());
}

bool RemoveLocalityCommand::execute(CommandManagerContext*)
{
    return deleteLocality();
}

bool RemoveLocalityCommand::undo(CommandManagerContext*)
{
    return insertLocality();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(RemoveLocalityCommand)
