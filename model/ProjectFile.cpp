#include "ProjectFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kiv {
namespace ProjectFile {

namespace {

// The name's parts when it is relative and never steps up; empty otherwise.
QStringList plainParts(const QString& name)
{
    QString normal = name;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.isEmpty() || normal.startsWith(QLatin1Char('/')) || QDir::isAbsolutePath(name)
        || normal.contains(QChar(0)))
        return {};
    const QStringList parts = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return {};
    }
    return parts;
}

} // namespace

QString resolve(const QDir& folder, const QString& name)
{
    const QStringList parts = plainParts(name);
    if (parts.isEmpty())
        return QString();
    QString path = folder.absolutePath();
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isSymLink())
            return QString();
    }
    const QFileInfo info(path);
    return info.isFile() ? path : QString();
}

QString freshPath(const QDir& folder, const QString& name)
{
    const QStringList parts = plainParts(name);
    if (parts.size() != 1)
        return QString();
    const QString path = folder.absoluteFilePath(parts.first());
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return QString();
    return path;
}

bool isRecordId(const QString& id)
{
    static const QRegularExpression format(QStringLiteral("\\A[0-9A-Fa-f]{32}\\z"));
    return format.match(id).hasMatch();
}

QString fileNameForId(const QString& id)
{
    if (isRecordId(id))
        return id;
    return QString::fromLatin1(QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace ProjectFile
} // namespace kiv
