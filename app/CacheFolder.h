#pragma once

#include <QString>

namespace kiv {

// Emptying the program's caches: the persistent tile cache and the cache
// folder in the shared temporary folder.
class CacheFolder {
public:
    // Clears the persistent cache, never creating it just to clear it.
    static void clearPersistentCacheIfOpen();
    // Empties the folder at `path`; a link there is removed, not followed.
    static void clear(const QString& path);

private:
    static void clearContents(const QString& path);
};

} // namespace kiv
