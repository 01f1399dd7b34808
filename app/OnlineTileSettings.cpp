#include "app/OnlineTileSettings.h"

#include <QSettings>

namespace kiv {

QUrl urlWithDefaultScheme(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QUrl();
    // "localhost:8080" would otherwise parse as the scheme "localhost".
    if (!trimmed.contains(QLatin1String("://")))
        return QUrl(QStringLiteral("http://") + trimmed, QUrl::StrictMode);
    return QUrl(trimmed, QUrl::StrictMode);
}

QUrl withHostAndPort(const QUrl& url, const QString& hostAndPort)
{
    const QUrl parsed(QStringLiteral("http://") + hostAndPort.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return QUrl();
    QUrl result = url.isEmpty() ? QUrl(QStringLiteral("http://")) : url;
    result.setHost(parsed.host());
    result.setPort(parsed.port());
    return result.isValid() ? result : QUrl();
}

OnlineTileSettings onlineTileSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("OnlineTiles"));
    auto text = [&settings](const char* key) { return settings.value(QLatin1String(key)).toString(); };
    OnlineTileSettings tiles;
    tiles.satelliteMapId = text("satelliteMapId");
    tiles.streetMapId = text("streetMapId");
    tiles.terrainMapId = text("terrainMapId");
    tiles.accessToken = text("accessToken");
    tiles.attribution = text("attribution");
    tiles.attributionUrl = text("attributionUrl");
    tiles.improveUrl = text("improveUrl");

    QUrl endpoint = urlWithDefaultScheme(text("endpoint"));
    const QString hostOverride = qEnvironmentVariable("QUARZEL_TILE_HOST");
    if (!hostOverride.isEmpty())
        endpoint = withHostAndPort(endpoint, hostOverride);
    if (endpoint.isValid() && !endpoint.host().isEmpty())
        tiles.endpoint = endpoint.toString(QUrl::StripTrailingSlash);
    return tiles;
}

} // namespace kiv
