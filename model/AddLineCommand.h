#pragma once

#include "model/EditLineCommand.h"

namespace kiv {

// Adds its line to the line's (or the current) locality; undo deletes it.
class AddLineCommand : public EditLineCommand
{
public:
    explicit AddLineCommand(bool saveToUndoStack = false);

    static QString staticName() { return QStringLiteral("class kiv::AddLineCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
