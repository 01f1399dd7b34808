#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>

struct sqlite3;

namespace kiv {

class StartLeftovers;

// The files a merge copies into a project folder, noted in a journal file
// there, which takes its name only once its opening lines are written
// whole. Each copy is noted with its name before anything is made, filled
// under a name only a merge makes (a part), noted as being placed and then
// given its name, which nothing may hold by then. The merge removes the
// journal once its rows are committed or its copies deleted, so a journal
// found at a start is a merge that was stopped: its copies go, unless its
// rows were committed. Whether they were is read from the database: the first
// locality the merge wrote, or the project row, changed since the merge began.
class MergeJournal
{
public:
    MergeJournal() = default;
    // Leaves the file: only finish() says the merge ended.
    ~MergeJournal() = default;
    MergeJournal(const MergeJournal&) = delete;
    MergeJournal& operator=(const MergeJournal&) = delete;

    // Inside the merge's transaction on the folder's database, before it
    // writes: notes the project row as a rollback would leave it. The file is
    // made with the first copy.
    bool begin(const QDir& folder, sqlite3* database);
    bool isActive() const { return m_active; }
    // Before the merge's first locality row is written; later ones are not
    // needed. True without a journal begun.
    bool noteLocality(const std::string& id);
    // Where a copy meant for destination, a fresh name in the folder or one
    // of its folders, is filled: a part beside it, noted with destination
    // before the caller makes it (exclusively). Empty when it cannot be noted.
    QString notePart(const QString& destination);
    // Gives the filled part the name destination unless something holds that
    // name. A part not placed is removed, at the latest by finish().
    bool place(const QString& part, const QString& destination);
    // After the commit, or after the copies were deleted.
    void finish();

    // At a start, while no merge can run: removes in the project folder the
    // copies of stopped merges whose rows were never committed, then their
    // journals, then the parts those journals list. Only names inside the
    // folder reached without links are touched, and only copies a merge gave
    // their names and parts it noted; a journal that cannot be read or judged
    // stays, with its copies and parts. A journal stopped before it noted
    // anything (under its temporary name, or left cut by an earlier version)
    // goes. Returns how many files were removed.
    static int removeLeftovers(const QDir& folder);
    // Feeds the start's settling with removeLeftovers() for every project.
    static void feed(StartLeftovers& leftovers);

private:
    bool create();
    bool append(const QByteArray& line);

    QDir m_folder;
    QByteArray m_before;
    std::string m_locality;
    QFile m_file;
    // Noted as being placed but not placed: removed only with the journal,
    // as the next start would take a missing part for a placed one.
    QStringList m_unplaced;
    bool m_active = false;
};

} // namespace kiv
