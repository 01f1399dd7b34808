#include "model/LocatedObject.h"

#include "Database/Quarzel.pb.h"

#include <utility>

namespace kiv {

LocatedObject::LocatedObject(std::string id)
    : AbstractObject(std::move(id))
{
}

LocatedObject::LocatedObject(std::string id, qint64 timeStamp)
    : AbstractObject(std::move(id), timeStamp)
{
}

bool LocatedObject::fromProtoPosition(const QZProtoBuffers::Position& position)
{
    if (!position.IsInitialized())
        return false;
    m_latitude = position.latitude();
    m_longitude = position.longitude();
    m_altitude = position.altitude();
    m_horizontalAccuracy = position.horizontalaccuracy();
    m_verticalAccuracy = position.verticalaccuracy();
    return true;
}

void LocatedObject::toProtoPosition(QZProtoBuffers::Position* position) const
{
    position->set_latitude(m_latitude);
    position->set_longitude(m_longitude);
    position->set_altitude(m_altitude);
    position->set_horizontalaccuracy(m_horizontalAccuracy);
    position->set_verticalaccuracy(m_verticalAccuracy);
}

} // namespace kiv
