#include "geo/TileSourceDriver.h"

#include <QFileInfo>

namespace kiv::geo {

TileSourceDriver::~TileSourceDriver() = default;

bool TileSourceDriver::acceptsExtension(const QString& extension) const
{
    return extensions_.contains(extension.toLower());
}

void TileSourceDriver::supportsExtension(const QString& extension, const QString& description)
{
    extensions_.append(extension.toLower());
    descriptions_.append(description);
}

QString TileSourceDriver::lowerCaseExtension(const QString& fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

} // namespace kiv::geo
