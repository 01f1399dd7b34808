#pragma once

namespace kiv {

class Project;

// Writes a project as ten comma-separated files into its own folder: the
// localities, one file per kind of point datum, the line points and line
// attributes, the strat column in the layout its import reads and the rock
// units.
class AbstractCSVExporter
{
public:
    AbstractCSVExporter() = default;
    virtual ~AbstractCSVExporter();

    AbstractCSVExporter(const AbstractCSVExporter&) = delete;
    AbstractCSVExporter& operator=(const AbstractCSVExporter&) = delete;

    // Writes and announces all ten files; false when any of them could not
    // be created, written or closed (the others are written all the same).
    bool exportProject(Project& project);
    // False for a null project.
    bool exportProject(Project* project);
};

} // namespace kiv
