#pragma once

#include "geo/ImageLayerOptions.h"

#include <optional>

namespace kiv::geo {

// Reads the first image layer of an .earth file: the document's "map" (or
// "earth") element, its first "image" child. Only the "gdal", "mbtiles" and
// "xyz" drivers are accepted; relative paths resolve against the file.
class EarthFile
{
public:
    static std::optional<ImageLayerOptions> readFirstImageLayer(const QString& path);
    static std::optional<ImageLayerOptions> firstImageLayer(const Config& document);
};

} // namespace kiv::geo
