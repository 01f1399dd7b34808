#include "model/EditBaseMapCommand.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "model/MBTilesBounds.h"
#include "model/ProjectFile.h"
#include "model/RemoveBaseMapCommand.h"
#include "model/StorageStep.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kiv {

namespace {

bool isSameFile(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

// Deletes what lies at destination, then copies; false when the copy failed
// or destination is empty (a place the project's files may not take).
bool replaceFile(const QString& source, const QString& destination)
{
    if (destination.isEmpty()) {
        qWarning() << "Not copying" << source << ": its name is taken or not allowed in the project";
        return false;
    }
    if (QFileInfo::exists(destination))
        QFile::remove(destination);
    if (QFile::copy(source, destination))
        return true;
    qWarning() << "Could not copy" << source << "to" << destination;
    return false;
}

} // namespace

bool EditBaseMapCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << m_url << m_opacity << qint32(m_index);
    return stream.status() == QDataStream::Ok;
}

bool EditBaseMapCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    QUrl url;
    double opacity = 1.0;
    qint32 index = -1;
    stream >> url >> opacity >> index;
    if (stream.status() != QDataStream::Ok)
        return false;
    m_url = url;
    m_opacity = opacity;
    m_index = index;
    return true;
}

void EditBaseMapCommand::setUrl(const QUrl& url)
{
    m_url = url;
    m_opacity = 1.0;
}

void EditBaseMapCommand::setBaseMap(const Project::BaseMap& baseMap)
{
    m_url = baseMap.location;
    m_opacity = baseMap.opacity;
}

std::optional<Project::BaseMap> EditBaseMapCommand::findBaseMap(const QUrl& location)
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project)
        return std::nullopt;
    const int index = indexOf(*project, location);
    if (index < 0)
        return std::nullopt;
    return project->baseMaps()[std::size_t(index)];
}

QStringList EditBaseMapCommand::sidecarFiles(const QString& mapPath)
{
    const QFileInfo map(mapPath);
    const QString base = map.baseName();
    const QString full = map.fileName();
    const QStringList names = {base + QStringLiteral(".prj"),     full + QStringLiteral(".txt"),
                               full + QStringLiteral(".aux.xml"), base + QStringLiteral(".tab"),
                               base + QStringLiteral(".wld"),     base + QStringLiteral(".tiffw"),
                               base + QStringLiteral(".tifw"),    base + QStringLiteral(".tfw")};
    const QDir folder = map.absoluteDir();
    QStringList found;
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort)) {
        if (names.contains(file.fileName(), Qt::CaseInsensitive))
            found << file.absoluteFilePath();
    }
    return found;
}

std::shared_ptr<Project> EditBaseMapCommand::targetProject()
{
    return AppContext::currentProject();
}

int EditBaseMapCommand::indexOf(const Project& project, const QUrl& location)
{
    const std::vector<Project::BaseMap>& maps = project.baseMaps();
    for (std::size_t i = 0; i < maps.size(); ++i) {
        if (maps[i].location == location)
            return static_cast<int>(i);
    }
    return -1;
}

bool EditBaseMapCommand::saveProject(Project& project)
{
    return runStorageStep("EditBaseMapCommand: saving the project failed:", [&] { return project.save(); });
}

void EditBaseMapCommand::announce(const QString& path)
{
    if (ApplicationManager* application = ApplicationManager::instance())
        emit application->fileSystemChanged({path});
}

bool EditBaseMapCommand::copyIntoProject(const QString& source, const QString& destination, bool isTiff)
{
    const QDir folder = QFileInfo(destination).absoluteDir();
    if (isTiff) {
        for (const QString& sidecar : sidecarFiles(source)) {
            const QString target = ProjectFile::writablePath(folder, QFileInfo(sidecar).fileName());
            if (replaceFile(sidecar, target))
                announce(QFileInfo(target).absoluteFilePath());
        }
    }
    if (!replaceFile(source, destination)) {
        // A partial copy is worth nothing.
        QFile::remove(destination);
        return false;
    }
    announce(QFileInfo(destination).absoluteFilePath());
    const QFileInfo sourceInfo(source);
    if (sourceInfo.suffix().toLower() == QLatin1String("earth")) {
        QString companion = sourceInfo.absoluteFilePath();
        companion.chop(sourceInfo.suffix().size());
        companion += QLatin1String("xml");
        if (QFileInfo::exists(companion))
            replaceFile(companion, ProjectFile::writablePath(folder, QFileInfo(companion).fileName()));
    }
    return true;
}

bool EditBaseMapCommand::addMap()
{
    const std::shared_ptr<Project> project = targetProject();
    const QString source = m_url.toLocalFile();
    if (!project || source.isEmpty() || !QFileInfo::exists(source))
        return false;
    const QFileInfo sourceInfo(source);
    // Never over main.db, a link or a folder.
    const QString destination = ProjectFile::writablePath(project->folder(), sourceInfo.fileName());
    if (destination.isEmpty())
        return false;
    const QUrl location = QUrl::fromLocalFile(destination);
    if (indexOf(*project, location) >= 0)
        return true;
    // A file already in the project folder is registered where it lies.
    const bool inPlace = isSameFile(source, destination);
    const QString suffix = sourceInfo.suffix().toLower();
    const bool isTiff = suffix == QLatin1String("tif") || suffix == QLatin1String("tiff");
    if (!inPlace && !copyIntoProject(source, destination, isTiff))
        return false;

    const QFileInfo destinationInfo(destination);
    const bool isMBTiles = destinationInfo.suffix().toLower() == QLatin1String("mbtiles");
    project->addBaseMap(isMBTiles ? QStringLiteral("MBTiles") : QStringLiteral("GeoTiff"),
                        destinationInfo.baseName(), location, true, m_opacity,
                        isMBTiles ? readMBTilesBounds(location) : QRectF());
    const int place = static_cast<int>(project->baseMaps().size()) - 1;
    if (m_index != -1 && m_index != place)
        project->moveBaseMap(place, m_index);
    const int index = indexOf(*project, location);
    project->baseMaps()[std::size_t(index)].opacity = m_opacity;
    if (!saveProject(*project)) {
        project->removeBaseMap(index);
        if (!inPlace)
            RemoveBaseMapCommand::removeFiles(project->folder(), location);
        return false;
    }
    emit project->baseMapsChanged();
    m_url = location;
    return true;
}

bool EditBaseMapCommand::removeMap()
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project)
        return false;
    const int index = indexOf(*project, m_url);
    if (index < 0)
        return false;
    const Project::BaseMap removed = project->baseMaps()[std::size_t(index)];
    project->removeBaseMap(index);
    if (!saveProject(*project)) {
        std::vector<Project::BaseMap>& maps = project->baseMaps();
        maps.insert(maps.begin() + index, removed);
        return false;
    }
    RemoveBaseMapCommand::removeFiles(project->folder(), m_url);
    emit project->baseMapRemoved(m_url);
    emit project->baseMapsChanged();
    return true;
}

} // namespace kiv
