#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QString>
#include <QUrl>

namespace kiv {

// The picture tool. For now it provides the naming of new picture files in the
// current project's "images" folder.
class ImageTool : public Tool
{
    Q_OBJECT

public:
    explicit ImageTool(QObject* parent = nullptr);
    ~ImageTool() override;

    // A free absolute path for a new picture in the current project's
    // "images" folder (created when missing): prefix, local date and time
    // ("2024-05-01_12-30-05"), suffix. Empty when there is no current
    // project, the folder cannot be made or the file already exists.
    static QString uniqueImagePath(const QString& prefix, const QString& suffix);
    static QString makeUniqueImagePath(const QString& prefix, const QString& suffix);

    // The same, below the given project folder.
    static QString uniqueImagePathIn(const QString& projectFolder, const QString& prefix,
                                     const QString& suffix);

    // Saves a picture as a photograph datum of the current locality; needs no
    // tool instance (the stereonet tool saves its plot through it).
    static bool saveImageFile(const QUrl& imageSource, double imageHeading, const QString& comment,
                              const QPointF& location, bool isGpsLocation);

private:
    static QString currentProjectFolder();
};

} // namespace kiv
