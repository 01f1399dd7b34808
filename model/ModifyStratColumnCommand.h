#pragma once

#include "Database/AbstractCommand.h"
#include "model/Project.h"

#include <vector>

namespace kiv {

// Exchanges its list of rock units with the current project's and saves the
// project row, so running it twice restores the strat column.
class ModifyStratColumnCommand : public AbstractCommand
{
public:
    using Units = std::vector<Project::RockUnit>;

    ModifyStratColumnCommand();

    static QString staticName() { return QStringLiteral("class kiv::ModifyStratColumnCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Takes the units and the model manager's current rock unit (-1 without
    // a model manager).
    void setFromModel(const Units& units);

    const Units& units() const { return m_units; }
    void setUnits(const Units& units) { m_units = units; }
    // The unit made current after each run; -1 leaves the current unit.
    int currentUnit() const { return m_currentUnit; }
    void setCurrentUnit(int unit) { m_currentUnit = unit; }

private:
    bool swapUnits();

    Units m_units;
    int m_currentUnit = -1;
};

} // namespace kiv
