#include "app/ThumbnailImageProvider.h"

#include "Database/PersistantCache.h"
#include "app/ApplicationManager.h"
#include "model/ModelManager.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMutexLocker>
#include <QQmlEngine>
#include <QUrl>

#include <limits>

namespace kiv {

namespace {

constexpr int MinimumSide = 8;
constexpr int FallbackSide = 400;

// A size of the theme object in GL pixels, truncated; -1 without a theme, so
// that the request supplies it.
int themeSize(const char* name)
{
    const ApplicationManager* application = ApplicationManager::instance();
    const QObject* ui = application ? application->ui() : nullptr;
    if (!ui)
        return -1;
    bool ok = false;
    const double value = ui->property(name).toDouble(&ok);
    return ok ? static_cast<int>(value * application->physicalToGLMultiplier()) : -1;
}

int threeQuarters(int width)
{
    return width < 0 ? -1 : width * 3 / 4;
}

// The cache, only once start-up made it: created here it would belong to
// an image thread and might open before its folder exists.
PersistantCache* existingCache()
{
    return PersistantCache::exists() ? PersistantCache::instance() : nullptr;
}

// Decodes the part of the picture that covers target once scaled with its
// aspect ratio kept, centred along the overflowing axis. The reader scales
// and clips while decoding, so a photograph is never decoded whole.
QImage decodeCovering(const QString& path, const QSize& target)
{
    QImageReader reader(path);
    const QSize full = reader.size();
    if (full.width() <= 0 || full.height() <= 0)
        return QImage();
    const qint64 sw = full.width();
    const qint64 sh = full.height();
    qint64 scaledWidth = target.width();
    qint64 scaledHeight = target.width() * sh / sw;
    if (scaledHeight < target.height()) {
        scaledHeight = target.height();
        scaledWidth = target.height() * sw / sh;
    }
    if (scaledWidth > std::numeric_limits<int>::max() || scaledHeight > std::numeric_limits<int>::max())
        return QImage();
    QRect clip(QPoint(0, 0), target);
    if (scaledWidth > target.width())
        clip.moveLeft(static_cast<int>((scaledWidth - target.width()) / 2));
    else
        clip.moveTop(static_cast<int>((scaledHeight - target.height()) / 2));
    reader.setScaledSize(QSize(static_cast<int>(scaledWidth), static_cast<int>(scaledHeight)));
    reader.setScaledClipRect(clip);
    return reader.read();
}

} // namespace

ThumbnailImageProvider::ThumbnailImageProvider(int targetWidth, int targetHeight, bool useCache)
    : QQuickImageProvider(QQuickImageProvider::Image)
    , m_targetWidth(targetWidth)
    , m_targetHeight(targetHeight)
    , m_useCache(useCache)
{
}

void ThumbnailImageProvider::addProviders(QQmlEngine* engine)
{
    engine->addImageProvider(QStringLiteral("thumbnail"), new CalloutThumbnailImageProvider());
    engine->addImageProvider(QStringLiteral("cell"), new DataCellThumbnailImageProvider());
    engine->addImageProvider(QStringLiteral("detail"), new DataDetailThumbnailImageProvider());
    engine->addImageProvider(QStringLiteral("gallery"), new ImageGalleryThumbnailImageProvider());
    engine->addImageProvider(QStringLiteral("default"), new ThumbnailImageProvider());
}

QImage ThumbnailImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    if (id.isEmpty() || id == QLatin1String("undefined"))
        return QImage();
    QString path;
    QString cacheName;
    if (!resolve(id, &path, &cacheName))
        return QImage();
    const QSize target = targetSize(requestedSize);
    if (target.isEmpty())
        return QImage();
    if (size)
        *size = target;

    const QString key = QStringLiteral("%1/%2/%3").arg(cacheName).arg(target.width()).arg(target.height());
    const QDateTime modified = QFileInfo(path).lastModified();
    if (m_useCache) {
        const QImage cached = readCached(key, modified);
        if (!cached.isNull())
            return cached;
    }
    const QImage image = decodeCovering(path, target);
    if (image.isNull())
        return QImage();
    if (m_useCache)
        writeCached(key, image, modified);
    return image;
}

bool ThumbnailImageProvider::resolve(const QString& id, QString* path, QString* cacheName)
{
    const QUrl url(id);
    QString file = url.isValid() ? url.toLocalFile() : QString();
    if (file.isEmpty()) {
        file = id;
        if (file.startsWith(QLatin1String("file://")))
            file.remove(0, 7);
    }
    // Never the model manager's project pointer: the GUI thread switches it.
    const QString imagesPath = ModelManager::currentImagesPath();
    QFileInfo info(file);
    if (imagesPath.isEmpty()) {
        if (!info.exists())
            return false;
        // Two projects' pictures may share a name: the key is the full path.
        *path = info.absoluteFilePath();
        *cacheName = *path;
        return true;
    }
    const QDir images(imagesPath);
    if (!info.exists()) {
        info.setFile(images.absoluteFilePath(file));
        if (!info.exists())
            return false;
    }
    *path = info.absoluteFilePath();
    *cacheName = images.relativeFilePath(file);
    return true;
}

QSize ThumbnailImageProvider::targetSize(const QSize& requestedSize) const
{
    // A side of 0 or less is not given, as when QML sets only one side.
    const int requestedWidth = requestedSize.width() > 0 ? requestedSize.width() : -1;
    const int requestedHeight = requestedSize.height() > 0 ? requestedSize.height() : -1;
    int width = m_targetWidth == -1 ? requestedWidth : m_targetWidth;
    int height = m_targetHeight == -1 ? requestedHeight : m_targetHeight;
    if (width < MinimumSide && requestedWidth == -1)
        width = FallbackSide;
    if (height < MinimumSide && requestedHeight == -1)
        height = FallbackSide;
    if (width < MinimumSide || height < MinimumSide)
        return QSize();
    return QSize(width, height);
}

QImage ThumbnailImageProvider::readCached(const QString& key, const QDateTime& modified) const
{
    PersistantCache* cache = existingCache();
    if (!cache)
        return QImage();
    const QDateTime stored = cache->getTimestamp(key);
    if (!stored.isValid() || stored != modified)
        return QImage();
    return cache->getImage(key);
}

void ThumbnailImageProvider::writeCached(const QString& key, const QImage& image, const QDateTime& modified)
{
    PersistantCache* cache = existingCache();
    if (!cache)
        return;
    const QMutexLocker locker(&m_cacheWriteMutex);
    if (!cache->putImage(key, image))
        qDebug() << "Failed to cache image:" << key;
    if (!cache->putTimestamp(key, modified))
        qDebug() << "Failed to cache timestamp:" << key;
}

CalloutThumbnailImageProvider::CalloutThumbnailImageProvider()
    : ThumbnailImageProvider(themeSize("buttonHeight"), themeSize("buttonHeight"), true)
{
}

DataCellThumbnailImageProvider::DataCellThumbnailImageProvider()
    : ThumbnailImageProvider(themeSize("panelWidth"), themeSize("listCellHeight"), true)
{
}

DataDetailThumbnailImageProvider::DataDetailThumbnailImageProvider()
    : ThumbnailImageProvider(themeSize("panelWidth"), threeQuarters(themeSize("panelWidth")), true)
{
}

ImageGalleryThumbnailImageProvider::ImageGalleryThumbnailImageProvider()
    : ThumbnailImageProvider(themeSize("galleryGridSize"), themeSize("galleryGridSize"), false)
{
}

QImage ImageGalleryThumbnailImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const QImage image = ThumbnailImageProvider::requestImage(id, size, requestedSize);
    if (!image.isNull() || id.isEmpty())
        return image;
    // The gallery lists every file its filters match, named like a picture
    // or not; one that will not decode must not cost a warning per cell.
    QString path;
    QString cacheName;
    const QSize target = targetSize(requestedSize);
    if (!resolve(id, &path, &cacheName) || !QFileInfo(path).isFile() || target.isEmpty())
        return image;
    if (size)
        *size = target;
    QImage blank(target, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    return blank;
}

} // namespace kiv
