#include "geo/TileImage.h"

#include "geo/Profile.h"

#include <QBuffer>
#include <QImageReader>

namespace kiv::geo {

QImage TileImage::decode(const QByteArray& data, QString* error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid()) {
        *error = reader.canRead() ? QStringLiteral("Tile image without a readable size")
                                  : QStringLiteral("Undecodable tile image");
        return QImage();
    }
    if (size.width() > MaxDecodedSide || size.height() > MaxDecodedSide) {
        *error = QStringLiteral("Tile image of %1 x %2 pixels refused")
                     .arg(size.width())
                     .arg(size.height());
        return QImage();
    }
    const QSize tile(int(Profile::TileSize), int(Profile::TileSize));
    if (size != tile)
        reader.setScaledSize(tile);
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("Undecodable tile image: ") + reader.errorString();
        return image;
    }
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace kiv::geo
