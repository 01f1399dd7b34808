#include "drawing/SketchFiles.h"

#include "model/Data.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace kiv {

const QString SketchFiles::ImagePrefix = QStringLiteral("IMG_");
const QString SketchFiles::SketchPrefix = QStringLiteral("SKETCH_");
const QString SketchFiles::BackgroundPrefix = QStringLiteral("BACKGROUND_");

namespace {

// The path with only its file name changed: every `from` replaced by `to`,
// and the suffix swapped when one is given.
QString renamed(const QString& path, const QString& from, const QString& to, const QString& suffix = QString())
{
    const QFileInfo info(path);
    QString name = suffix.isEmpty() ? info.fileName() : info.completeBaseName() + QLatin1Char('.') + suffix;
    name.replace(from, to);
    return info.dir().absoluteFilePath(name);
}

bool sameContents(const QString& first, const QString& second)
{
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 chunk = 1 << 16;
    while (!a.atEnd()) {
        if (a.read(chunk) != b.read(chunk))
            return false;
    }
    return true;
}

} // namespace

QString SketchFiles::layerPath(const QString& imagePath)
{
    return renamed(imagePath, ImagePrefix, SketchPrefix, QStringLiteral("png"));
}

QString SketchFiles::backgroundPath(const QString& imagePath)
{
    return renamed(imagePath, ImagePrefix, BackgroundPrefix);
}

QString SketchFiles::originalPath(const QString& imagePath)
{
    return renamed(imagePath, ImagePrefix, QString());
}

bool SketchFiles::hasImagePrefix(const QString& path)
{
    return QFileInfo(path).fileName().contains(ImagePrefix);
}

QString SketchFiles::prefixedPath(const QString& photoPath)
{
    const QFileInfo photo(photoPath);
    return photo.dir().absoluteFilePath(ImagePrefix + photo.fileName());
}

bool SketchFiles::keepOriginal(const QString& source, const QString& target)
{
    if (QFile::copy(source, target))
        return true;
    return QFileInfo(target).isFile() && sameContents(source, target);
}

QImage SketchFiles::filledPicture(const QSize& size, const QColor& colour)
{
    QImage picture(size, PictureFormat);
    picture.fill(colour);
    return picture;
}

QImage SketchFiles::flattened(const QImage& background, const QImage& layer)
{
    QImage picture = filledPicture(background.size(), Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(0, 0, background);
    painter.drawImage(0, 0, layer);
    painter.end();
    return picture;
}

QImage SketchFiles::readScaledPhoto(const QString& path, const QSize& fit)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.width() <= 0 || size.height() <= 0)
        return QImage();
    const double aspect = double(size.height()) / size.width();
    int targetWidth = fit.width();
    int targetHeight = int(targetWidth * aspect);
    if (targetHeight > fit.height()) {
        targetHeight = fit.height();
        targetWidth = int(targetHeight / aspect);
    }
    reader.setScaledSize(QSize(targetWidth, targetHeight));
    QImage photo;
    if (!reader.read(&photo))
        return QImage();
    return photo.convertToFormat(PictureFormat);
}

bool SketchFiles::load(const QDir& images, const Data& data, const QSize& fit, QImage& background, QImage& layer)
{
    if (data.sketchPath().isEmpty()) {
        background = readScaledPhoto(images.absoluteFilePath(data.imagePath()), fit);
        if (background.isNull())
            return false;
        layer = filledPicture(background.size(), Qt::transparent);
        return true;
    }
    layer = QImage(images.absoluteFilePath(data.sketchPath())).convertToFormat(PictureFormat);
    if (layer.isNull())
        return false;
    if (!data.backgroundPath().isEmpty())
        background = QImage(images.absoluteFilePath(data.backgroundPath())).convertToFormat(PictureFormat);
    // A lost background leaves a white page under the strokes.
    if (background.isNull())
        background = filledPicture(layer.size(), Qt::white);
    return true;
}

} // namespace kiv
