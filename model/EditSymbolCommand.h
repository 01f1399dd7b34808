#pragma once

#include "Database/AbstractCommand.h"

#include <QString>

#include <memory>
#include <vector>

namespace kiv {

class Data;
class Project;

// One symbol record of the current project, and the append, erase and
// retagging steps that the add, remove and modify commands share. Every
// step that fails puts back what it changed in memory, so that memory keeps
// matching main.db.
class EditSymbolCommand : public AbstractCommand
{
public:
    // Icon ids below 13 are plane symbols, 13 to 19 line symbols, the rest
    // sightings.
    static int symbolTypeForIcon(int iconId);

    int symbolId() const { return m_symbolId; }
    const QString& symbolName() const { return m_symbolName; }
    int iconId() const { return m_iconId; }
    int symbolType() const { return m_symbolType; }

protected:
    // A datum whose symbol id a command changed, with the id it had before.
    struct Retagged
    {
        std::shared_ptr<Data> data;
        int previousSymbolId = 0;
    };

    static std::shared_ptr<Project> targetProject();
    // The index of the record with that id in the project's list, -1 when absent.
    static int indexOf(const Project& project, int symbolId);
    static bool saveProject(Project& project);

    // Appends the command's record, unlocked; saves.
    bool appendSymbol(Project& project);
    // Erases the command's record keeping the others' order; saves.
    bool eraseSymbol(Project& project);
    // Gives each datum the symbol id and writes it; on a failed write the
    // data already changed get their old ids back and false is returned.
    static bool retagData(Project& project, const std::vector<std::shared_ptr<Data>>& data, int symbolId,
                          std::vector<Retagged>& retagged);
    // Best effort: the write may fail again for the reason the step failed.
    static void restoreData(Project& project, const std::vector<Retagged>& retagged);

    int m_symbolId = 0;
    QString m_symbolName;
    int m_iconId = 0;
    int m_symbolType = 0;
};

} // namespace kiv
