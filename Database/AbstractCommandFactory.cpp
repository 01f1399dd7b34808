#include "Database/AbstractCommandFactory.h"

#include "Database/AbstractCommand.h"

#include <stdexcept>

namespace kiv {

AbstractCommandFactory::AbstractCommandFactory(const std::string& productName, bool isDefault)
{
    if (!registry().emplace(productName, this).second) {
        throw std::runtime_error("Two products with name '" + productName
                                 + "' are attempting to register with abstract factory 'AbstractCommandFactory'. "
                                   "Please contact Brackwater with a bug-report.");
    }
    productNames().push_back(productName);
    if (isDefault)
        defaultProductName() = productName;
}

AbstractCommandFactory::~AbstractCommandFactory() = default;

std::shared_ptr<AbstractCommand> AbstractCommandFactory::create(const std::string& productName)
{
    auto& factories = registry();
    if (factories.empty()) {
        throw std::runtime_error(
            "Abstract factory has no registered concrete factory classes. Please contact Brackwater with a bug-report.");
    }
    auto found = factories.find(productName);
    if (found != factories.end())
        return found->second->createCommand();
    const std::string& fallback = defaultProductName();
    if (!fallback.empty()) {
        found = factories.find(fallback);
        if (found != factories.end())
            return found->second->createCommand();
    }
    throw std::runtime_error("Abstract factory does not have the required product name " + productName
                             + " registered. Please contact Brackwater with a bug-report");
}

std::map<std::string, AbstractCommandFactory*>& AbstractCommandFactory::registry()
{
    static std::map<std::string, AbstractCommandFactory*> factories;
    return factories;
}

std::vector<std::string>& AbstractCommandFactory::productNames()
{
    static std::vector<std::string> names;
    return names;
}

std::string& AbstractCommandFactory::defaultProductName()
{
    static std::string name;
    return name;
}

} // namespace kiv
