#pragma once

#include <QMutex>
#include <QQuickImageProvider>

class QQmlEngine;

namespace kiv {

// Serves project pictures to QML, cropped and scaled to the size each place
// needs, and keeps the results in the persistent cache. A target size of -1
// is taken from the request. Qt calls requestImage on its image threads.
class ThumbnailImageProvider : public QQuickImageProvider
{
public:
    ThumbnailImageProvider(int targetWidth = -1, int targetHeight = -1, bool useCache = true);

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    int targetWidth() const { return m_targetWidth; }
    int targetHeight() const { return m_targetHeight; }
    bool useCache() const { return m_useCache; }

    // Adds "thumbnail", "cell", "detail", "gallery" and "default", in this
    // order; the engine owns them. Reads the theme's sizes, so the theme
    // object and the UI scale must be set first.
    static void addProviders(QQmlEngine* engine);

protected:
    // The file an id names and its cache name; false when there is none.
    static bool resolve(const QString& id, QString* path, QString* cacheName);
    QSize targetSize(const QSize& requestedSize) const;

private:
    QImage readCached(const QString& key, const QDateTime& modified) const;
    void writeCached(const QString& key, const QImage& image, const QDateTime& modified);

    int m_targetWidth;
    int m_targetHeight;
    QMutex m_cacheWriteMutex;
    bool m_useCache;
};

// Map callouts: one button square.
class CalloutThumbnailImageProvider : public ThumbnailImageProvider
{
public:
    CalloutThumbnailImageProvider();
};

// Data list cells: a panel wide, a list cell high.
class DataCellThumbnailImageProvider : public ThumbnailImageProvider
{
public:
    DataCellThumbnailImageProvider();
};

// The data detail panel: a panel wide, three quarters of that high.
class DataDetailThumbnailImageProvider : public ThumbnailImageProvider
{
public:
    DataDetailThumbnailImageProvider();
};

// Gallery cells: browsed once, so never cached. A file that will not
// decode gets a blank cell rather than no image.
class ImageGalleryThumbnailImageProvider : public ThumbnailImageProvider
{
public:
    ImageGalleryThumbnailImageProvider();

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

} // namespace kiv
