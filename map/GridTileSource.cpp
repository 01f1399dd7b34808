#include "map/GridTileSource.h"

#include "geo/TileSourceRegistry.h"

#include <QPainter>

namespace kiv::geo::Drivers {

GridTileOptions::GridTileOptions(const TileSourceOptions& options) : TileSourceOptions(options)
{
    setDriver(QStringLiteral("gridtiles"));
}

} // namespace kiv::geo::Drivers

namespace kiv {

namespace {

// Makes the driver known before the map asks for it.
struct GridTileRegistration
{
    GridTileRegistration()
    {
        geo::TileSourceRegistry::instance()->addDriver(std::make_unique<GridTileSourceDriver>());
    }
};
const GridTileRegistration gridTileRegistration;

} // namespace

GridTileSourceDriver::GridTileSourceDriver()
{
    supportsExtension(QStringLiteral("osgearth_gridtiles"), QStringLiteral("Grid Tiles Driver"));
}

QString GridTileSourceDriver::className() const
{
    return QStringLiteral("Grid Tiles Driver");
}

geo::TileSourceDriver::ReadResult
GridTileSourceDriver::readObject(const QString& fileName,
                                 const geo::TileSourceOptions& options) const
{
    ReadResult result;
    if (!acceptsExtension(lowerCaseExtension(fileName)))
        return result;
    result.source = new GridTileSource(geo::Drivers::GridTileOptions(options));
    result.status = ReadResult::FILE_LOADED;
    return result;
}

GridTileSource::GridTileSource(const geo::Drivers::GridTileOptions& options)
    : geo::TileSource(options)
{
}

geo::Status GridTileSource::initialize()
{
    if (!getProfile())
        setProfile(geo::Profile::create(QStringLiteral("spherical-mercator")));

    // The lines are drawn opaque and get their alpha afterwards: painting at
    // alpha 50 goes through premultiplied colour and comes out as 97, not 96,
    // and blends the corners, where two lines meet, twice.
    const QColor grey(96, 96, 96);
    constexpr uchar GridAlpha = 50;
    QImage image(256, 256, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(QPen(grey, 1));
    painter.drawLine(0, 0, 0, 255);
    painter.drawLine(0, 255, 255, 255);
    painter.drawLine(255, 255, 255, 0);
    painter.drawLine(255, 0, 0, 0);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[4 * x + 3] != 0)
                row[4 * x + 3] = GridAlpha;
    }

    // RGBA8888 is GL's byte order already; the tile reads the same upside
    // down, so GL's row order needs no flip.
    if (!image.isNull())
        tile_ = image;
    return geo::Status::OK();
}

geo::TileResult GridTileSource::createImage(const geo::TileKey&, geo::ProgressCallback*)
{
    if (tile_.isNull())
        return geo::TileResult::failed(QStringLiteral("Grid tile source is not initialised"));
    return geo::TileResult::ok(tile_);
}

QString GridTileSource::getExtension() const
{
    return QStringLiteral("png");
}

geo::CachePolicy GridTileSource::getCachePolicyHint() const
{
    return geo::CachePolicy::NO_CACHE;
}

} // namespace kiv
