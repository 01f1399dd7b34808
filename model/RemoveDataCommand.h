#pragma once

#include "model/EditDataCommand.h"

namespace kiv {

// Deletes the datum of dataId; undo inserts it again with its id and time.
class RemoveDataCommand : public EditDataCommand
{
public:
    RemoveDataCommand();

    static QString staticName() { return QStringLiteral("class kiv::RemoveDataCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
