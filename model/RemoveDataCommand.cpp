#include "model/RemoveDataCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

RemoveDataCommand::RemoveDataCommand()
{
    setName(staticName());
}

bool RemoveDataCommand::execute(CommandManagerContext*)
{
    return deleteData();
}

bool RemoveDataCommand::undo(CommandManagerContext*)
{
    return insertData();
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(RemoveDataCommand)
