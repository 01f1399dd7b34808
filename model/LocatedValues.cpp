#include "model/LocatedValues.h"

#include "model/LocatedObject.h"

#include <QDataStream>

namespace kiv {

void LocatedValues::copyFrom(const LocatedObject& object)
{
    timeStamp = object.timeStamp();
    visible = object.isVisible();
    latitude = object.latitude();
    longitude = object.longitude();
    altitude = object.altitude();
    horizontalAccuracy = object.horizontalAccuracy();
    verticalAccuracy = object.verticalAccuracy();
}

QDataStream& operator<<(QDataStream& stream, const LocatedValues& values)
{
    return stream << values.timeStamp << values.visible << values.latitude << values.longitude << values.altitude
                  << values.horizontalAccuracy << values.verticalAccuracy;
}

QDataStream& operator>>(QDataStream& stream, LocatedValues& values)
{
    return stream >> values.timeStamp >> values.visible >> values.latitude >> values.longitude >> values.altitude
        >> values.horizontalAccuracy >> values.verticalAccuracy;
}

} // namespace kiv
