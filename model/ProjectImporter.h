#pragma once

#include "model/MergeJournal.h"
#include "model/Project.h"

#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kiv {

class Data;
class LocatedObject;
class Locality;
class Task;

// Merges another project into a target project: units and symbols by name,
// base maps with their files, localities with their data and lines under new
// ids, all in one transaction of the target's database. A failure or a
// cancel puts the target back as it was. The target's lists in memory are
// never written during the merge: units, symbols and base maps are merged
// into copies, and they and the merged localities join the target at the end
// of a run on the target's thread; a run on another thread leaves them to the
// caller (takeMergedLists, takeMergedLocalities), so that the lists the
// screens read never change under them.
class ProjectImporter
{
public:
    using IdMap = std::map<unsigned, unsigned>;

    // The target's strat column, symbols and base maps as the merge makes them.
    struct Lists
    {
        std::vector<Project::RockUnit> rockUnits;
        int nextUnitId = 1;
        std::vector<Project::Symbol> symbols;
        std::vector<Project::BaseMap> baseMaps;
    };

    ProjectImporter(Project* target, Task* task);
    virtual ~ProjectImporter();

    ProjectImporter(const ProjectImporter&) = delete;
    ProjectImporter& operator=(const ProjectImporter&) = delete;

    // False, with the target restored, on failure or cancel; refuses a null
    // source and the target itself.
    bool run(Project* source, bool copyImages, bool copyMaps);
    bool merge(Project* source, bool copyImages, bool copyMaps);
    void rollback();

    static void mergeRockUnits(Lists& target, const Project* source, IdMap& units);
    static void mergeSymbols(Lists& target, const Project* source, IdMap& symbols);
    // Time stamp, visibility and the whole position.
    static void copyLocatedFields(LocatedObject* object, const LocatedObject* source);
    // The local time as ctime writes it, English names in any locale.
    static QString importDateText();

    // True when the last run merged nothing because records of the source
    // could not be read.
    bool sourceUnreadable() const { return m_sourceUnreadable; }

    // The localities a successful run on another thread merged, for the
    // caller to add on the target's thread (Project::addLocalities).
    Project::LocalityList takeMergedLocalities();
    // The lists a successful run on another thread made; empty otherwise.
    std::optional<Lists> takeMergedLists();
    // On the target's thread: the lists take the place of the target's own,
    // announcing nothing.
    static void applyLists(Project& target, Lists lists);

protected:
    virtual std::string createId(const std::string& hint);
    // True when the task was cancelled.
    virtual bool reportProgress(int percent);
    // Gives a filled copy its name in the target; false leaves it uncopied.
    virtual bool placeCopy(const QString& part, const QString& destination);

private:
    struct Merge;

    bool step(Merge& merge);
    bool mergeBaseMaps(Merge& merge);
    // Writes the project row with the merged lists.
    bool saveTarget();
    bool copyBaseMap(const Merge& merge, const Project::BaseMap& baseMap);
    bool mergeLocality(Merge& merge, Locality& sourceLocality);
    bool mergeDatum(Merge& merge, Locality& locality, const Data& datum);
    bool mergeImage(Merge& merge, const Locality& locality, const Data& datum, std::shared_ptr<Data>& created);
    // Copies an image of the source under a new name into the target's
    // images folder; a missing source is no error but leaves found false.
    bool copyImage(const Merge& merge, const QString& name, QString& newName, bool& found);
    bool copyFile(const QString& source, const QString& destination);
    bool mergeLines(Merge& merge, Locality& locality, const Locality& sourceLocality);
    // False when a record of the source could not be read.
    static bool loadSource(Project& source);
    bool beginTransaction();
    bool commitTransaction();
    // False when there was no transaction left to roll back.
    bool undoTransaction();
    bool transactionLost() const;

    Project* m_target = nullptr;
    Task* m_task = nullptr;
    std::optional<Lists> m_lists;
    Project::LocalityList m_mergedLocalities;
    QStringList m_copiedFiles;
    MergeJournal m_journal;
    bool m_inTransaction = false;
    bool m_sourceUnreadable = false;
};

} // namespace kiv
