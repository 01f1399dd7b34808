#pragma once

#include "Database/AbstractFactory.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kiv {

class AbstractCommand;

// The named-product registry of commands. The registry lives in
// function-local statics, so factories may register from static objects in
// any translation unit.
class AbstractCommandFactory : public AbstractFactory
{
public:
    AbstractCommandFactory(const std::string& productName, bool isDefault);
    ~AbstractCommandFactory() override;

    virtual std::shared_ptr<AbstractCommand> createCommand() = 0;
    virtual AbstractCommand* createRawCommand() = 0;

    static std::shared_ptr<AbstractCommand> create(const std::string& productName);

    static std::map<std::string, AbstractCommandFactory*>& registry();
    static std::vector<std::string>& productNames();
    static std::string& defaultProductName();
};

// The factory of one command class, keyed by the class's staticName().
template <typename Command>
class TCommandFactory : public AbstractCommandFactory
{
public:
    TCommandFactory()
        : AbstractCommandFactory(Command::staticName().toStdString(), false)
    {
    }

    std::shared_ptr<AbstractCommand> createCommand() override { return std::make_shared<Command>(); }
    AbstractCommand* createRawCommand() override { return new Command(); }
};

} // namespace kiv

// Declares the factory class <Command>Factory in the global namespace and its
// one static instance. Use in the command's .cpp file, outside any namespace.
#define KIV_REGISTER_COMMAND_FACTORY(Command)                                                                          \
    class Command##Factory : public ::kiv::TCommandFactory<::kiv::Command>                                             \
    {                                                                                                                  \
    };                                                                                                                 \
    static Command##Factory the##Command##Factory;
