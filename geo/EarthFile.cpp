#include "geo/EarthFile.h"

#include "geo/XmlDocument.h"

#include <QDebug>
#include <QStringList>

namespace kiv::geo {

std::optional<ImageLayerOptions> EarthFile::readFirstImageLayer(const QString& path,
                                                                const QUrl& tileHost)
{
    osg::ref_ptr<XmlDocument> doc = XmlDocument::loadFile(path);
    if (!doc)
        return std::nullopt;
    return firstImageLayer(doc->getConfig(), tileHost);
}

bool EarthFile::isSameHost(const QUrl& a, const QUrl& b)
{
    const QString scheme = a.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    return !a.host().isEmpty() && scheme == b.scheme().toLower()
        && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && a.port(defaultPort) == b.port(defaultPort);
}

std::optional<ImageLayerOptions> EarthFile::firstImageLayer(const Config& document,
                                                            const QUrl& tileHost)
{
    Config conf = document;
    if (conf.hasChild(QStringLiteral("map")))
        conf = conf.child(QStringLiteral("map"));
    if (conf.hasChild(QStringLiteral("earth")))
        conf = conf.child(QStringLiteral("earth"));
    if (!conf.hasChild(QStringLiteral("image"))) {
        qWarning() << "No image layer in" << document.referrer();
        return std::nullopt;
    }
    Config image = conf.child(QStringLiteral("image"));
    const QString driver = image.value(QStringLiteral("driver")).trimmed().toLower();
    static const QStringList supported{"gdal", "mbtiles", "xyz"};
    if (!supported.contains(driver)) {
        qWarning() << "Unsupported image driver" << driver << "in" << document.referrer();
        return std::nullopt;
    }
    if (driver == QLatin1String("xyz")) {
        const QUrl url(image.value(QStringLiteral("url")).trimmed());
        if (!isSameHost(url, tileHost)) {
            qWarning().noquote() << "Refused the online layer of" << document.referrer()
                                 << ": its host is not the configured tile host";
            return std::nullopt;
        }
    }
    image.set(QStringLiteral("driver"), driver);
    image.set(QStringLiteral("default_tile_size"), QStringLiteral("256"));
    return ImageLayerOptions(image);
}

} // namespace kiv::geo
