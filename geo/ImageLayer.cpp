#include "geo/ImageLayer.h"

#include "geo/TileSourceRegistry.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDebug>

#include <algorithm>
#include <cmath>

namespace kiv::geo {

ImageLayer::ImageLayer(const ImageLayerOptions& options)
    : options_(options), opacity_(std::clamp(options.opacity(), 0.0f, 1.0f)),
      visible_(options.visible())
{
}

ImageLayer::ImageLayer(const QString& name, const TileSourceOptions& driverOptions)
    : ImageLayer(ImageLayerOptions(name, driverOptions))
{
}

ImageLayer::~ImageLayer() = default;

void ImageLayer::setOpacity(float opacity)
{
    opacity_.store(std::isfinite(opacity) ? std::clamp(opacity, 0.0f, 1.0f) : 1.0f);
}

TileSource* ImageLayer::getTileSource() const
{
    std::call_once(sourceOnce_, [this] {
        osg::ref_ptr<TileSource> source = TileSourceRegistry::instance()->create(options_.driver());
        if (source)
            source->open();
        source_ = source;
    });
    return source_.valid() && source_->isOpen() ? source_.get() : nullptr;
}

const Profile* ImageLayer::getProfile() const
{
    TileSource* source = getTileSource();
    return source ? source->getProfile() : nullptr;
}

Status ImageLayer::getStatus() const
{
    getTileSource();
    if (!source_.valid())
        return Status::Error(Status::ConfigurationError,
                             QStringLiteral("Unsupported driver ") + options_.driver().getDriver());
    return source_->getStatus();
}

DataExtentList ImageLayer::getDataExtents() const
{
    TileSource* source = getTileSource();
    return source ? source->getDataExtents() : DataExtentList();
}

Bounds ImageLayer::getLatLongDataBounds() const
{
    TileSource* source = getTileSource();
    if (!source)
        return Bounds();
    if (source->getDataExtents().empty())
        return source->getProfile()->getLatLongExtent().bounds();
    const SpatialReference* geo = source->getProfile()->getSRS()->getGeographicSRS();
    Bounds all;
    for (const GeoExtent& e : source->getDataExtents())
        all = all.unionWith(e.transform(geo).bounds());
    return all;
}

unsigned ImageLayer::getMinLevel() const
{
    TileSource* source = getTileSource();
    return std::max(options_.minLevel(), source ? source->getMinLevel() : 0u);
}

unsigned ImageLayer::getMaxLevel() const
{
    const unsigned cap = options_.maxLevel().value_or(Profile::MaxLevel);
    TileSource* source = getTileSource();
    return source ? std::min(cap, source->getMaxDataLevel()) : cap;
}

bool ImageLayer::isKeyInRange(const TileKey& key) const
{
    return key.valid() && key.getLOD() >= options_.minLevel()
        && key.getLOD() <= options_.maxLevel().value_or(Profile::MaxLevel);
}

bool ImageLayer::isNetworkLayer() const
{
    TileSource* source = getTileSource();
    return source && source->isNetworkSource();
}

CachePolicy ImageLayer::getCachePolicy() const
{
    TileSource* source = getTileSource();
    if (source && source->getCachePolicyHint() == CachePolicy::NO_CACHE)
        return CachePolicy::NO_CACHE;
    return options_.cachePolicy().value_or(CachePolicy::DEFAULT);
}

QString ImageLayer::getCacheBinId() const
{
    const QByteArray identity =
        (options_.driver().getDriver() + QLatin1Char('|') + options_.driver().cacheIdentity())
            .toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(16));
}

void ImageLayer::setCache(std::shared_ptr<const FileSystemCache> cache)
{
    std::lock_guard<std::mutex> lock(cacheMutex_);
    cache_ = std::move(cache);
}

std::shared_ptr<const FileSystemCache> ImageLayer::cache() const
{
    std::lock_guard<std::mutex> lock(cacheMutex_);
    return cache_;
}

std::optional<TileResult> ImageLayer::readCache(const FileSystemCache& cache,
                                                const TileKey& key) const
{
    const QString ext = source_->getExtension();
    const std::optional<QByteArray> bytes = cache.read(getCacheBinId(), key, ext);
    if (!bytes)
        return std::nullopt;
    QImage image = QImage::fromData(*bytes);
    if (image.isNull()) {
        qWarning() << "Dropping unreadable cached tile" << cache.tilePath(getCacheBinId(), key, ext);
        cache.remove(getCacheBinId(), key, ext);
        return std::nullopt;
    }
    if (image.size() != QSize(Profile::TileSize, Profile::TileSize))
        image = image.scaled(Profile::TileSize, Profile::TileSize, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    return TileResult::ok(image.convertToFormat(QImage::Format_RGBA8888), *bytes);
}

TileResult ImageLayer::createImage(const TileKey& key, ProgressCallback* progress) const
{
    TileSource* source = getTileSource();
    if (!source)
        return TileResult::failed(getStatus().message());
    if (!isKeyInRange(key))
        return TileResult::noData();
    if (progress && progress->isCanceled())
        return TileResult::cancelled();

    const CachePolicy policy = getCachePolicy();
    const std::shared_ptr<const FileSystemCache> fsCache = cache();
    if (policy.isCacheEnabled() && fsCache) {
        if (std::optional<TileResult> cached = readCache(*fsCache, key))
            return *cached;
    }
    if (policy.isCacheOnly())
        return TileResult::noData();

    TileResult result = source->createImage(key, progress);
    if (result.isOk() && policy == CachePolicy::DEFAULT && fsCache && source->isNetworkSource()) {
        QByteArray bytes = result.encoded();
        if (bytes.isEmpty()) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            result.image().save(&buffer, "PNG");
        }
        fsCache->write(getCacheBinId(), key, source->getExtension(), bytes);
    }
    return result;
}

} // namespace kiv::geo
