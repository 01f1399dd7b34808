#pragma once

#include <QByteArray>
#include <QString>

class QDir;

namespace kiv {

// Files named by stored records (photos, base maps) come from whoever wrote
// the project, so a name is only data: it is used only when it leads, without
// following any link, to a regular file inside the folder it belongs to.
namespace ProjectFile {

// The absolute path of `name` inside `folder`, or empty when the name is
// absolute, climbs out of the folder, passes through a link, names the
// project database or a companion of it, or does not name an existing
// regular file.
QString resolve(const QDir& folder, const QString& name);

// resolve() for a path as records store it (absolute, or relative to the
// working folder): empty unless it lies inside `folder`.
QString resolvePath(const QDir& folder, const QString& path);

// Where a file called `name` may be written inside `folder`: a fresh place
// (freshPath) or a regular file reached without links, which the writer
// replaces; empty otherwise.
QString writablePath(const QDir& folder, const QString& name);

// Where a new file called `name` would go inside `folder`, or empty when the
// name is not one plain file name, names the project database or one of its
// companions (main.db, -journal, -wal, -shm: SQLite would read them), or
// something (a link, a file, a folder) already sits at that place.
QString freshPath(const QDir& folder, const QString& name);

// Gives the file at `from` the name `to`, in one step and only where nothing
// is at `to`: a file that took that name meanwhile is never replaced. Both
// names in one file system.
bool moveToFreshName(const QString& from, const QString& to);

// Moves source over target in one step, so a reader never meets a half file
// under the final name. A link at target is replaced, not followed; a folder
// there makes it fail. False (with a warning) when it failed.
bool replaceFile(const QString& source, const QString& target);

// Writes bytes whole under a temporary name beside path (its name, "." and
// six letters or digits), then gives that file the name path unless
// something holds it: a kill never leaves a cut file under that name. False
// when a step failed; the temporary file is gone then.
bool writeNewFile(const QString& path, const QByteArray& bytes);

// Removes in folder the temporary files writeNewFile() was stopped with:
// plain files named as namePattern (a regular expression) matches, then "."
// and six letters or digits, that hold the first bytes of opening, or all of
// it and more. A start does this while nothing writes. Returns how many.
int removeUnwritten(const QDir& folder, const QString& namePattern, const QByteArray& opening);

// True for a stored record id as the program writes them: 32 hex digits.
bool isRecordId(const QString& id);

// The id itself when it is a record id, otherwise a name made of its hash,
// so that it can stand in a file name without leaving a folder.
QString fileNameForId(const QString& id);

} // namespace ProjectFile
} // namespace kiv
