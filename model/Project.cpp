#include "model/Project.h"

#include "Database/SQLiteException.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ProjectFile.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QQmlEngine>

#include <algorithm>
#include <utility>

namespace kiv {

namespace {

const QString DatabaseFileName = QStringLiteral("main.db");
// Localities without a colour of their own are drawn in this grey.
const QColor DefaultLocalityColour(QStringLiteral("#555555"));

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

template <typename List>
bool isIndex(const List& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

} // namespace

Project::Project()
    : m_timeStamp(now())
{
}

Project::Project(ProjectId projectId, ModelManager* owner, const QDir& folder)
    : m_owner(owner)
    , m_projectId(projectId)
    , m_timeStamp(now())
    , m_folder(folder)
{
    openDatabase(false);
}

Project::Project(ProjectId projectId, ModelManager* owner, const QString& name,
                 const QString& region, const QString& description, const QDir& folder)
    : m_owner(owner)
    , m_projectId(projectId)
    , m_name(name)
    , m_region(region)
    , m_description(description)
    , m_timeStamp(now())
    , m_folder(folder)
{
    openDatabase(true);
}

Project::~Project()
{
    for (const QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
    close();
}

void Project::openDatabase(bool create)
{
    const QFileInfo file(m_folder.absoluteFilePath(DatabaseFileName));
    if (!(create ? open(file) : openExisting(file)))
        return;
    // A locked or damaged file must not end the caller, and a project whose
    // own row cannot be read is not opened as an empty one (a later save
    // would overwrite what is left): the project is closed again and its
    // folder skipped.
    try {
        if (create && !syncProjectDetails(this)) {
            qWarning() << "Project: could not write the project row in" << m_folder.absolutePath();
            close();
        } else if (!loadProject(this)) {
            qWarning() << "Project: could not read the project row in" << m_folder.absolutePath();
            close();
        }
    } catch (const SQLiteException& e) {
        qWarning() << "Project: could not read" << file.absoluteFilePath() << ":"
                   << QString::fromStdString(e.detail());
        close();
    }
}

const std::vector<Project::Symbol>& Project::defaultSymbols()
{
    static const std::vector<Symbol> symbols = {
        {0, QStringLiteral("Symbol Undefined"), Bedding, Plane, true},
        {1, QStringLiteral("Bedding"), Bedding, Plane, true},
        {2, QStringLiteral("Cleavage"), Foliation, Plane, false},
        {3, QStringLiteral("Joint"), Joint, Plane, false},
        {4, QStringLiteral("Fault"), NormalFault, Plane, false},
        {5, QStringLiteral("Plane Type 1"), Bedding, Plane, false},
        {6, QStringLiteral("Plane Type 2"), Bedding, Plane, false},
        {7, QStringLiteral("Plane Type 3"), Bedding, Plane, false},
        {8, QStringLiteral("Plane Type 4"), Bedding, Plane, false},
        {9, QStringLiteral("Lineation"), Lineation, Line, true},
        {10, QStringLiteral("Slickenside"), Lineation, Line, false},
        {11, QStringLiteral("Mineral"), Mineral, Line, false},
        {12, QStringLiteral("Fold Axis"), Lineation, Line, false},
        {13, QStringLiteral("Line Type 1"), Lineation, Line, false},
        {14, QStringLiteral("Line Type 2"), Lineation, Line, false},
        {15, QStringLiteral("Bearing"), Sighting, SightingType, true},
    };
    return symbols;
}

void Project::addDefaultSymbols()
{
    for (const Symbol& symbol : defaultSymbols())
        addSymbol(symbol.id, symbol.name, symbol.iconId, symbol.symbolType, symbol.locked);
}

bool Project::loadProject(Project* target)
{
    const bool loaded = DatabaseManager::loadProject(target);
    if (loaded && m_owner) {
        const QMetaObject::Connection connection
            = connect(this, &Project::stratColumnChanged, m_owner, &ModelManager::onStratColumnChanged,
                      Qt::UniqueConnection);
        if (connection)
            m_connections.push_back(connection);
    }
    return loaded;
}

// --- fields ------------------------------------------------------------------

void Project::setName(const QString& name)
{
    if (m_name == name)
        return;
    m_name = name;
    emit nameChanged(m_name);
}

void Project::setRegion(const QString& region)
{
    m_region = region;
}

void Project::setDescription(const QString& description)
{
    if (m_description == description)
        return;
    m_description = description;
    emit descriptionChanged(m_description);
}

void Project::setLocalityBaseName(const QString& baseName)
{
    if (m_localityBaseName == baseName)
        return;
    m_localityBaseName = baseName;
    emit localityBaseNameChanged(m_localityBaseName);
}

void Project::setDeclination(float declination)
{
    if (m_declination == declination)
        return;
    m_declination = declination;
    emit declinationChanged(m_declination);
}

// --- rock units ----------------------------------------------------------------

void Project::addRockUnit(int id, const QString& name, const QColor& colour, int type)
{
    m_rockUnits.push_back({id, name, colour, type});
    // A unit made after a restart must not reuse a stored id.
    updateNextUnitId(id);
}

int Project::updateNextUnitId(int id)
{
    if (m_nextUnitId > id)
        return id;
    m_nextUnitId = id + 1;
    return m_nextUnitId;
}

QString Project::unitName(int id) const
{
    if (id <= 0)
        return QStringLiteral("No unit");
    for (const RockUnit& unit : m_rockUnits) {
        if (unit.id == id)
            return unit.name;
    }
    return QStringLiteral("Unit removed (%1)").arg(id);
}

QColor Project::unitColor(int id) const
{
    if (id > 0) {
        for (const RockUnit& unit : m_rockUnits) {
            if (unit.id == id)
                return unit.colour;
        }
    }
    return QColor(QStringLiteral("#000000"));
}

int Project::unitType(int id) const
{
    if (id > 0) {
        for (const RockUnit& unit : m_rockUnits) {
            if (unit.id == id)
                return unit.type;
        }
    }
    return 0;
}

bool Project::hasRockUnit(int id) const
{
    if (id <= 0)
        return false;
    return std::any_of(m_rockUnits.begin(), m_rockUnits.end(),
                       [id](const RockUnit& unit) { return unit.id == id; });
}

// --- symbols -------------------------------------------------------------------

void Project::addSymbol(int id, const QString& name, int iconId, int symbolType, bool locked)
{
    if (hasSymbol(id))
        return;
    m_symbols.push_back({id, name, iconId, symbolType, locked});
}

bool Project::hasSymbol(int id) const
{
    return std::any_of(m_symbols.begin(), m_symbols.end(),
                       [id](const Symbol& symbol) { return symbol.id == id; });
}

QString Project::symbolName(int id) const
{
    for (const Symbol& symbol : m_symbols) {
        if (symbol.id == id)
            return symbol.name;
    }
    return QString();
}

int Project::symbolIconId(int id) const
{
    for (const Symbol& symbol : m_symbols) {
        if (symbol.id == id)
            return symbol.iconId;
    }
    return 0;
}

Project::SymbolType Project::symbolType(int id) const
{
    for (const Symbol& symbol : m_symbols) {
        if (symbol.id == id)
            return static_cast<SymbolType>(symbol.symbolType);
    }
    return Plane;
}

bool Project::symbolIsPlane(int id) const
{
    return symbolType(id) == Plane;
}

int Project::getDefaultSightingId()
{
    if (m_defaultSightingId == -1) {
        for (const Symbol& symbol : m_symbols) {
            if (symbol.symbolType == SightingType && symbol.locked) {
                m_defaultSightingId = symbol.id;
                break;
            }
        }
    }
    return m_defaultSightingId;
}

SymbolListModel* Project::symbolListModel()
{
    if (!m_symbolListModel)
        m_symbolListModel = new SymbolListModel(this, this);
    return m_symbolListModel;
}

// --- base maps -----------------------------------------------------------------

void Project::addBaseMap(const QString& type, const QString& name, const QUrl& location,
                         bool active, double opacity, const QRectF& extent)
{
    m_baseMaps.push_back({type, name, location, active, opacity, extent});
}

void Project::moveBaseMap(int from, int to)
{
    // to counts after the removal, so the last valid place is size - 1.
    if (!isIndex(m_baseMaps, from) || !isIndex(m_baseMaps, to))
        return;
    BaseMap map = m_baseMaps[static_cast<std::size_t>(from)];
    m_baseMaps.erase(m_baseMaps.begin() + from);
    m_baseMaps.insert(m_baseMaps.begin() + to, std::move(map));
}

void Project::removeBaseMap(int index)
{
    if (isIndex(m_baseMaps, index))
        m_baseMaps.erase(m_baseMaps.begin() + index);
}

// --- localities ------------------------------------------------------------------

void Project::sortLocalities()
{
    std::stable_sort(m_localities.begin(), m_localities.end(),
                     [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
}

void Project::addLocality(std::shared_ptr<Locality> locality)
{
    if (!locality)
        return;
    if (!locality->colour().isValid())
        locality->setColour(DefaultLocalityColour);
    // One that is not newer than the last goes at the end as it is: a load
    // that adds newest first sorts nothing.
    const bool inOrder = m_localities.empty() || m_localities.back()->timeStamp() >= locality->timeStamp();
    m_localities.push_back(std::move(locality));
    if (!inOrder)
        sortLocalities();
    emit numberOfLocalitiesChanged(numberOfLocalities());
}

void Project::addLocalities(const LocalityList& localities)
{
    if (localities.empty())
        return;
    m_localities.insert(m_localities.end(), localities.begin(), localities.end());
    sortLocalities();
}

std::shared_ptr<Locality> Project::createLocality(const std::string& id)
{
    auto locality = std::make_shared<Locality>(m_projectId, id);
    addLocality(locality);
    return locality;
}

QString Project::localityName(int number) const
{
    QString name = m_localityBaseName;
    return name.replace(QLatin1Char('#'), QString::number(number));
}

std::shared_ptr<Locality> Project::locality(const std::string& id) const
{
    for (const auto& locality : m_localities) {
        if (locality->id() == id)
            return locality;
    }
    return {};
}

bool Project::hasLocality(const std::string& id) const
{
    return locality(id) != nullptr;
}

std::shared_ptr<Locality> Project::localityAt(int index) const
{
    return isIndex(m_localities, index) ? m_localities[static_cast<std::size_t>(index)] : nullptr;
}

int Project::localityIndex(const QString& qId) const
{
    const std::string id = qId.toStdString();
    for (std::size_t i = 0; i < m_localities.size(); ++i) {
        if (m_localities[i]->id() == id)
            return static_cast<int>(i);
    }
    return -1;
}

bool Project::removeLocality(const std::string& id)
{
    const std::shared_ptr<Locality> target = locality(id);
    return target && DatabaseManager::removeLocality(target.get()) && dropLocality(id);
}

bool Project::dropLocality(const std::string& id)
{
    const std::shared_ptr<Locality> target = locality(id);
    if (!target)
        return false;
    const std::shared_ptr<Locality> current = m_owner ? m_owner->currentLocality() : nullptr;
    const bool wasCurrent = current && current->id() == id;
    m_localities.erase(std::find(m_localities.begin(), m_localities.end(), target));
    emit numberOfLocalitiesChanged(numberOfLocalities());
    if (wasCurrent)
        m_owner->setCurrentLocality(m_localities.empty() ? nullptr : m_localities.front());
    return true;
}

void Project::clearLocalities()
{
    if (m_localities.empty())
        return;
    m_localities.clear();
    emit numberOfLocalitiesChanged(0);
}

std::shared_ptr<Data> Project::dataById(const std::string& id) const
{
    for (const auto& locality : m_localities) {
        if (auto data = locality->dataById(id))
            return data;
    }
    return {};
}

std::shared_ptr<LineData2D> Project::lineById(const std::string& id) const
{
    for (const auto& locality : m_localities) {
        if (auto line = locality->lineById(id))
            return line;
    }
    return {};
}

bool Project::empty() const
{
    return std::all_of(m_localities.begin(), m_localities.end(), [](const auto& locality) {
        return locality->data().empty() && locality->lines().empty();
    });
}

// --- persistence -------------------------------------------------------------------

bool Project::load(bool withContent)
{
    // The localities read before a failure still get their content.
    const bool localities = loadLocalities(this);
    const bool content = !withContent || loadContent(this);
    if (withContent)
        warnAboutUnusableImages();
    return localities && content;
}

void Project::warnAboutUnusableImages() const
{
    const QDir images(m_folder.absoluteFilePath(QStringLiteral("images")));
    int unusable = 0;
    for (const auto& locality : m_localities) {
        for (const auto& data : locality->data()) {
            for (const QString& name : {data->imagePath(), data->sketchPath(), data->backgroundPath()}) {
                if (!name.isEmpty() && ProjectFile::resolve(images, name).isEmpty())
                    ++unusable;
            }
        }
    }
    // The records stay as they are; their files count as missing.
    if (unusable > 0)
        qWarning() << "Project" << m_name << ":" << unusable
                   << "image files are missing, outside the images folder or behind a link";
}

bool Project::save(const Project* lists)
{
    // A locked or full database must not end the caller.
    try {
        return syncProjectDetails(this, lists);
    } catch (const SQLiteException& e) {
        qWarning() << "Project::save: could not write" << m_folder.absolutePath() << ":"
                   << QString::fromStdString(e.detail());
        return false;
    }
}

QString Project::timeString() const
{
    return QDateTime::fromSecsSinceEpoch(m_timeStamp)
        .toLocalTime()
        .toString(QStringLiteral("ddd d MMM yyyy HH:mm"));
}

LocalityListModel* Project::localityListModel()
{
    if (!m_localityListModel) {
        m_localityListModel = new LocalityListModel(this, this);
        // Handed to QML through a slot: QML must not collect it.
        QQmlEngine::setObjectOwnership(m_localityListModel, QQmlEngine::CppOwnership);
    }
    return m_localityListModel;
}

StratColumnModel* Project::stratColumnModel()
{
    if (!m_stratColumnModel) {
        m_stratColumnModel = new StratColumnModel(this, this);
        QQmlEngine::setObjectOwnership(m_stratColumnModel, QQmlEngine::CppOwnership);
    }
    return m_stratColumnModel;
}

int Project::addHorizon()
{
    return m_stratColumnModel ? m_stratColumnModel->addUnit() : -1;
}

int Project::removeHorizonById(int horizonId)
{
    if (!m_stratColumnModel)
        return -1;
    const int next = m_stratColumnModel->removeUnitById(horizonId);
    save();
    return next;
}

bool Project::isCurrentProject() const
{
    return m_owner && m_owner->currentProject().get() == this;
}

void Project::announceLocalityContent(const std::string& localityId)
{
    // Restored afterwards: a listener may announce a change of its own.
    const std::string outer = std::exchange(m_changedLocalityId, localityId);
    emit dataListChanged();
    m_changedLocalityId = outer;
}

void Project::beginAnnouncement()
{
    m_announcing = true;
}

void Project::endAnnouncement()
{
    if (!std::exchange(m_announcing, false))
        return;
    emit announcementEnded();
}

qulonglong Project::projectSize()
{
    qulonglong size = static_cast<qulonglong>(QFileInfo(m_folder.absoluteFilePath(DatabaseFileName)).size());
    const bool hadLocalities = !m_localities.empty();
    if (!hadLocalities)
        loadLocalities(this);
    // Only what was not in memory before is read for the count, and dropped
    // again afterwards.
    std::vector<Locality*> readForCount;
    for (const auto& locality : m_localities) {
        if (locality->data().empty() && locality->lines().empty()) {
            loadLocalityContent(locality.get());
            readForCount.push_back(locality.get());
        }
    }
    size += contentSize();
    if (!isCurrentProject()) {
        for (Locality* locality : readForCount)
            locality->clear();
        if (!hadLocalities)
            clearLocalities();
    }
    return size;
}

qulonglong Project::contentSize() const
{
    qulonglong size = 0;
    const QDir images(m_folder.absoluteFilePath(QStringLiteral("images")));
    for (const auto& locality : m_localities) {
        for (const auto& data : locality->data()) {
            if (!data->imagePath().isEmpty())
                size += static_cast<qulonglong>(QFileInfo(ProjectFile::resolve(images, data->imagePath())).size());
        }
    }
    for (const BaseMap& map : m_baseMaps) {
        if (map.location.isLocalFile())
            size += static_cast<qulonglong>(
                QFileInfo(ProjectFile::resolvePath(m_folder, map.location.toLocalFile())).size());
    }
    return size;
}

} // namespace kiv
