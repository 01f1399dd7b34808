#pragma once

#include "model/EditLocalityCommand.h"

namespace kiv {

// Deletes a locality with its data and lines; undo brings back the bare
// locality.
class RemoveLocalityCommand : public EditLocalityCommand
{
public:
    RemoveLocalityCommand();

    static QString staticName() { return QStringLiteral("class kiv::RemoveLocalityCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
