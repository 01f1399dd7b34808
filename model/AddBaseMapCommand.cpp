#include "model/AddBaseMapCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

AddBaseMapCommand::AddBaseMapCommand()
{
    setName(staticName());
}

bool AddBaseMapCommand::execute(CommandManagerContext*)
{
    return addMap();
}

bool AddBaseMapCommand::undo(CommandManagerContext*)
{
    return removeMap();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(AddBaseMapCommand)
