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
    // The names of the files in the project folder.
    static constexpr const char* LocalitiesFile = "localities.csv";
    static constexpr const char* PlanesFile = "plane.csv";
    static constexpr const char* LineationsFile = "line.csv";
    static constexpr const char* SightingsFile = "sighting.csv";
    static constexpr const char* ImagesFile = "image.csv";
    static constexpr const char* NotesFile = "note.csv";
    static constexpr const char* LinePointsFile = "polyline.csv";
    static constexpr const char* LineAttributesFile = "polyline-attributes.csv";
    static constexpr const char* StratColumnFile = "stratcolumn.csv";
    static constexpr const char* RockUnitsFile = "rock-units.csv";

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
