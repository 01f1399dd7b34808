#pragma once

#include "geo/TileSource.h"

#include <QStringList>

namespace kiv::geo {

// Makes the tile sources of one driver. A driver named "x" serves the file
// extension "osgearth_x", which is how the registry finds it.
class TileSourceDriver
{
public:
    struct ReadResult
    {
        enum Status { FILE_NOT_HANDLED, FILE_LOADED, ERROR_IN_READING_FILE };
        Status status = FILE_NOT_HANDLED;
        osg::ref_ptr<TileSource> source;
    };

    virtual ~TileSourceDriver();

    virtual QString className() const = 0;
    virtual ReadResult readObject(const QString& fileName,
                                  const TileSourceOptions& options) const = 0;

    bool acceptsExtension(const QString& extension) const;
    QStringList supportedExtensions() const { return extensions_; }

protected:
    void supportsExtension(const QString& extension, const QString& description);
    // The lower-case suffix of a file name, "" when it has none.
    static QString lowerCaseExtension(const QString& fileName);

private:
    QStringList extensions_;
    QStringList descriptions_;
};

} // namespace kiv::geo
