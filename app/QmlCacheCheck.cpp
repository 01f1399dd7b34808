#include "app/QmlCacheCheck.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace kiv {

namespace {

// The unit's header: magic, format and Qt versions, source time, then the
// unit's size in bytes, little-endian.
const QByteArray Magic = QByteArrayLiteral("qv4cdata");
constexpr int SizeOffset = 24;
constexpr int HeaderStart = SizeOffset + 4;

} // namespace

int QmlCacheCheck::removeCutFiles(const QString& folder)
{
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.qmlc"), QStringLiteral("*.jsc")}, QDir::Files)) {
        const QString path = dir.absoluteFilePath(name);
        if (isCut(path) && QFile::remove(path))
            ++removed;
    }
    return removed;
}

bool QmlCacheCheck::isCut(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(HeaderStart);
    if (header.size() < HeaderStart || !header.startsWith(Magic))
        return true;
    const quint32 unitSize = qFromLittleEndian<quint32>(header.constData() + SizeOffset);
    return file.size() < qint64(unitSize);
}

} // namespace kiv
