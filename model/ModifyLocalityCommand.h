#pragma once

#include "model/EditLocalityCommand.h"

namespace kiv {

// Exchanges its values with the live locality of its project, so running it
// twice restores the locality.
class ModifyLocalityCommand : public EditLocalityCommand
{
public:
    ModifyLocalityCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifyLocalityCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
