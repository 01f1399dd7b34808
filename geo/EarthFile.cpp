#include "geo/EarthFile.h"

#include "geo/XmlDocument.h"

#include <QDebug>
#include <QStringList>

namespace kiv::geo {

std::optional<ImageLayerOptions> EarthFile::readFirstImageLayer(const QString& path)
{
    osg::ref_ptr<XmlDocument> doc = XmlDocument::loadFile(path);
    if (!doc)
        return std::nullopt;
    return firstImageLayer(doc->getConfig());
}

std::optional<ImageLayerOptions> EarthFile::firstImageLayer(const Config& document)
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
    image.set(QStringLiteral("driver"), driver);
    image.set(QStringLiteral("default_tile_size"), QStringLiteral("256"));
    return ImageLayerOptions(image);
}

} // namespace kiv::geo
