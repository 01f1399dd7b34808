#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QSize>
#include <QString>

namespace kiv {

class Data;

// The files of a field sketch in the project's images folder: the flattened
// picture the datum shows ("IMG_"), the stroke layer ("SKETCH_", PNG) and, over
// a photograph, the untouched background ("BACKGROUND_"). The names follow the
// flattened picture's; only file names change, never folder names.
class SketchFiles
{
public:
    static const QString ImagePrefix;
    static const QString SketchPrefix;
    static const QString BackgroundPrefix;
    static constexpr QImage::Format PictureFormat = QImage::Format_ARGB32_Premultiplied;

    static QString layerPath(const QString& imagePath);
    static QString backgroundPath(const QString& imagePath);
    // Where the photograph under an "IMG_" picture is kept unprefixed.
    static QString originalPath(const QString& imagePath);
    static bool hasImagePrefix(const QString& path);
    // The photograph's path with "IMG_" before its file name.
    static QString prefixedPath(const QString& photoPath);

    // Copies the photograph; a copy left by an earlier, partly failed save
    // counts as done.
    static bool keepOriginal(const QString& source, const QString& target);

    static QImage filledPicture(const QSize& size, const QColor& colour);
    // The layer over the background, on white.
    static QImage flattened(const QImage& background, const QImage& layer);
    // The photograph scaled to fit, keeping its aspect ratio; null when it
    // cannot be read.
    static QImage readScaledPhoto(const QString& path, const QSize& fit);
    // An image datum's pictures: its saved layer over its background (white
    // when that is lost), or, never sketched, its photograph scaled to fit
    // under a clear layer. False when the layer or photograph cannot be read.
    static bool load(const QDir& images, const Data& data, const QSize& fit, QImage& background, QImage& layer);
};

} // namespace kiv
