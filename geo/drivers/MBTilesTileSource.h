#pragma once

#include "geo/TileSource.h"
#include "geo/drivers/MBTilesDatabase.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"

#include <memory>
#include <mutex>

struct sqlite3_stmt;

namespace kiv::geo::Drivers {

// Tiles from an MBTiles package, opened read-only and guarded (see
// MBTilesDatabase). Rows are stored
// bottom-up (TMS), so key row y is read from row 2^z - 1 - y. The zoom range
// and bounds come from the metadata table, or from the tiles themselves.
class MBTilesTileSource : public TileSource
{
public:
    explicit MBTilesTileSource(const MBTilesTileSourceOptions& options);

    TileResult createImage(const TileKey& key, ProgressCallback* progress = nullptr) override;
    QString getExtension() const override { return format_; }
    CachePolicy getCachePolicyHint() const override { return CachePolicy::NO_CACHE; }

protected:
    ~MBTilesTileSource() override;
    Status initialize() override;

private:
    Status readMetadata();
    QByteArray readTile(unsigned z, unsigned x, unsigned row);

    QString path_;
    QString format_ = QStringLiteral("png");
    std::mutex dbMutex_;
    std::unique_ptr<MBTilesDatabase> db_;
    sqlite3_stmt* tileQuery_ = nullptr;
};

} // namespace kiv::geo::Drivers
