#include "model/ModelManager.h"

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QDebug>
#include <QSettings>

#include <algorithm>

namespace kiv {

KIV_DEFINE_SINGLETON(ModelManager, 5)

namespace {
const QString CurrentLocalityKey = QStringLiteral("currentLocality");
} // namespace

ModelManager::ModelManager(QObject* parent)
    : QObject(parent)
{
}

ModelManager::~ModelManager() = default;

std::shared_ptr<Project> ModelManager::projectAt(int index) const
{
    if (index < 0 || index >= projectCount())
        return {};
    return m_projects[static_cast<std::size_t>(index)];
}

std::shared_ptr<Project> ModelManager::projectById(ProjectId id) const
{
    for (const auto& project : m_projects) {
        if (project->projectId() == id)
            return project;
    }
    return {};
}

void ModelManager::addProject(std::shared_ptr<Project> project)
{
    m_projects.push_back(std::move(project));
}

void ModelManager::sortProjects()
{
    std::stable_sort(m_projects.begin(), m_projects.end(),
                     [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
}

std::shared_ptr<Project> ModelManager::openProject(const QDir& folder)
{
    auto project = std::make_shared<Project>(next(), this, folder);
    if (!project->isOpen())
        return {};
    if (project->symbols().empty())
        project->addDefaultSymbols();
    addProject(project);
    emit projectListChanged();
    return project;
}

std::shared_ptr<Project> ModelManager::createProject(const QString& name, const QDir& folder)
{
    auto project = std::make_shared<Project>(next(), this, name, QString(), QString(), folder);
    if (!project->isOpen()) {
        qWarning() << "ModelManager::createProject: project creation failed!";
        return {};
    }
    project->addDefaultSymbols();
    addProject(project);
    sortProjects();
    emit projectListChanged();
    return project;
}

void ModelManager::setCurrentLocality(std::shared_ptr<Locality> locality)
{
    if (!locality) {
        const bool changed = m_currentLocality != nullptr;
        m_currentLocality.reset();
        QSettings().remove(CurrentLocalityKey);
        if (changed)
            emit currentLocalityChanged(nullptr);
        return;
    }
    if (m_currentProject && m_currentLocality) {
        if (locality->projectId() != m_currentProject->projectId())
            return;
        if (locality->id() == m_currentLocality->id())
            return;
    }
    m_currentLocality = std::move(locality);
    emit currentLocalityChanged(m_currentLocality.get());
    QSettings().setValue(CurrentLocalityKey, QString::fromStdString(m_currentLocality->id()));
}

void ModelManager::setCurrentLocality(int index)
{
    setCurrentLocality(m_currentProject ? m_currentProject->localityAt(index) : nullptr);
}

} // namespace kiv
