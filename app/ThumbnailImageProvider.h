#pragma once

#include <QQuickImageProvider>

namespace kiv {

// Serves project pictures to QML, scaled to the size each place needs.
// Until thumbnails are rendered it answers with an empty image.
class ThumbnailImageProvider : public QQuickImageProvider
{
public:
    ThumbnailImageProvider(int targetWidth = -1, int targetHeight = -1, bool useCache = true);

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    int targetWidth() const { return m_targetWidth; }
    int targetHeight() const { return m_targetHeight; }
    bool useCache() const { return m_useCache; }

private:
    int m_targetWidth;
    int m_targetHeight;
    bool m_useCache;
};

} // namespace kiv
