#pragma once

#include "model/EditDataCommand.h"

namespace kiv {

// Exchanges its values with the live datum, so running it twice restores
// the datum. Altitude and declination are never written; an image path
// makes a note an image and an empty one an image a note.
class ModifyDataCommand : public EditDataCommand
{
public:
    ModifyDataCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifyDataCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
};

} // namespace kiv
