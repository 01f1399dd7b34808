#pragma once

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QString>

#include <vector>

namespace kiv {

class StartLeftovers;

// The files of one sketch or photo save, stored all or none. Each is filled beside
// its target as <target>.<token>.part; only when all are filled do they move
// in, each old file kept as <target>.<token>.old until finish(). Destroyed
// unfinished, the set puts the old files back. Before any file is made, a
// journal beside them lists every name the save will make or set aside
// (parts, old names, new files, copies); it takes its name only once written
// whole. A save stopped by a kill is settled at the next start by
// removeLeftovers(), by its journal alone: a save that made new files
// completed only when a data row names one of them (never a copy: the row it
// copies from names a like name), one that only replaced files when none of
// its parts is left. Uncompleted, the old files go back and the parts, new
// files and copies go; completed, the old files and parts go. Files no
// journal lists are never touched.
class SketchFileSet
{
public:
    static const QString PartSuffix;
    static const QString OldSuffix;

    SketchFileSet();
    ~SketchFileSet();
    SketchFileSet(const SketchFileSet&) = delete;
    SketchFileSet& operator=(const SketchFileSet&) = delete;

    // The picture to write over or at target when the set is placed. The
    // format by name, or by the target's suffix when none is given.
    bool write(const QImage& image, const QString& target, const char* format = nullptr);
    // Copies source to target with the other files; a copy already at target
    // counts as done. False when something else is there.
    bool copy(const QString& source, const QString& target);
    // Copies source to target, a fresh name the save's data row is to name,
    // as it names a new picture: a stopped save's copy goes unless a row
    // names it. False when something is there.
    bool copyNamed(const QString& source, const QString& target);
    // Notes the files in the journal, fills the parts and moves each over
    // its target; at the first step that fails, every target is put back as
    // it was and false returned.
    bool place();
    // Keeps the placed files: the old ones go.
    void finish();

    // At a start, while no sketch can be saving: settles the stopped saves
    // in a project's images folder as above, and removes journals stopped
    // before they took their names. Only regular files a journal lists are
    // touched; links stay. Returns how many were removed or put back.
    static int removeLeftovers(const QDir& images);
    // Feeds the start's settling with removeLeftovers() for every project.
    static void feed(StartLeftovers& leftovers);

private:
    struct Entry
    {
        QString target;
        // Copied from, for a copy.
        QString source;
        // A copy the row names, judged as a new file.
        bool named = false;
        // Written, for a picture.
        QImage image;
        QByteArray format;
        bool hadOld = false;
        bool placed = false;
    };

    QString partPath(const QString& target) const;
    QString oldPath(const QString& target) const;
    bool noteFiles();
    bool fillParts();
    bool placeEntry(Entry& entry);
    void restore();
    void removeJournal();

    QString m_token;
    QString m_journal;
    std::vector<Entry> m_entries;
    bool m_finished = false;
};

} // namespace kiv
