#pragma once

#include <QRectF>
#include <QUrl>

namespace kiv {

// Geographic extent from an MBTiles package's "bounds" metadata, in WGS84
// degrees; an empty rectangle when none can be read.
QRectF readMBTilesBounds(const QUrl& url);

} // namespace kiv
