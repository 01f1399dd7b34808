#include "drawing/ImageFile.h"

#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace kiv {

bool ImageFile::save(const QImage& image, const QString& path, const char* format)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLatin1();
    QSaveFile file(path);
    // A small picture waits in the buffer until the commit, which does not
    // report a failed last write: the flush is checked first. Uncommitted,
    // the new file is dropped and the old one stays.
    return file.open(QIODevice::WriteOnly) && image.save(&file, format ? format : suffix.constData())
           && file.flush() && file.commit();
}

} // namespace kiv
