#pragma once

#include "geo/TileKey.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kiv::geo {

// The "filesystem" tile cache: <root>/<bin>/<z>/<x>/<y>.<ext>, one bin per
// tile source. Files are written atomically, so a reader never sees half a
// tile; readers and writers may run on any thread.
class FileSystemCache
{
public:
    explicit FileSystemCache(const QString& rootPath);

    const QString& rootPath() const { return root_; }
    // Empty when the bin id or extension is not a plain name.
    QString tilePath(const QString& binId, const TileKey& key, const QString& extension) const;

    std::optional<QByteArray> read(const QString& binId, const TileKey& key,
                                   const QString& extension) const;
    bool write(const QString& binId, const TileKey& key, const QString& extension,
               const QByteArray& data) const;
    void remove(const QString& binId, const TileKey& key, const QString& extension) const;

private:
    QString root_;
};

} // namespace kiv::geo
