#include "tools/AbstractLocationManager.h"

namespace kiv {

AbstractLocationManager::AbstractLocationManager(QObject* parent)
    : QObject(parent)
{
}

AbstractLocationManager::~AbstractLocationManager() = default;

} // namespace kiv
