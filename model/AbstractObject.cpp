#include "model/AbstractObject.h"

#include <QDateTime>

#include <utility>

namespace kiv {

AbstractObject::AbstractObject(std::string id)
    : m_id(std::move(id))
    , m_timeStamp(QDateTime::currentSecsSinceEpoch())
{
}

AbstractObject::~AbstractObject() = default;

} // namespace kiv
