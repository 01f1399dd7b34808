#include "model/ModifyBaseMapCommand.h"

#include "Database/AbstractCommandFactory.h"

namespace kiv {

ModifyBaseMapCommand::ModifyBaseMapCommand()
{
    setName(staticName());
}

bool ModifyBaseMapCommand::execute(CommandManagerContext*)
{
    return swapSettings();
}

bool ModifyBaseMapCommand::undo(CommandManagerContext*)
{
    return swapSettings();
}

bool ModifyBaseMapCommand::swapSettings()
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project)
        return false;
    const int place = indexOf(*project, m_url);
    const int count = static_cast<int>(project->baseMaps().size());
    // A place outside the list would be ignored while the command reported a change.
    if (place < 0 || m_index < -1 || m_index >= count)
        return false;
    const double oldOpacity = project->baseMaps()[std::size_t(place)].opacity;
    const bool moves = m_index != -1 && m_index != place;
    if (!moves && oldOpacity == m_opacity)
        return false;
    project->baseMaps()[std::size_t(place)].opacity = m_opacity;
    if (moves)
        project->moveBaseMap(place, m_index);
    if (!saveProject(*project)) {
        if (moves)
            project->moveBaseMap(m_index, place);
        project->baseMaps()[std::size_t(place)].opacity = oldOpacity;
        return false;
    }
    m_index = place;
    m_opacity = oldOpacity;
    emit project->baseMapsChanged();
    return true;
}

} // namespace kiv
KIV_REGISTER_COMMAND_FACTORY(ModifyBaseMapCommand)
