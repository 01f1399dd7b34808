#include "Database/CommandManagerContext.h"

namespace kiv {

CommandManagerContext::CommandManagerContext(CommandManager* manager)
    : m_manager(manager)
{
}

} // namespace kiv
