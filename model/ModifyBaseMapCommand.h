#pragma once

#include "model/EditBaseMapCommand.h"

namespace kiv {

// Swaps a base map's opacity and place with the command's; running it again
// restores them.
class ModifyBaseMapCommand : public EditBaseMapCommand
{
public:
    ModifyBaseMapCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifyBaseMapCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;

private:
    bool swapSettings();
};

} // namespace kiv
