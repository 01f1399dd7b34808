#pragma once

#include "model/EditProjectCommand.h"

namespace kiv {

// Exchanges its fields with those of its project and saves the project row,
// so running it twice restores the project.
class ModifyProjectCommand : public EditProjectCommand
{
public:
    ModifyProjectCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifyProjectCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;

    void setFromProject(Project* project) { copyFrom(project); }
};

} // namespace kiv
