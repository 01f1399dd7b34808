#include "app/ThumbnailImageProvider.h"

namespace kiv {

ThumbnailImageProvider::ThumbnailImageProvider(int targetWidth, int targetHeight, bool useCache)
    : QQuickImageProvider(QQuickImageProvider::Image)
    , m_targetWidth(targetWidth)
    , m_targetHeight(targetHeight)
    , m_useCache(useCache)
{
}

QImage ThumbnailImageProvider::requestImage(const QString&, QSize* size, const QSize&)
{
    if (size)
        *size = QSize();
    return QImage();
}

} // namespace kiv
