#pragma once

#include "geo/TileSource.h"
#include "geo/drivers/HttpClient.h"
#include "geo/drivers/XYZOptions.h"

namespace kiv::geo::Drivers {

// Tiles fetched over HTTP(S) from a {z}/{x}/{y} URL template. 200 is a tile,
// 204 and 404 mean no data; anything else is a failure to retry later.
class XYZTileSource : public TileSource
{
public:
    explicit XYZTileSource(const XYZOptions& options);

    TileResult createImage(const TileKey& key, ProgressCallback* progress = nullptr) override;
    bool isNetworkSource() const override { return true; }

    QString tileUrl(const TileKey& key) const;

protected:
    Status initialize() override;

private:
    QString template_;
    HttpClient::Settings settings_;
};

} // namespace kiv::geo::Drivers
