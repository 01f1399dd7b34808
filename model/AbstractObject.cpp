#include "model/AbstractObject.h"

#include <QDateTime>

#include <utility>

namespace kiv {

AbstractObject::AbstractObject(std::string id)
    : m_id(std::move(id))
    , m_timeStamp(QDateTime::currentSecsSinceEpoch())
{
}

AbstractObject::AbstractObject(std::string id, qint64 timeStamp)
    : m_id(std::move(id))
    , m_timeStamp(timeStamp)
{
}

AbstractObject::~AbstractObject() = default;

} // namespace kiv
