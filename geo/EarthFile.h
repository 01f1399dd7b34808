#pragma once

#include "geo/ImageLayerOptions.h"

#include <QUrl>

#include <optional>

namespace kiv::geo {

// Reads the first image layer of an .earth file: the document's "map" (or
// "earth") element, its first "image" child. Only the "gdal", "mbtiles" and
// "xyz" drivers are accepted; relative paths resolve against the file. The
// file does not choose which host is asked for tiles: an "xyz" layer is taken
// only when its URL names the scheme, host and port of `tileHost`, the one the
// user configured (none: no "xyz" layer at all).
class EarthFile
{
public:
    static std::optional<ImageLayerOptions> readFirstImageLayer(const QString& path,
                                                                const QUrl& tileHost = QUrl());
    static std::optional<ImageLayerOptions> firstImageLayer(const Config& document,
                                                            const QUrl& tileHost = QUrl());
    static bool isSameHost(const QUrl& a, const QUrl& b);
};

} // namespace kiv::geo
