#include "model/ModelManager.h"

#include "Database/CommandManager.h"
#include "Database/Destructor.h"
#include "Database/ObjectTaskRunner.h"
#include "Database/DestructorManager.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "export/AbstractCSVExporter.h"
#include "export/ExportArchivePath.h"
#include "model/AddDataCommand.h"
#include "model/Data.h"
#include "model/ExportTask.h"
#include "model/ImporterTask.h"
#include "model/Index.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/RemoveDataCommand.h"
#include "tools/AbstractLocationManager.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <limits>

namespace kiv {

KIV_DEFINE_SINGLETON(ModelManager, 5)

QMutex ModelManager::s_imagesPathMutex;
QString ModelManager::s_currentImagesPath;

namespace {

const QString CurrentProjectKey = QStringLiteral("currentProject");
const QString CurrentLocalityKey = QStringLiteral("currentLocality");
const QString CurrentRockUnitKey = QStringLiteral("currentRockUnit");
const QString CurrentSymbolKey = QStringLiteral("currentSymbol");
const QString DatabaseFileName = QStringLiteral("main.db");

bool isUnknownCoordinate(const QPointF& point)
{
    return point.isNull() || point.x() == AbstractLocationManager::NoCoordinate
        || point.y() == AbstractLocationManager::NoCoordinate;
}

} // namespace

const QString ModelManager::UnfinishedSuffix = QStringLiteral(".creating");

ModelManager::ModelManager(QObject* parent)
    : QObject(parent)
{
    // The change signals carry these across queued connections and to QML.
    qRegisterMetaType<kiv::Project*>();
    qRegisterMetaType<kiv::Locality*>();
}

ModelManager::~ModelManager()
{
    // Teardown runs after the GUI application is gone: the project is saved,
    // but nobody may react to the change any more.
    const QSignalBlocker blocker(this);
    closeCurrentProject();
}

// --- start-up --------------------------------------------------------------------

void ModelManager::init(const QDir& root)
{
    m_projectsRoot = root;
    m_index = std::make_shared<Index>();
    removeUnfinishedProjects(root);
    loadProjects(root);
    if (m_projects.empty())
        createFirstProject(root);
    if (m_projects.empty()) {
        qWarning() << "ModelManager::init: no project could be opened or created in" << root.absolutePath();
        return;
    }
    restoreCurrentProject();
}

void ModelManager::loadProjects(const QDir& root)
{
    for (const QDir& folder : m_index->load())
        openProject(folder);
    if (m_projects.empty()) {
        const QStringList folders = root.entryList({QStringLiteral("*.qz")},
                                                   QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString& name : folders) {
            const QDir folder(root.absoluteFilePath(name));
            if (folder.exists(DatabaseFileName))
                openProject(folder);
        }
    }
    sortProjects();
}

void ModelManager::removeUnfinishedProjects(const QDir& root) const
{
    const QStringList unfinished = root.entryList({QStringLiteral("*.qz") + UnfinishedSuffix},
                                                  QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : unfinished) {
        qWarning() << "ModelManager: removing the unfinished project folder" << root.absoluteFilePath(name);
        QDir(root.absoluteFilePath(name)).removeRecursively();
    }
}

void ModelManager::createFirstProject(const QDir& root)
{
    for (int n = 1; n <= MaxFirstProjectNumber; ++n) {
        // The folder gets its name only when the project is complete.
        const QString folderName = QStringLiteral("project%1.qz").arg(n);
        if (root.exists(folderName) || !root.mkpath(folderName + UnfinishedSuffix))
            continue;
        const auto project = createProject(QStringLiteral("Project %1").arg(n),
                                           QDir(root.absoluteFilePath(folderName)));
        if (project && !project->save())
            qWarning() << "ModelManager: the first project could not be saved";
        return;
    }
}

void ModelManager::restoreCurrentProject()
{
    QSettings settings;
    bool matched = false;
    if (settings.contains(CurrentProjectKey)) {
        const QDir stored(settings.value(CurrentProjectKey).toString());
        // Read before the switch, which stores the locality it makes current.
        const QString localityId = settings.value(CurrentLocalityKey).toString();
        const auto projects = m_projects;
        for (const auto& project : projects) {
            if (project->folder() != stored)
                continue;
            matched = true;
            setCurrentProject(project);
            // A locality this project does not hold (gone, or another
            // project's) leaves the switch's choice, its newest locality.
            if (!localityId.isEmpty()) {
                if (auto locality = m_currentProject->locality(localityId.toStdString()))
                    setCurrentLocality(std::move(locality));
            }
        }
    }
    if (!matched)
        setCurrentProject(m_projects.front());
}

// --- the project list ----------------------------------------------------------------

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

void ModelManager::sortProjects()
{
    std::stable_sort(m_projects.begin(), m_projects.end(),
                     [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
}

void ModelManager::saveIndex()
{
    if (!m_index)
        m_index = std::make_shared<Index>();
    m_index->save(m_projects);
}

std::shared_ptr<Project> ModelManager::openProject(const QDir& folder)
{
    auto project = std::make_shared<Project>(next(), this, folder);
    if (!project->isOpen()) {
        reportUnopened(folder);
        return {};
    }
    if (project->symbols().empty())
        project->addDefaultSymbols();
    m_projects.push_back(project);
    emit projectListChanged();
    return project;
}

std::shared_ptr<Project> ModelManager::newProject(ProjectId id, const QString& name, const QDir& folder)
{
    return std::make_shared<Project>(id, this, name, QString(), QString(), folder);
}

std::shared_ptr<Project> ModelManager::buildProject(const QString& name, const QDir& folder)
{
    const QString path = folder.absolutePath();
    const QString unfinished = path + UnfinishedSuffix;
    if (!QDir().mkpath(unfinished))
        return {};
    const ProjectId id = next();
    // Closed again before the folder is renamed under it.
    const bool built = newProject(id, name, QDir(unfinished))->isOpen();
    // A folder made beforehand for the project may stand in the way.
    if (built && QDir(path).exists() && QDir(path).isEmpty())
        QDir().rmdir(path);
    std::shared_ptr<Project> project;
    if (built && QDir().rename(unfinished, path))
        project = std::make_shared<Project>(id, this, QDir(path));
    if (!project || !project->isOpen()) {
        QDir(unfinished).removeRecursively();
        return {};
    }
    return project;
}

std::shared_ptr<Project> ModelManager::createProject(const QString& name, const QDir& folder)
{
    auto project = buildProject(name, folder);
    if (!project) {
        qWarning() << "ModelManager::createProject: project creation failed!";
        return {};
    }
    project->addDefaultSymbols();
    m_projects.push_back(project);
    sortProjects();
    saveIndex();
    emit projectListChanged();
    announceFileSystemChange(folder.absolutePath() + QDir::separator() + DatabaseFileName);
    return project;
}

int ModelManager::createProject()
{
    ApplicationManager* application = ApplicationManager::instance();
    if (!application) {
        qWarning() << "Failed to create project!";
        return -1;
    }
    const QDir root(application->documentPath());
    int number = 1;
    static const QRegularExpression numbered(QStringLiteral("(?:[Pp]roject_?)(\\d+)"));
    for (const QString& entry : root.entryList({QStringLiteral("*.qz")}, QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = numbered.match(entry);
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const int found = match.captured(1).toInt(&ok);
        if (ok && found >= number && found < std::numeric_limits<int>::max())
            number = found + 1;
    }
    const QString name = QStringLiteral("Project %1").arg(number);
    qDebug() << name;
    const QString folderName = QStringLiteral("project%1.qz").arg(number);
    if (!root.mkdir(folderName)) {
        qWarning() << "Failed to create project path: " << root.absolutePath() << folderName;
        return -1;
    }
    const auto project = createProject(name, QDir(root.absoluteFilePath(folderName)));
    if (!project) {
        qWarning() << "Failed to create project!";
        // The empty folder made above would only push the next number on.
        root.rmdir(folderName);
        return -1;
    }
    return static_cast<int>(project->projectId().value());
}

bool ModelManager::removeProjectById(uint projectId)
{
    return removeProject(ProjectId(projectId));
}

bool ModelManager::removeProject(ProjectId id)
{
    if (m_projects.size() == 1) {
        qWarning() << "Cannot delete the last project";
        return false;
    }
    const auto found = std::find_if(m_projects.begin(), m_projects.end(),
                                    [id](const auto& project) { return project->projectId() == id; });
    if (found == m_projects.end())
        return false;
    const std::shared_ptr<Project> project = *found;
    const bool wasCurrent = project == m_currentProject;
    if (wasCurrent) {
        // Its database closes next and its folder may go: nothing is saved.
        disconnect(project.get(), &Project::dataListChanged, this, &ModelManager::onProjectDataListChanged);
        project->clearLocalities();
        m_currentLocality.reset();
        m_currentProject.reset();
        publishImagesPath();
    }
    const QDir folder = project->folder();
    project->close();
    m_projects.erase(found);
    // A project opened from elsewhere is only dropped from the list.
    if (isInsideDocuments(folder) && !QDir(folder).removeRecursively())
        qWarning() << "Failed to delete all files!";
    if (wasCurrent)
        setCurrentProject(m_projects.front());
    clearCommandHistory();
    saveIndex();
    emit projectListChanged();
    announceFileSystemChange(folder.absolutePath());
    return true;
}

bool ModelManager::loadExternalProject(const QUrl& projectUrl)
{
    qDebug() << "Got external url:" << projectUrl;
    if (!projectUrl.isLocalFile())
        return false;
    const QDir folder(projectUrl.toLocalFile());
    if (!folder.exists() || !folder.exists(DatabaseFileName))
        return false;
    const QString canonical = folder.canonicalPath();
    for (const auto& project : m_projects) {
        if (project->folder().canonicalPath() == canonical)
            return false;
    }
    if (!openProject(QDir(folder.absolutePath())))
        return false;
    sortProjects();
    saveIndex();
    emit projectListChanged();
    return true;
}

bool ModelManager::isInsideDocuments(const QDir& folder) const
{
    ApplicationManager* application = ApplicationManager::instance();
    const QDir documents = application ? QDir(application->documentPath()) : m_projectsRoot;
    const QString root = documents.canonicalPath();
    const QString path = folder.canonicalPath();
    return !root.isEmpty() && !path.isEmpty() && path.startsWith(root + QLatin1Char('/'));
}

// --- switching --------------------------------------------------------------------

void ModelManager::setCurrentProject(uint projectId)
{
    if (m_currentProject && m_currentProject->projectId() == ProjectId(projectId))
        return;
    if (const auto project = projectById(ProjectId(projectId)))
        setCurrentProject(project);
}

void ModelManager::setCurrentProject(std::shared_ptr<Project> project)
{
    if (!project)
        return;
    if (m_currentProject && m_currentProject->projectId() == project->projectId())
        return;
    if (m_currentProject)
        closeCurrentProject();
    if (!project->load(true))
        reportDamage(*project);
    m_currentProject = project;
    publishImagesPath();
    if (project->numberOfLocalities() > 0)
        m_currentLocality = project->localityAt(0);
    // The stored locality is always one of the stored project's.
    storeCurrentLocality();
    clearCommandHistory();
    emit currentProjectChanged(m_currentProject.get());
    emit currentLocalityChanged(m_currentLocality.get());
    AbstractLocationManager* location = locationManager();
    if (project->declination() == Project::NoDeclination && location) {
        connect(location, &AbstractLocationManager::declinationChanged, this,
                &ModelManager::onDeclinationChanged, Qt::UniqueConnection);
        location->startDeclinationUpdates();
    }
    connect(project.get(), &Project::dataListChanged, this, &ModelManager::onProjectDataListChanged,
            Qt::UniqueConnection);
    QSettings settings;
    int unit = settings.value(CurrentRockUnitKey, 0).toInt();
    if (!project->hasRockUnit(unit))
        unit = project->rockUnits().empty() ? -1 : project->rockUnits().front().id;
    setCurrentRockUnit(unit);
    settings.setValue(CurrentProjectKey, project->folder().absolutePath());
}

void ModelManager::closeCurrentProject()
{
    if (m_currentProject) {
        storeLastPosition(*m_currentProject);
        m_currentProject->clearLocalities();
        disconnect(m_currentProject.get(), &Project::dataListChanged, this,
                   &ModelManager::onProjectDataListChanged);
    }
    m_currentLocality.reset();
    m_currentProject.reset();
    publishImagesPath();
    clearCommandHistory();
}

QString ModelManager::currentImagesPath()
{
    const QMutexLocker locker(&s_imagesPathMutex);
    return s_currentImagesPath;
}

void ModelManager::publishImagesPath()
{
    const QString path = m_currentProject ? m_currentProject->folder().absoluteFilePath(QStringLiteral("images"))
                                          : QString();
    const QMutexLocker locker(&s_imagesPathMutex);
    s_currentImagesPath = path;
}

void ModelManager::storeLastPosition(Project& project) const
{
    AbstractLocationManager* location = locationManager();
    if (!location)
        return;
    // What the position bar shows is what stays held. Without a fix the
    // stored position is kept.
    location->takePendingInput();
    const QPointF coordinate = location->lastKnownCoordinate();
    if (isUnknownCoordinate(coordinate))
        return;
    project.setLastLatitude(coordinate.y());
    project.setLastLongitude(coordinate.x());
    if (!project.save())
        qWarning() << "ModelManager: the last position of" << project.name() << "could not be stored";
}

void ModelManager::storeCurrentLocality() const
{
    QSettings settings;
    if (m_currentLocality)
        settings.setValue(CurrentLocalityKey, QString::fromStdString(m_currentLocality->id()));
    else
        settings.remove(CurrentLocalityKey);
}

void ModelManager::setCurrentLocality(std::shared_ptr<Locality> locality)
{
    if (!locality) {
        const bool changed = m_currentLocality != nullptr;
        m_currentLocality.reset();
        storeCurrentLocality();
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
    storeCurrentLocality();
}

void ModelManager::setCurrentLocality(int index)
{
    setCurrentLocality(m_currentProject ? m_currentProject->localityAt(index) : nullptr);
}

// --- rock unit and symbol ----------------------------------------------------------

QColor ModelManager::currentRockUnitColor() const
{
    if (m_currentRockUnit == -1 || !m_currentProject)
        return QColor(Qt::black);
    return m_currentProject->unitColor(m_currentRockUnit);
}

QString ModelManager::currentRockUnitName() const
{
    if (m_currentRockUnit == -1 || !m_currentProject)
        return QString();
    return m_currentProject->unitName(m_currentRockUnit);
}

void ModelManager::setCurrentRockUnit(int unit)
{
    QSettings settings;
    const int stored = settings.value(CurrentRockUnitKey, 0).toInt();
    if (!(unit == stored && m_currentRockUnit == 0)) {
        m_currentRockUnit = unit;
        settings.setValue(CurrentRockUnitKey, unit);
        emit currentRockUnitChanged(unit);
    }
    emit currentRockUnitColorChanged(currentRockUnitColor());
    emit currentRockUnitNameChanged(currentRockUnitName());
}

QColor ModelManager::rockUnitColor(int unitId) const
{
    if (unitId == -1)
        return QColor(QString());
    return m_currentProject ? m_currentProject->unitColor(unitId) : QColor(Qt::black);
}

QString ModelManager::rockUnitName(int unitId) const
{
    if (unitId == -1 || !m_currentProject)
        return QString();
    return m_currentProject->unitName(unitId);
}

void ModelManager::onStratColumnChanged()
{
    emit currentRockUnitColorChanged(rockUnitColor(m_currentRockUnit));
    emit currentRockUnitNameChanged(rockUnitName(m_currentRockUnit));
}

int ModelManager::currentSymbol() const
{
    const int stored = QSettings().value(CurrentSymbolKey, 1).toInt();
    if (m_currentProject && m_currentProject->hasSymbol(stored)
        && !m_currentProject->symbolName(stored).isEmpty())
        return stored;
    return 1;
}

void ModelManager::setCurrentSymbol(int symbolId)
{
    if (symbolId == currentSymbol())
        return;
    QSettings().setValue(CurrentSymbolKey, symbolId);
    emit currentSymbolChanged(symbolId);
}

// --- declination and images ---------------------------------------------------------

void ModelManager::onDeclinationChanged(double declination)
{
    if (declination == double(Project::NoDeclination) || !m_currentProject)
        return;
    if (m_currentProject->declination() == Project::NoDeclination) {
        m_currentProject->setDeclination(static_cast<float>(declination));
        if (!m_currentProject->save())
            qWarning() << "ModelManager: the declination of" << m_currentProject->name() << "could not be stored";
    }
    // The first real value is taken once per switch.
    if (AbstractLocationManager* location = locationManager()) {
        disconnect(location, &AbstractLocationManager::declinationChanged, this,
                   &ModelManager::onDeclinationChanged);
    }
}

QString ModelManager::mostRecentImage() const
{
    if (!m_currentProject)
        return QString();
    for (const auto& locality : m_currentProject->localities()) {
        for (const auto& data : locality->data()) {
            const QString& path = data->imagePath();
            if (path.isEmpty() || path.startsWith(QLatin1String("STEREONET_"))
                || path.startsWith(QLatin1String("MAP_")))
                continue;
            const QString images = m_currentProject->folder().absoluteFilePath(QStringLiteral("images"));
            const QFileInfo file(images + QLatin1Char('/') + path);
            // A name leading to a file the project may not use counts as missing.
            if ((file.exists() || file.isSymLink()) && ProjectFile::resolve(QDir(images), path).isEmpty())
                continue;
            return QUrl::fromLocalFile(file.absoluteFilePath()).toString();
        }
    }
    return QString();
}

void ModelManager::onProjectDataListChanged()
{
    emit mostRecentImageChanged(mostRecentImage());
}

// --- neighbours -----------------------------------------------------------------------

AbstractLocationManager* ModelManager::locationManager()
{
    ApplicationManager* application = ApplicationManager::instance();
    return application ? application->locationManager() : nullptr;
}

void ModelManager::clearCommandHistory()
{
    if (CommandManager* commands = CommandManager::instance())
        commands->clearStacks();
}

void ModelManager::reportUnopened(const QDir& folder)
{
    reportOnce(folder.absolutePath(), tr("Could not open the project in %1.").arg(folder.dirName()));
}

QString ModelManager::damageText(const Project& project)
{
    return tr("Some records of %1 could not be read.").arg(project.name());
}

void ModelManager::reportDamage(const Project& project)
{
    reportOnce(project.folder().absolutePath(), damageText(project));
}

void ModelManager::reportUnreadable(const Project& project)
{
    toastError(damageText(project));
}

void ModelManager::reportOnce(const QString& key, const QString& message)
{
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    toastError(message);
}

void ModelManager::toastError(const QString& message)
{
    qWarning().noquote() << message;
    ApplicationManager* application = ApplicationManager::instance();
    if (const auto dialogs = application ? application->dialogController() : nullptr)
        dialogs->toastError(message);
}

void ModelManager::announceFileSystemChange(const QString& path)
{
    if (ApplicationManager* application = ApplicationManager::instance())
        emit application->fileSystemChanged({path});
}

void ModelManager::addPlaneData(double lat, double lg, double dip, double azimuth, int horizonId, int symbolId,
                                const QString& notes)
{
    CommandManager* commands = CommandManager::instance();
    if (!m_currentProject || !m_currentLocality || !commands)
        return;
    auto command = std::make_shared<AddDataCommand>();
    command->setPlaneData(lat, lg, float(dip), float(azimuth), horizonId, symbolId, notes);
    commands->execute(command);
}

void ModelManager::deletePointData(const QString& dataId)
{
    CommandManager* commands = CommandManager::instance();
    if (!m_currentProject || !commands)
        return;
    auto command = std::make_shared<RemoveDataCommand>();
    command->findData(dataId);
    if (command->dataId().empty())
        return;
    commands->execute(command);
}

std::shared_ptr<Project> ModelManager::ownProject(const Project* project) const
{
    if (!project)
        return nullptr;
    const auto found = std::find_if(m_projects.begin(), m_projects.end(),
                                    [project](const std::shared_ptr<Project>& own) { return own.get() == project; });
    return found == m_projects.end() ? nullptr : *found;
}

bool ModelManager::startExport(int kind, Project* project, QObject* progressItem)
{
    // The task keeps the project alive while it runs.
    std::shared_ptr<Project> own = ownProject(project);
    ObjectTaskRunner* runner = ObjectTaskRunner::instance();
    if (!own || !runner)
        return false;
    runner->addTask(new ExportTask(kind, std::move(own)), progressItem);
    return true;
}

bool ModelManager::exportProjectToCSV(Project* project, QObject* progressItem)
{
    return startExport(ExportTask::CSV, project, progressItem);
}

bool ModelManager::exportProjectToCSV(Project* project)
{
    return exportProjectToCSV(project, nullptr);
}

bool ModelManager::exportProjectToKIV(Project* project, QObject* progressItem)
{
    return startExport(ExportTask::KIV, project, progressItem);
}

bool ModelManager::exportProjectToKIV(Project* project)
{
    return exportProjectToKIV(project, nullptr);
}

bool ModelManager::exportProjectToKML(Project* project, QObject* progressItem)
{
    return startExport(ExportTask::KMZ, project, progressItem);
}

bool ModelManager::exportProjectToKML(Project* project)
{
    return exportProjectToKML(project, nullptr);
}

bool ModelManager::shareCSV()
{
    ApplicationManager* application = ApplicationManager::instance();
    if (!m_currentProject || !application)
        return false;
    const QString folder = m_currentProject->folder().absolutePath();
    QStringList files;
    using Csv = AbstractCSVExporter;
    for (const char* name : {Csv::LocalitiesFile, Csv::PlanesFile, Csv::LineationsFile, Csv::ImagesFile,
                             Csv::NotesFile, Csv::LinePointsFile, Csv::SightingsFile, Csv::StratColumnFile})
        files << folder + QLatin1Char('/') + QLatin1String(name);
    return application->shareFiles(files);
}

bool ModelManager::shareArchive(const QString& extension) const
{
    ApplicationManager* application = ApplicationManager::instance();
    if (!m_currentProject || !application)
        return false;
    const QString path = exportArchivePath(m_currentProject->folder().absolutePath(), extension);
    if (!QFileInfo(path).isFile()) {
        qWarning().noquote() << "Path does not exist: " + path;
        return false;
    }
    return application->shareFiles({path});
}

bool ModelManager::shareKMZ()
{
    return shareArchive(QStringLiteral(".kmz"));
}

bool ModelManager::shareKIV()
{
    return shareArchive(QStringLiteral(".kiv"));
}

bool ModelManager::importIntoCurrentProject(uint sourceProjectId, bool copyImages, bool copyMaps,
                                            QObject* progressItem)
{
    std::shared_ptr<Project> source = projectById(ProjectId(sourceProjectId));
    ObjectTaskRunner* runner = ObjectTaskRunner::instance();
    // A self-merge would walk a list that grows as it runs.
    if (!source || !m_currentProject || source == m_currentProject || !runner)
        return false;
    runner->addTask(new ImporterTask(m_currentProject, std::move(source), copyImages, copyMaps), progressItem);
    return true;
}

bool ModelManager::importIntoCurrentProject(uint sourceProjectId, bool copyImages, bool copyMaps)
{
    return importIntoCurrentProject(sourceProjectId, copyImages, copyMaps, nullptr);
}

} // namespace kiv
