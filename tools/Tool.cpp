#include "tools/Tool.h"

#include "app/ApplicationManager.h"

namespace kiv {

Tool::Tool(QObject* parent)
    : QObject(parent)
{
}

Tool::~Tool()
{
    ApplicationManager* manager = ApplicationManager::instance();
    if (manager && manager->currentTool() == this)
        manager->setCurrentTool(nullptr);
}

} // namespace kiv
