#pragma once

#include "model/IdCreator.h"
#include "model/ProjectId.h"

#include <QDir>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace kiv {

class Locality;
class Project;

// Owner of the open projects and of the user's current choices.
class ModelManager : public QObject, private IdCreator
{
    Q_OBJECT
    Q_PROPERTY(kiv::Project* currentProject READ currentProjectObject NOTIFY currentProjectChanged)
    Q_PROPERTY(kiv::Locality* currentLocality READ currentLocalityObject NOTIFY
                   currentLocalityChanged)

public:
    static ModelManager*& instance();

    explicit ModelManager(QObject* parent = nullptr);
    ~ModelManager() override;

    int projectCount() const { return static_cast<int>(m_projects.size()); }
    std::shared_ptr<Project> projectAt(int index) const;
    std::shared_ptr<Project> projectById(ProjectId id) const;

    std::shared_ptr<Project> currentProject() const { return m_currentProject; }
    std::shared_ptr<Locality> currentLocality() const { return m_currentLocality; }
    Project* currentProjectObject() const { return m_currentProject.get(); }
    Locality* currentLocalityObject() const { return m_currentLocality.get(); }

    // Opens the project in folder and adds it; empty when main.db could not
    // be opened.
    std::shared_ptr<Project> openProject(const QDir& folder);
    // Creates a project with main.db in folder and adds it.
    std::shared_ptr<Project> createProject(const QString& name, const QDir& folder);

    void setCurrentLocality(std::shared_ptr<Locality> locality);
    Q_INVOKABLE void setCurrentLocality(int index);

signals:
    void currentProjectChanged(kiv::Project* project);
    void currentLocalityChanged(kiv::Locality* locality);
    void projectListChanged();

private:
    void addProject(std::shared_ptr<Project> project);
    void sortProjects();

    QDir m_projectsRoot;
    std::vector<std::shared_ptr<Project>> m_projects;
    std::shared_ptr<Project> m_currentProject;
    std::shared_ptr<Locality> m_currentLocality;
};

} // namespace kiv
