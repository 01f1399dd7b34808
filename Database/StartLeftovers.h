#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kiv {

// What writers stopped midway (the program killed) left behind, settled once
// at a start while no other instance can be writing. It knows no names: each
// writer feeds the rule that knows its own (parts, journals, working
// folders), for every project folder or for places of its own, and only what
// such a rule names is ever touched.
class StartLeftovers
{
public:
    // Settles one project folder; returns how many files it removed or put back.
    using ProjectRule = std::function<int(const QDir& project)>;
    // Settles places outside the projects; returns the same.
    using Rule = std::function<int()>;

    void addProjectRule(ProjectRule rule);
    void addRule(Rule rule);

    // Runs every rule once: the project rules on each project folder in
    // documentsFolder (*.qz) and in projectFolders (indexed projects kept
    // elsewhere), each once; a link under a project's name is not the
    // program's and is left out. Returns the sum of what the rules settled.
    int settle(const QString& documentsFolder, const QStringList& projectFolders = {}) const;

    // The project folders settle() visits.
    static QStringList projectFolders(const QString& documentsFolder, const QStringList& given);

private:
    std::vector<ProjectRule> m_projectRules;
    std::vector<Rule> m_rules;
};

} // namespace kiv
