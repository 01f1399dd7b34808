#include "model/EditSymbolCommand.h"

#include "app/AppContext.h"
#include "model/Data.h"
#include "model/Project.h"
#include "model/StorageStep.h"

namespace kiv {

int EditSymbolCommand::symbolTypeForIcon(int iconId)
{
    if (iconId < Project::Lineation)
        return Project::Plane;
    if (iconId < Project::Sighting)
        return Project::Line;
    return Project::SightingType;
}

std::shared_ptr<Project> EditSymbolCommand::targetProject()
{
    return AppContext::currentProject();
}

int EditSymbolCommand::indexOf(const Project& project, int symbolId)
{
    const std::vector<Project::Symbol>& symbols = project.symbols();
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        if (symbols[i].id == symbolId)
            return static_cast<int>(i);
    }
    return -1;
}

bool EditSymbolCommand::saveProject(Project& project)
{
    return runStorageStep("EditSymbolCommand: saving the project failed:", [&] { return project.save(); });
}

bool EditSymbolCommand::appendSymbol(Project& project)
{
    project.symbols().push_back({m_symbolId, m_symbolName, m_iconId, m_symbolType, false});
    if (!saveProject(project)) {
        project.symbols().pop_back();
        return false;
    }
    return true;
}

bool EditSymbolCommand::eraseSymbol(Project& project)
{
    const int index = indexOf(project, m_symbolId);
    if (index < 0)
        return false;
    std::vector<Project::Symbol>& symbols = project.symbols();
    const Project::Symbol erased = symbols[std::size_t(index)];
    symbols.erase(symbols.begin() + index);
    if (!saveProject(project)) {
        symbols.insert(symbols.begin() + index, erased);
        return false;
    }
    return true;
}

bool EditSymbolCommand::retagData(Project& project, const std::vector<std::shared_ptr<Data>>& data, int symbolId,
                                  std::vector<Retagged>& retagged)
{
    for (const std::shared_ptr<Data>& datum : data) {
        retagged.push_back({datum, datum->symbolId()});
        datum->setSymbolId(symbolId);
        if (!runStorageStep("EditSymbolCommand: writing a datum failed:",
                            [&] { return project.syncDataDetails(datum); })) {
            restoreData(project, retagged);
            retagged.clear();
            return false;
        }
    }
    return true;
}

void EditSymbolCommand::restoreData(Project& project, const std::vector<Retagged>& retagged)
{
    for (auto it = retagged.rbegin(); it != retagged.rend(); ++it) {
        it->data->setSymbolId(it->previousSymbolId);
        runStorageStep("EditSymbolCommand: restoring a datum failed:",
                       [&] { return project.syncDataDetails(it->data); });
    }
}

} // namespace kiv
