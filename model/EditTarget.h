#pragma once

#include <memory>
#include <string>

namespace kiv {

class Locality;
class Project;

// Where the edit commands act: the current project and one of its
// localities.
class EditTarget
{
public:
    // The project's locality of that id; with an empty id, the current
    // locality when it belongs to the project.
    static std::shared_ptr<Locality> locality(const Project& project, const std::string& localityId);
};

} // namespace kiv
