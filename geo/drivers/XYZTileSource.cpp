#include "geo/drivers/XYZTileSource.h"

#include "geo/TileImage.h"

#include <QCoreApplication>

namespace kiv::geo::Drivers {

XYZTileSource::XYZTileSource(const XYZOptions& options)
    : TileSource(options), template_(options.url().trimmed())
{
    settings_.timeoutMs = std::max(1, options.timeoutMs());
    settings_.connectTimeoutMs = std::max(1, options.connectTimeoutMs());
    QString agent = options.userAgent();
    if (agent.isEmpty()) {
        const QString app = QCoreApplication::applicationName();
        agent = app.isEmpty() ? QStringLiteral("Quarzel") : app;
        if (!QCoreApplication::applicationVersion().isEmpty())
            agent += QLatin1Char('/') + QCoreApplication::applicationVersion();
    }
    settings_.userAgent = agent.toUtf8();
}

Status XYZTileSource::initialize()
{
    const QString lower = template_.toLower();
    if (!lower.startsWith(QLatin1String("http://")) && !lower.startsWith(QLatin1String("https://")))
        return Status::Error(Status::ConfigurationError,
                             QStringLiteral("Tile URL must be http or https: ") + template_);
    for (const char* field : {"{z}", "{x}", "{y}"})
        if (!template_.contains(QLatin1String(field)))
            return Status::Error(Status::ConfigurationError,
                                 QStringLiteral("Tile URL lacks %1: ").arg(QLatin1String(field))
                                     + template_);
    if (!getProfile())
        setProfile(Profile::create(QStringLiteral("spherical-mercator")));
    if (!getProfile()->isSphericalMercator())
        return Status::Error(Status::ConfigurationError,
                             QStringLiteral("XYZ tiles must be spherical mercator"));
    setLevels(0, 22);
    HttpClient::globalInit();
    return Status::OK();
}

QString XYZTileSource::tileUrl(const TileKey& key) const
{
    QString url = template_;
    url.replace(QLatin1String("{z}"), QString::number(key.getLOD()));
    url.replace(QLatin1String("{x}"), QString::number(key.getTileX()));
    url.replace(QLatin1String("{y}"), QString::number(key.getTileY()));
    return url;
}

TileResult XYZTileSource::createImage(const TileKey& key, ProgressCallback* progress)
{
    if (!key.valid() || !key.getProfile()->isSphericalMercator())
        return TileResult::failed(QStringLiteral("Not a mercator tile key"));
    if (key.getLOD() > getMaxDataLevel())
        return TileResult::noData();

    const HttpClient::Response r = HttpClient::get(tileUrl(key), settings_, progress);
    if (r.cancelled)
        return TileResult::cancelled();
    if (!r.error.isEmpty())
        return TileResult::failed(r.error);
    if (r.status == 204 || r.status == 404)
        return TileResult::noData();
    if (r.status != 200)
        return TileResult::failed(QStringLiteral("HTTP status %1").arg(r.status));
    QString error;
    const QImage image = TileImage::decode(r.body, &error);
    if (image.isNull())
        return TileResult::failed(error + QStringLiteral(": tile ") + key.str());
    return TileResult::ok(image, r.body);
}

} // namespace kiv::geo::Drivers
