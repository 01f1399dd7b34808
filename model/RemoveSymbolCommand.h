#pragma once

#include "model/EditSymbolCommand.h"

#include <QStringList>

namespace kiv {

// Removes an unlocked symbol from the current project. Its data fall back to
// a default symbol of their kind; undo appends the symbol at the end of the
// list and gives them their symbol again.
class RemoveSymbolCommand : public EditSymbolCommand
{
public:
    RemoveSymbolCommand();

    static QString staticName() { return QStringLiteral("class kiv::RemoveSymbolCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    void setSymbolId(int symbolId) { m_symbolId = symbolId; }
    const QStringList& affectedDataIds() const { return m_affectedDataIds; }

private:
    // The symbol the removed one's data get: "Bedding" for planes, the
    // default sighting symbol for sightings, "Lineation" otherwise.
    int replacementId(Project& project) const;
    std::vector<std::shared_ptr<Data>> dataWithSymbol(const Project& project) const;
    std::vector<std::shared_ptr<Data>> affectedData(const Project& project) const;

    QStringList m_affectedDataIds;
};

} // namespace kiv
