#include "geo/drivers/MBTilesTileSource.h"

#include "geo/TileImage.h"

#include <sqlite3.h>

#include <QDebug>
#include <QMap>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kiv::geo::Drivers {

MBTilesTileSource::MBTilesTileSource(const MBTilesTileSourceOptions& options)
    : TileSource(options), path_(options.filename())
{
    if (!options.format().isEmpty())
        format_ = options.format().toLower();
}

MBTilesTileSource::~MBTilesTileSource()
{
    sqlite3_finalize(tileQuery_);
}

Status MBTilesTileSource::initialize()
{
    if (path_.isEmpty())
        return Status::Error(Status::ConfigurationError, QStringLiteral("No MBTiles file given"));
    QString refusal;
    db_ = MBTilesDatabase::open(path_, &refusal);
    if (!db_)
        return Status::Error(Status::ResourceUnavailable,
                             QStringLiteral("MBTiles package refused: %1: %2").arg(path_, refusal));
    db_->armGuard();
    if (sqlite3_prepare_v2(db_->handle(),
                           "SELECT tile_data FROM tiles WHERE zoom_level = ?1 AND "
                           "tile_column = ?2 AND tile_row = ?3",
                           -1, &tileQuery_, nullptr)
        != SQLITE_OK)
        return Status::Error(Status::ResourceUnavailable,
                             QStringLiteral("Not an MBTiles package: ")
                                 + QString::fromUtf8(sqlite3_errmsg(db_->handle())));
    setProfile(Profile::create(QStringLiteral("spherical-mercator")));
    return readMetadata();
}

Status MBTilesTileSource::readMetadata()
{
    QMap<QString, QString> meta;
    sqlite3_stmt* q = nullptr;
    db_->armGuard();
    if (sqlite3_prepare_v2(db_->handle(), "SELECT name, value FROM metadata", -1, &q, nullptr) == SQLITE_OK) {
        while (sqlite3_step(q) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(q, 1));
            if (name && value)
                meta.insert(QString::fromUtf8(name).toLower(), QString::fromUtf8(value).trimmed());
        }
    }
    sqlite3_finalize(q);

    bool minOk = false, maxOk = false;
    int minZoom = meta.value(QStringLiteral("minzoom")).toInt(&minOk);
    int maxZoom = meta.value(QStringLiteral("maxzoom")).toInt(&maxOk);
    if (!minOk || !maxOk) {
        q = nullptr;
        db_->armGuard();
        if (sqlite3_prepare_v2(db_->handle(), "SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles", -1, &q,
                               nullptr)
                == SQLITE_OK
            && sqlite3_step(q) == SQLITE_ROW && sqlite3_column_type(q, 0) != SQLITE_NULL) {
            minZoom = sqlite3_column_int(q, 0);
            maxZoom = sqlite3_column_int(q, 1);
        } else {
            minZoom = 0;
            maxZoom = -1;
        }
        sqlite3_finalize(q);
    }
    if (maxZoom < 0 || minZoom < 0 || minZoom > maxZoom)
        return Status::Error(Status::ResourceUnavailable,
                             QStringLiteral("MBTiles package holds no tiles: ") + path_);
    setLevels(unsigned(minZoom), unsigned(maxZoom));

    const QString format = meta.value(QStringLiteral("format")).toLower();
    if (format == QLatin1String("jpg") || format == QLatin1String("jpeg"))
        format_ = QStringLiteral("jpg");
    else if (format == QLatin1String("png"))
        format_ = QStringLiteral("png");

    const QStringList b = meta.value(QStringLiteral("bounds")).split(QLatin1Char(','));
    const SpatialReference* geo = getProfile()->getSRS()->getGeographicSRS();
    GeoExtent extent = getProfile()->getLatLongExtent();
    if (b.size() == 4) {
        bool ok[4];
        const double w = b[0].toDouble(&ok[0]), s = b[1].toDouble(&ok[1]);
        const double e = b[2].toDouble(&ok[2]), n = b[3].toDouble(&ok[3]);
        const GeoExtent given(geo, w, s, e, n);
        if (ok[0] && ok[1] && ok[2] && ok[3] && given.isValid() && w >= -180 && e <= 180
            && s >= -90 && n <= 90)
            extent = given;
        else
            qWarning() << "Ignoring bad MBTiles bounds" << meta.value(QStringLiteral("bounds"));
    }
    addDataExtent(extent);
    return Status::OK();
}

QByteArray MBTilesTileSource::readTile(unsigned z, unsigned x, unsigned row)
{
    std::lock_guard<std::mutex> lock(dbMutex_);
    sqlite3_reset(tileQuery_);
    db_->armGuard();
    sqlite3_bind_int(tileQuery_, 1, int(z));
    sqlite3_bind_int64(tileQuery_, 2, x);
    sqlite3_bind_int64(tileQuery_, 3, row);
    QByteArray data;
    if (sqlite3_step(tileQuery_) == SQLITE_ROW) {
        const void* blob = sqlite3_column_blob(tileQuery_, 0);
        const int size = sqlite3_column_bytes(tileQuery_, 0);
        if (blob && size > 0)
            data = QByteArray(static_cast<const char*>(blob), size);
    }
    sqlite3_reset(tileQuery_);
    return data;
}

TileResult MBTilesTileSource::createImage(const TileKey& key, ProgressCallback*)
{
    if (!key.valid() || !key.getProfile()->isSphericalMercator())
        return TileResult::failed(QStringLiteral("Not a mercator tile key"));
    if (key.getLOD() < getMinLevel() || key.getLOD() > getMaxDataLevel()
        || !hasDataInExtent(key.getExtent()))
        return TileResult::noData();

    const unsigned row = (1u << key.getLOD()) - 1u - key.getTileY();
    const QByteArray data = readTile(key.getLOD(), key.getTileX(), row);
    if (data.isEmpty())
        return TileResult::noData();
    QString error;
    const QImage image = TileImage::decode(data, &error);
    if (image.isNull())
        return TileResult::failed(QStringLiteral("%1: tile %2 in %3").arg(error, key.str(), path_));
    return TileResult::ok(image);
}

} // namespace kiv::geo::Drivers
