#pragma once

#include "Database/Task.h"

#include <QString>

#include <memory>

namespace kiv {

class AddBaseMapCommand;
class GLRender;

// Copies a base-map file into the current project on the task's thread, so
// the GUI keeps drawing while a large raster is copied.
class AddLayerTask : public Task
{
    Q_OBJECT

public:
    AddLayerTask(std::shared_ptr<AddBaseMapCommand> command, GLRender* scene);

    void work() override;

    // Why the add failed; empty after a success.
    QString errorMessage() const { return m_errorMessage; }
    GLRender* scene() const { return m_scene; }

private:
    std::shared_ptr<AddBaseMapCommand> m_command;
    GLRender* m_scene = nullptr;
    QString m_errorMessage;
};

} // namespace kiv
