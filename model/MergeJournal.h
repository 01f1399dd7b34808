#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <string>

struct sqlite3;

namespace kiv {

// The files a merge copies into a project folder, each noted in a journal
// file there before it is filled. The merge removes the journal once its rows
// are committed or its copies deleted, so a journal found at a start is a
// merge that was stopped: its copies go, unless its rows were committed.
// Whether they were is read from the database: the first locality the merge
// wrote, or the project row, changed since the merge began.
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
    // A file the merge has just made, before it is filled. True without a
    // journal begun.
    bool recordFile(const QString& path);
    // After the commit, or after the copies were deleted.
    void finish();

    // At a start, while no merge can run: removes in the project folder the
    // copies of stopped merges whose rows were never committed, then their
    // journals. Only names inside the folder reached without links are
    // touched; a journal that cannot be read or judged stays. Returns how
    // many files were removed.
    static int removeLeftovers(const QDir& folder);

private:
    bool create();
    bool append(const QByteArray& line);

    QDir m_folder;
    QByteArray m_before;
    std::string m_locality;
    QFile m_file;
    bool m_active = false;
};

} // namespace kiv
