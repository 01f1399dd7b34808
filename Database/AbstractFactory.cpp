#include "Database/AbstractFactory.h"

#include "Database/FactoryManager.h"

namespace kiv {

AbstractFactory::AbstractFactory()
{
    FactoryManager::instance();
}

AbstractFactory::~AbstractFactory() = default;

} // namespace kiv
