#pragma once

#include <QLockFile>
#include <QString>

namespace kiv {

// Keeps the program to one running instance per user: a lock file in the
// user's local data folder, held for as long as the process runs. Two
// instances on the same projects would overwrite each other's saves.
class InstanceLock
{
public:
    enum Outcome
    {
        Taken,
        // Another running instance holds it.
        HeldElsewhere,
        // The lock file could not be written; the start goes on without it.
        Failed,
    };

    // The lock file in `folder`, which is created when missing.
    explicit InstanceLock(const QString& folder = defaultFolder());

    // The user's local data folder of the program.
    static QString defaultFolder();

    // Takes the lock unless a running instance holds it. A lock left by a
    // killed instance, written or not, does not count, even when the folder
    // has no room for another file.
    Outcome take();
    QString fileName() const;

private:
    Outcome cannotWrite() const;

    QString m_folder;
    QLockFile m_lock;
};

} // namespace kiv
