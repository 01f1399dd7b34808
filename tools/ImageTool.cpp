#include "tools/ImageTool.h"

#include "model/ModelManager.h"
#include "model/Project.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace kiv {

ImageTool::ImageTool(QObject* parent)
    : Tool(parent)
{
}

ImageTool::~ImageTool() = default;

QString ImageTool::uniqueImagePath(const QString& prefix, const QString& suffix)
{
    return uniqueImagePathIn(currentProjectFolder(), prefix, suffix);
}

QString ImageTool::makeUniqueImagePath(const QString& prefix, const QString& suffix)
{
    return uniqueImagePath(prefix, suffix);
}

QString ImageTool::uniqueImagePathIn(const QString& projectFolder, const QString& prefix,
                                     const QString& suffix)
{
    if (projectFolder.isEmpty())
        return QString();
    // The name must stay inside the images folder.
    for (const QString& part : {prefix, suffix}) {
        if (part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')))
            return QString();
    }
    QDir project(projectFolder);
    const QString imagesPath = project.absoluteFilePath(QStringLiteral("images"));
    if (!QDir().mkpath(imagesPath) || !QFileInfo(imagesPath).isDir())
        return QString();

    QString stamp = QDateTime::currentDateTime().toString(Qt::ISODate);
    stamp.replace(QLatin1Char('T'), QLatin1Char('_')).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString path = QDir(imagesPath).absoluteFilePath(prefix + stamp + suffix);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return QString();
    return path;
}

QString ImageTool::currentProjectFolder()
{
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->currentProject() : nullptr;
    return project ? project->folder().absolutePath() : QString();
}

bool ImageTool::saveImageFile(const QUrl&, double, const QString&, const QPointF&, bool)
{
    return false;
}

} // namespace kiv
