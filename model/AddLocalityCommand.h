#pragma once

#include "model/EditLocalityCommand.h"

namespace kiv {

// Adds a locality to the current project. Only the name and the two ids are
// stored.
class AddLocalityCommand : public EditLocalityCommand
{
public:
    AddLocalityCommand();

    static QString staticName() { return QStringLiteral("class kiv::AddLocalityCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Does nothing without a current project.
    void setLocality(const QString& name, double latitude, double longitude, double altitude,
                     double horizontalAccuracy, double verticalAccuracy);
};

} // namespace kiv
