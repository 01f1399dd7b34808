#include "model/ProjectListModel.h"

#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QDebug>

namespace kiv {

namespace {

bool isPhotograph(const QString& imagePath)
{
    // Stereonet plots and map snapshots are pictures, not photographs.
    return !imagePath.isEmpty() && !imagePath.startsWith(QLatin1String("STEREONET_"))
        && !imagePath.startsWith(QLatin1String("MAP_"));
}

QString firstPhotograph(const Locality& locality)
{
    for (const auto& data : locality.data()) {
        if (isPhotograph(data->imagePath()))
            return data->imagePath();
    }
    return QString();
}

bool isCurrent(const Project& project)
{
    const ModelManager* manager = project.owner();
    return manager && manager->currentProject().get() == &project;
}

} // namespace

ProjectListModel::ProjectListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_manager(ModelManager::instance())
{
    qDebug() << "ProjectListModel::ProjectListModel";
    if (m_manager) {
        connect(m_manager, &ModelManager::projectListChanged, this, &ProjectListModel::onProjectListChanged);
        // Which project is left out depends on the current one.
        connect(m_manager, &ModelManager::currentProjectChanged, this,
                &ProjectListModel::onCurrentProjectChanged);
    }
}

ProjectListModel::~ProjectListModel()
{
    qDebug() << "ProjectListModel::~ProjectListModel";
}

int ProjectListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_manager)
        return 0;
    const int count = m_manager->projectCount() - (m_excludeCurrentProject ? 1 : 0);
    return qMax(0, count);
}

std::shared_ptr<Project> ProjectListModel::projectForRow(int row) const
{
    if (!m_manager || row < 0 || row >= rowCount())
        return {};
    const std::shared_ptr<Project> current = m_manager->currentProject();
    if (!m_excludeCurrentProject || !current)
        return m_manager->projectAt(row);
    // The rows keep the list's order, with the current project skipped.
    for (int i = 0, listed = 0; i < m_manager->projectCount(); ++i) {
        std::shared_ptr<Project> project = m_manager->projectAt(i);
        if (project == current)
            continue;
        if (listed++ == row)
            return project;
    }
    return {};
}

QVariant ProjectListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const std::shared_ptr<Project> project = projectForRow(index.row());
    if (!project)
        return {};
    switch (role) {
    case ProjectId:
        return project->projectId().value();
    case Qt::DisplayRole:
    case Name:
        return project->name();
    case Declination:
        return project->declination();
    case LocalityBaseName:
        return project->localityBaseName();
    case PathDisplayString:
        return project->pathDisplayString();
    case Description:
        return project->description();
    case TimeString:
        return project->timeString();
    case NumLocalities:
        if (project->localities().empty())
            project->load(false);
        return project->numberOfLocalities();
    case FileSize:
        return sizeText(project->projectSize());
    case LastImage:
        return lastImage(*project);
    default:
        return {};
    }
}

QHash<int, QByteArray> ProjectListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(ProjectId, "projectId");
    names.insert(Name, "name");
    names.insert(Declination, "declination");
    names.insert(LocalityBaseName, "localityBaseName");
    names.insert(PathDisplayString, "pathDisplayString");
    names.insert(Description, "description");
    names.insert(TimeString, "timeString");
    names.insert(NumLocalities, "numLocalities");
    names.insert(FileSize, "fileSize");
    names.insert(LastImage, "lastImage");
    return names;
}

QString ProjectListModel::sizeText(qulonglong bytes)
{
    const qulonglong kilobytes = bytes / 1024;
    if (kilobytes <= 1024)
        return QStringLiteral("%1KB").arg(kilobytes);
    return QStringLiteral("%1MB").arg(bytes / 1048576);
}

QVariant ProjectListModel::lastImage(Project& project)
{
    // The current project's content is in use: nothing of it is dropped.
    const bool mayDrop = !isCurrent(project);
    const bool loadedLocalities = project.localities().empty();
    if (loadedLocalities)
        project.load(false);
    QString found;
    for (const auto& locality : project.localities()) {
        // Only a locality without anything in memory was not loaded before.
        const bool loadedContent = locality->data().empty() && locality->lines().empty();
        if (loadedContent)
            project.loadLocalityContent(*locality);
        found = firstPhotograph(*locality);
        if (loadedContent && mayDrop)
            locality->clear();
        if (!found.isEmpty())
            break;
    }
    if (loadedLocalities && mayDrop)
        project.clearLocalities();
    if (found.isEmpty())
        return {};
    return project.folder().absoluteFilePath(QStringLiteral("images/") + found);
}

int ProjectListModel::getIndexFromProjectId(uint projectId)
{
    if (!m_manager)
        return -1;
    for (int i = 0; i < m_manager->projectCount(); ++i) {
        if (m_manager->projectAt(i)->projectId().value() == projectId)
            return i;
    }
    return -1;
}

void ProjectListModel::onProjectListChanged()
{
    beginResetModel();
    endResetModel();
}

void ProjectListModel::onCurrentProjectChanged()
{
    if (m_excludeCurrentProject)
        onProjectListChanged();
}

void ProjectListModel::setExcludeCurrentProject(bool exclude)
{
    if (m_excludeCurrentProject == exclude)
        return;
    beginResetModel();
    m_excludeCurrentProject = exclude;
    endResetModel();
    emit excludeCurrentProjectChanged(m_excludeCurrentProject);
}

} // namespace kiv
