#pragma once

#include <QString>

namespace kiv {

// Removes the lock file beside `lockedFile` (its name plus ".lock") when it
// is empty and no live process holds it: what a process killed between
// creating its lock and writing it leaves behind. Qt would wait on such a
// lock until it grows stale. True when a lock file was removed.
bool removeEmptyStaleLock(const QString& lockedFile);

} // namespace kiv
