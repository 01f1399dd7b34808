#pragma once

#include "model/EditLineCommand.h"

namespace kiv {

// Deletes the line of its line's id; undo inserts its line again.
class RemoveLineCommand : public EditLineCommand
{
public:
    explicit RemoveLineCommand(bool saveToUndoStack = false);

    static QString staticName() { return QStringLiteral("class kiv::RemoveLineCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
