#include "model/AddLocalityCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "app/AppContext.h"

namespace kiv {

AddLocalityCommand::AddLocalityCommand()
{
    setName(staticName());
}

bool AddLocalityCommand::execute(CommandManagerContext*)
{
    return insertLocality();
}

bool AddLocalityCommand::undo(CommandManagerContext*)
{
    return deleteLocality();
}

bool AddLocalityCommand::serialize(QDataStream& stream)
{
    return serializeIds(stream);
}

bool AddLocalityCommand::unserialize(QDataStream& stream)
{
    return unserializeIds(stream);
}

void AddLocalityCommand::setLocality(const QString& name, double latitude, double longitude, double altitude,
                                     double horizontalAccuracy, double verticalAccuracy)
{
    if (!AppContext::currentProject())
        return;
    setLocalityName(name);
    setDescription(QString());
    setLatitude(latitude);
    setLongitude(longitude);
    setAltitude(altitude);
    setHorizontalAccuracy(horizontalAccuracy);
    setVerticalAccuracy(verticalAccuracy);
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(AddLocalityCommand)
