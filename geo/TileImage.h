#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kiv::geo {

// Decodes a stored or fetched tile into a tile-sized RGBA image. The size the
// data claims is read from its header first: an image larger than
// MaxDecodedSide on a side, or one whose size cannot be told before
// decoding, is refused unread.
class TileImage
{
public:
    static constexpr int MaxDecodedSide = 4096;

    // A null image, with the reason in *error, when the data is refused or
    // cannot be decoded.
    static QImage decode(const QByteArray& data, QString* error);
};

} // namespace kiv::geo
