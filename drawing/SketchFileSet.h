#pragma once

#include <QDir>
#include <QString>

#include <vector>

class QImage;

namespace kiv {

class StartLeftovers;

// The files of one sketch save, stored all or none. Each is written beside
// its target as <target>.<token>.part; only when all are written do they move
// in, each old file kept as <target>.<token>.old until finish(). Destroyed
// unfinished, the set puts the old files back. The files that take fresh
// names, copies included, are noted in a journal beside them before any is
// made; the journal takes its name only once written whole. A save stopped by
// a kill is settled at the next start by removeLeftovers(): where a journal
// is left, the save completed only when a data row names one of its new
// files (never a copy: the row it copies from names a like name), else those
// and its copies go; without one, a part file left means the save never
// completed. Uncompleted, the old files go back; completed, they go.
class SketchFileSet
{
public:
    static const QString PartSuffix;
    static const QString OldSuffix;

    SketchFileSet();
    ~SketchFileSet();
    SketchFileSet(const SketchFileSet&) = delete;
    SketchFileSet& operator=(const SketchFileSet&) = delete;

    // Writes the picture beside target, whole or not at all. The format by
    // name, or by the target's suffix when none is given.
    bool write(const QImage& image, const QString& target, const char* format = nullptr);
    // Copies source to target with the other files; a copy already at target
    // counts as done. False when something else is there.
    bool copy(const QString& source, const QString& target);
    // Moves every written file over its target; at the first that cannot
    // move, every target is put back as it was and false returned.
    bool place();
    // Keeps the placed files: the old ones go.
    void finish();

    // At a start, while no sketch can be saving: settles the stopped saves
    // in a project's images folder as above, and removes journals stopped
    // before they took their names. Only regular files whose target is a
    // sketch file or a copy a journal lists are touched; links stay. Returns
    // how many were removed or put back.
    static int removeLeftovers(const QDir& images);
    // Feeds the start's settling with removeLeftovers() for every project.
    static void feed(StartLeftovers& leftovers);

private:
    struct Entry
    {
        QString target;
        // Copied from, for a copy.
        QString source;
        bool hadOld = false;
        bool placed = false;
    };

    QString partPath(const QString& target) const;
    QString oldPath(const QString& target) const;
    bool noteCreated();
    bool fillCopies();
    bool placeEntry(Entry& entry);
    void restore();
    void removeJournal();

    QString m_token;
    QString m_journal;
    std::vector<Entry> m_entries;
    bool m_finished = false;
};

} // namespace kiv
