#pragma once

#include <QString>
#include <QUrl>

namespace kiv {

// Where the online base map comes from: the group "OnlineTiles" of the default
// settings store. Everything is empty unless configured; the program ships no
// host and no token.
struct OnlineTileSettings
{
    // Scheme, host and optional port, e.g. "http://127.0.0.1:8080".
    QString endpoint;
    QString satelliteMapId;
    QString streetMapId;
    QString terrainMapId;
    QString accessToken;
    QString attribution;
    QString attributionUrl;
    QString improveUrl;
};

// Reads the group; the endpoint comes back as an address with a scheme (http
// when none was stored) or empty. QUARZEL_TILE_HOST ("host[:port]") replaces
// its host and port and keeps the scheme; an override that names no host
// leaves the endpoint empty, so nothing goes to the configured host instead.
OnlineTileSettings onlineTileSettings();

// The URL with its host and port taken from "host[:port]" (no port: the
// scheme's default); an empty URL when the text names no host.
QUrl withHostAndPort(const QUrl& url, const QString& hostAndPort);

// Text without "://" is taken as an http address.
QUrl urlWithDefaultScheme(const QString& text);

} // namespace kiv
