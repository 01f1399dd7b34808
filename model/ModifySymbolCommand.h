#pragma once

#include "model/EditSymbolCommand.h"

namespace kiv {

// Exchanges its name and icon with those of a symbol of the current project
// and saves, so running it twice restores the symbol. The type stays.
class ModifySymbolCommand : public EditSymbolCommand
{
public:
    ModifySymbolCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifySymbolCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    void setSymbol(int symbolId, const QString& name, int iconId);

private:
    bool swapSymbol();
};

} // namespace kiv
