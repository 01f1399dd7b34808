#pragma once

#include <list>
#include <memory>

namespace kiv {

class AbstractCommand;
class CommandManager;

// One batch: the commands still to run in it, in order.
class CommandManagerContext
{
public:
    explicit CommandManagerContext(CommandManager* manager);

    CommandManager* manager() const { return m_manager; }
    std::list<std::shared_ptr<AbstractCommand>>& pending() { return m_pending; }

private:
    CommandManager* m_manager;
    std::list<std::shared_ptr<AbstractCommand>> m_pending;
};

} // namespace kiv
