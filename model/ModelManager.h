#pragma once

#include "model/IdCreator.h"
#include "model/ProjectId.h"

#include <QColor>
#include <QDir>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <QMutex>

#include <memory>
#include <vector>

namespace kiv {

class AbstractLocationManager;
class Index;
class Locality;
class Project;

// Owner of the open projects and of the user's current choices: project,
// locality, rock unit and symbol, remembered in the application settings.
class ModelManager : public QObject, private IdCreator
{
    Q_OBJECT
    Q_PROPERTY(kiv::Project* currentProject READ currentProjectObject NOTIFY currentProjectChanged)
    Q_PROPERTY(kiv::Locality* currentLocality READ currentLocalityObject NOTIFY
                   currentLocalityChanged)
    Q_PROPERTY(int currentRockUnit READ currentRockUnit WRITE setCurrentRockUnit NOTIFY
                   currentRockUnitChanged)
    Q_PROPERTY(QString currentRockUnitName READ currentRockUnitName NOTIFY
                   currentRockUnitNameChanged)
    Q_PROPERTY(QColor currentRockUnitColor READ currentRockUnitColor NOTIFY
                   currentRockUnitColorChanged)
    Q_PROPERTY(int currentSymbol READ currentSymbol WRITE setCurrentSymbol NOTIFY
                   currentSymbolChanged)
    Q_PROPERTY(QString mostRecentImage READ mostRecentImage NOTIFY mostRecentImageChanged)

public:
    // Highest N tried for a first "projectN.qz" at start-up.
    static constexpr int MaxFirstProjectNumber = 1000;

    static ModelManager*& instance();

    explicit ModelManager(QObject* parent = nullptr);
    ~ModelManager() override;

    // Opens the indexed project folders (else the "*.qz" folders of root),
    // creates a first project when there is none and restores the current
    // project and locality.
    void init(const QDir& root);

    int projectCount() const { return static_cast<int>(m_projects.size()); }
    std::shared_ptr<Project> projectAt(int index) const;
    std::shared_ptr<Project> projectById(ProjectId id) const;

    std::shared_ptr<Project> currentProject() const { return m_currentProject; }
    std::shared_ptr<Locality> currentLocality() const { return m_currentLocality; }
    Project* currentProjectObject() const { return m_currentProject.get(); }
    Locality* currentLocalityObject() const { return m_currentLocality.get(); }

    // Opens the project in folder and adds it; empty when main.db could not
    // be opened or read.
    std::shared_ptr<Project> openProject(const QDir& folder);
    // Creates a project with main.db in folder and adds it.
    std::shared_ptr<Project> createProject(const QString& name, const QDir& folder);
    void setCurrentProject(std::shared_ptr<Project> project);
    void setCurrentLocality(std::shared_ptr<Locality> locality);
    bool removeProject(ProjectId id);

    int currentRockUnit() const { return m_currentRockUnit; }
    QString currentRockUnitName() const;
    QColor currentRockUnitColor() const;
    void setCurrentRockUnit(int unit);
    int currentSymbol() const;
    void setCurrentSymbol(int symbolId);
    QString mostRecentImage() const;

    // The images folder of the current project, empty without one. Safe from
    // any thread: the image providers read it while projects switch.
    static QString currentImagesPath();

    Q_INVOKABLE bool loadExternalProject(const QUrl& projectUrl);
    // A new "Project N" in the documents folder; its id, or -1.
    Q_INVOKABLE int createProject();
    Q_INVOKABLE bool removeProjectById(uint projectId);
    Q_INVOKABLE void setCurrentProject(uint projectId);
    Q_INVOKABLE void setCurrentLocality(int index);
    Q_INVOKABLE void closeCurrentProject();
    Q_INVOKABLE QColor rockUnitColor(int unitId) const;
    Q_INVOKABLE QString rockUnitName(int unitId) const;

    // Start an export of a project of this manager's list as a background
    // task; false for another project or none.
    Q_INVOKABLE bool exportProjectToCSV(kiv::Project* project, QObject* progressItem);
    Q_INVOKABLE bool exportProjectToCSV(kiv::Project* project);
    Q_INVOKABLE bool exportProjectToKIV(kiv::Project* project, QObject* progressItem);
    Q_INVOKABLE bool exportProjectToKIV(kiv::Project* project);
    Q_INVOKABLE bool exportProjectToKML(kiv::Project* project, QObject* progressItem);
    Q_INVOKABLE bool exportProjectToKML(kiv::Project* project);
    // Hand the current project's exported files to the platform's sharing.
    Q_INVOKABLE bool shareCSV();
    Q_INVOKABLE bool shareKMZ();
    Q_INVOKABLE bool shareKIV();
    // Merges another project into the current one as a background task;
    // false without a current project, for an unknown id or the current one.
    Q_INVOKABLE bool importIntoCurrentProject(uint sourceProjectId, bool copyImages, bool copyMaps,
                                              QObject* progressItem);
    Q_INVOKABLE bool importIntoCurrentProject(uint sourceProjectId, bool copyImages, bool copyMaps);
    // Tells the user, every time, that a project could not be read whole
    // (a merge of it merged nothing).
    void reportUnreadable(const Project& project);

public slots:
    void onDeclinationChanged(double declination);
    void onProjectDataListChanged();
    // A project's strat column changed: the current unit's looks may have.
    void onStratColumnChanged();
    // A plane in the current locality, through the command history.
    void addPlaneData(double lat, double lg, double dip, double azimuth, int horizonId, int symbolId,
                      const QString& notes);
    void deletePointData(const QString& dataId);

signals:
    void currentProjectChanged(kiv::Project* project);
    void currentLocalityChanged(kiv::Locality* locality);
    void currentRockUnitChanged(int unit);
    void currentRockUnitNameChanged(const QString& name);
    void currentRockUnitColorChanged(const QColor& color);
    void currentSymbolChanged(int symbolId);
    void mostRecentImageChanged(const QString& name);
    void projectListChanged();

protected:
    // Makes the project object of a new project in folder (which writes its
    // project row); tests put their own in its place.
    virtual std::shared_ptr<Project> newProject(ProjectId id, const QString& name, const QDir& folder);

private:
    // Folders of projects being made carry this after their ".qz" name, so
    // that no scan lists them before they are complete.
    static const QString UnfinishedSuffix;

    void removeUnfinishedProjects(const QDir& root) const;
    // Builds the project under its unfinished name and gives the folder its
    // own name once the project row is stored; empty on failure, with no
    // folder left behind.
    std::shared_ptr<Project> buildProject(const QString& name, const QDir& folder);
    void loadProjects(const QDir& root);
    void createFirstProject(const QDir& root);
    void restoreCurrentProject();
    void sortProjects();
    void saveIndex();
    void storeLastPosition(Project& project) const;
    // Remembers the current locality for the next start; none removes it.
    void storeCurrentLocality() const;
    bool isInsideDocuments(const QDir& folder) const;
    static AbstractLocationManager* locationManager();
    static void clearCommandHistory();
    static void announceFileSystemChange(const QString& path);
    // Called after every change of m_currentProject.
    void publishImagesPath();
    // Tells the user once per run about a folder that could not be opened
    // or a project loaded in part.
    void reportUnopened(const QDir& folder);
    void reportDamage(const Project& project);
    void reportOnce(const QString& key, const QString& message);
    static QString damageText(const Project& project);
    static void toastError(const QString& message);
    std::shared_ptr<Project> ownProject(const Project* project) const;
    bool startExport(int kind, Project* project, QObject* progressItem);
    bool shareArchive(const QString& extension) const;

    QDir m_projectsRoot;
    std::vector<std::shared_ptr<Project>> m_projects;
    std::shared_ptr<Index> m_index;
    int m_currentRockUnit = -1;
    std::shared_ptr<Project> m_currentProject;
    std::shared_ptr<Locality> m_currentLocality;

    static QMutex s_imagesPathMutex;
    static QString s_currentImagesPath;
    QSet<QString> m_reported;
};

} // namespace kiv
