#pragma once

#include <QDir>
#include <QString>

#include <memory>
#include <vector>

namespace kiv {

class Project;

// The user's project folders, projects outside the projects root included,
// kept in the application settings as one serialised index record.
class Index
{
public:
    static const QString Key;

    // Stores an empty index when the settings hold none.
    Index();

    // The indexed folders that still exist and hold main.db, in stored order.
    std::vector<QDir> load() const;
    // Replaces the stored index with the projects' folders, in list order.
    void save(const std::vector<std::shared_ptr<Project>>& projects);
};

} // namespace kiv
