#pragma once

#include "model/EditSymbolCommand.h"

namespace kiv {

// Adds a symbol to the current project under a new id: one more than the
// largest in use, or the command's own id when a repeated run finds it free.
class AddSymbolCommand : public EditSymbolCommand
{
public:
    AddSymbolCommand();

    static QString staticName() { return QStringLiteral("class kiv::AddSymbolCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // The symbol type follows from the icon.
    void setSymbol(const QString& name, int iconId);
};

} // namespace kiv
