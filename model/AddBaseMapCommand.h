#pragma once

#include "model/EditBaseMapCommand.h"

namespace kiv {

// Copies a map file into the current project's folder and registers it. Runs
// on the layer task's worker thread: it makes no QObject, and its signals
// reach GUI receivers queued.
class AddBaseMapCommand : public EditBaseMapCommand
{
public:
    AddBaseMapCommand();

    static QString staticName() { return QStringLiteral("class kiv::AddBaseMapCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
