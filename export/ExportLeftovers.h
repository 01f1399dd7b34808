#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

class QFile;

namespace kiv {

class StartLeftovers;

// The working files of one export in one folder: the archive written beside
// its target, the CSV files beside theirs in the project folder, or the
// working folder in the program's temporary folder. Their names are noted in
// a journal there before any is made; the journal takes its name only once
// written whole. finish() (at the latest the destructor) removes what this
// export made and did not move into place, then the journal. A journal found
// at a start is an export that was stopped (the program killed): feed() has
// what it lists removed. A file no journal lists is never touched, however
// it is named; parts that versions without journals left stay.
class ExportLeftovers
{
public:
    ExportLeftovers();
    ~ExportLeftovers();
    ExportLeftovers(const ExportLeftovers&) = delete;
    ExportLeftovers& operator=(const ExportLeftovers&) = delete;

    // Where the working file that is to replace target is written: beside
    // it, under a name of this export's own.
    QString partPath(const QString& target) const;
    // Notes parts (partPath()s in one folder) in a journal beside them,
    // before any is made. False when it cannot be written: none may be made.
    bool noteParts(const QStringList& parts);
    // Creates a noted part where nothing is (never through a link), with
    // the permissions of the user's umask; false otherwise.
    bool createPart(QFile& part);
    // Makes this export's working folder in base, noted in a journal there
    // first; only the user may enter it. Its path, or empty when it cannot
    // be made.
    QString makeFolder(const QString& base);
    // Removes the parts made and not moved and the folder (links inside
    // removed, never followed), then the journal unless one of them stayed.
    // Ready for the next export then.
    void finish();

    // Feeds the start's settling with the journals of stopped exports: in
    // documentsFolder, in tempFolder, in each project folder and beside a
    // project kept elsewhere (where its archives go). Of a journal of the
    // program's, owned by this user, the listed parts that are regular files
    // reached without links and the listed working folder (links inside
    // removed) go, then the journal. A journal that cannot be read stays;
    // one stopped before it took its name goes.
    static void feed(StartLeftovers& leftovers, const QString& documentsFolder, const QString& tempFolder);

private:
    bool note(const QDir& folder, const QStringList& parts, const QStringList& folders);

    QString m_token;
    QDir m_folder;
    QString m_journal;
    // Noted, by plain name in m_folder.
    QStringList m_noted;
    // Made by this export, by plain name in m_folder.
    QStringList m_parts;
    QStringList m_folders;
};

} // namespace kiv
