#pragma once

#include <QString>
#include <QtGlobal>

namespace kiv {

// What became of a lock file that was to be removed.
enum class LockRemoval
{
    Removed,
    // A live process holds its native lock.
    Held,
    // Not there, not a plain file, or it could not be removed.
    Kept,
};

// Removes the lock file at lockPath unless a live process holds it: what a
// killed holder leaves. Only a plain file, never what a link points to.
LockRemoval removeUnheldLock(const QString& lockPath);

// Removes the lock file beside `lockedFile` (its name plus ".lock") when it
// is empty and no live process holds it: what a process killed between
// creating its lock and writing it leaves behind. Qt would wait on such a
// lock until it grows stale. True when a lock file was removed.
bool removeEmptyStaleLock(const QString& lockedFile);

// How long after taking its lock a save may still write its temporary file,
// in milliseconds.
constexpr qint64 DeadSaveMoments = 30 * 1000;

// Removes what a save of `savedFile` killed midway left beside it: its lock
// (name plus ".lock"), when no live process holds it, and with it Qt's
// temporary file (name plus "." and six letters or digits) written no
// earlier than the lock and at most DeadSaveMoments after it, only while it
// is empty: one with content may be the user's and stays. Plain files only.
// Returns how many were removed.
int removeDeadSave(const QString& savedFile);

} // namespace kiv
