#pragma once

#include "model/EditLineCommand.h"

namespace kiv {

// Writes its line over the live line of the same id and keeps the replaced
// state, so running it twice restores the line.
class ModifyLineCommand : public EditLineCommand
{
public:
    explicit ModifyLineCommand(bool saveToUndoStack = false);

    static QString staticName() { return QStringLiteral("class kiv::ModifyLineCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
