#include "Database/DatabaseManager.h"

#include "Database/ProjectSchema.h"
#include "Database/Quarzel.pb.h"
#include "Database/Records.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/MBTilesBounds.h"
#include "model/ProjectFile.h"
#include "model/Project.h"

#include <QDebug>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <cstdio>

namespace kiv {

namespace {

using ProjectRecord = QZProtoBuffers::Project;

QString textOf(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

std::string bytesOf(const QString& text)
{
    return text.toUtf8().toStdString();
}

// A named colour, "#rrggbb", or six hex digits without the "#"; else black.
QColor colourFromText(const QString& text)
{
    if (QColor::isValidColor(text))
        return QColor(text);
    const QString withHash = QLatin1Char('#') + text;
    if (QColor::isValidColor(withHash))
        return QColor(withHash);
    return QColor(Qt::black);
}

int unitTypeFromRecord(int type)
{
    switch (type) {
    case QZProtoBuffers::RockUnit::UNIT_FAULT: return 1;
    case QZProtoBuffers::RockUnit::UNIT_CONTACT: return 2;
    default: return 0;
    }
}

QZProtoBuffers::RockUnit::UnitType unitTypeToRecord(int type)
{
    switch (type) {
    case 1: return QZProtoBuffers::RockUnit::UNIT_FAULT;
    case 2: return QZProtoBuffers::RockUnit::UNIT_CONTACT;
    default: return QZProtoBuffers::RockUnit::UNIT_HORIZON;
    }
}

int symbolTypeFromRecord(QZProtoBuffers::Symbol::SymbolType type)
{
    switch (type) {
    case QZProtoBuffers::Symbol::LINE: return Project::Line;
    case QZProtoBuffers::Symbol::SIGHTING: return Project::SightingType;
    default: return Project::Plane;
    }
}

QZProtoBuffers::Symbol::SymbolType symbolTypeToRecord(int type)
{
    switch (type) {
    case Project::Line: return QZProtoBuffers::Symbol::LINE;
    case Project::SightingType: return QZProtoBuffers::Symbol::SIGHTING;
    default: return QZProtoBuffers::Symbol::PLANE;
    }
}

ProjectRecord::BaseTileLayer baseTilesToRecord(int layer)
{
    switch (layer) {
    case Project::Satellite: return ProjectRecord::SATELLITE;
    case Project::Road: return ProjectRecord::ROAD;
    case Project::Custom: return ProjectRecord::CUSTOM;
    default: return ProjectRecord::TERRAIN;
    }
}

// The base map of a record, with its file found again when the project
// folder was moved; false when its local file is missing or is not one of
// the project's own (outside its folder, through a link, main.db).
bool readBaseMap(const QZProtoBuffers::BaseMap& record, const QDir& projectFolder,
                 Project::BaseMap* map)
{
    map->name = textOf(record.name());
    map->type = textOf(record.type());
    map->extent = QRectF();
    QUrl location(textOf(record.location()), QUrl::StrictMode);
    if (location.isRelative())
        location = QUrl::fromLocalFile(location.path(QUrl::FullyDecoded));
    if (location.isLocalFile()) {
        const QString stored = location.toLocalFile();
        QString path = ProjectFile::resolvePath(projectFolder, stored);
        if (path.isEmpty())
            path = ProjectFile::resolve(projectFolder, QFileInfo(stored).fileName());
        if (path.isEmpty()) {
            qWarning() << "Base map" << map->name << "left out: its file" << stored
                       << "is missing or not inside" << projectFolder.absolutePath();
            return false;
        }
        const QFileInfo found(path);
        location = QUrl::fromLocalFile(found.absoluteFilePath());
        if (found.suffix().toLower() == QLatin1String("mbtiles")) {
            map->type = QStringLiteral("MBTiles");
            map->extent = readMBTilesBounds(location);
        } else {
            map->type = QStringLiteral("GeoTiff");
        }
    }
    map->location = location;
    map->active = record.has_active() ? record.active() : true;
    map->opacity = record.has_opacity() ? record.opacity() : 1.0;
    return true;
}

void readSymbols(const ProjectRecord& record, Project* target)
{
    quint32 largestId = 0;
    bool hasSighting = false;
    for (const QZProtoBuffers::Symbol& symbol : record.symbols()) {
        target->addSymbol(static_cast<int>(symbol.symbolid()), textOf(symbol.name()),
                          static_cast<int>(symbol.iconid()), symbolTypeFromRecord(symbol.symboltype()),
                          symbol.islocked());
        largestId = std::max(largestId, symbol.symbolid());
        hasSighting = hasSighting || symbol.symboltype() == QZProtoBuffers::Symbol::SIGHTING;
    }
    if (record.symbols_size() > 0 && !hasSighting) {
        qDebug() << "Adding default Sighting symbol";
        target->addSymbol(static_cast<int>(largestId + 1), QStringLiteral("Bearing"), Project::Sighting,
                          Project::SightingType, true);
    }
}

void readProjectRecord(const ProjectRecord& record, Project* target)
{
    target->setName(textOf(record.name()));
    target->setRegion(textOf(record.region()));
    target->setDescription(textOf(record.description()));
    target->setTimeStamp(static_cast<qint64>(record.timestamp()));
    if (record.has_lastlatitude())
        target->setLastLatitude(record.lastlatitude());
    if (record.has_lastlongitude())
        target->setLastLongitude(record.lastlongitude());
    if (record.has_declination())
        target->setDeclination(record.declination());
    if (record.has_localitybasename())
        target->setLocalityBaseName(textOf(record.localitybasename()));

    target->clearRockUnits();
    for (const QZProtoBuffers::RockUnit& unit : record.rockunit()) {
        target->addRockUnit(static_cast<int>(unit.unitid()), textOf(unit.unitname()),
                            colourFromText(textOf(unit.colour())), unitTypeFromRecord(unit.unittype()));
    }

    target->setBaseTileLayer(static_cast<int>(record.basetiles()));
    if (record.has_basemapurl())
        target->setBaseMapUrl(textOf(record.basemapurl()));

    for (const QZProtoBuffers::BaseMap& stored : record.basemap()) {
        // The device's own map list is not a project map.
        if (textOf(stored.name()) == QLatin1String("Device Maps"))
            continue;
        Project::BaseMap map;
        if (readBaseMap(stored, target->folder(), &map))
            target->addBaseMap(map.type, map.name, map.location, map.active, map.opacity, map.extent);
    }
    readSymbols(record, target);
}

ProjectRecord buildProjectRecord(const Project& project, const Project& lists)
{
    ProjectRecord record;
    record.set_version(ProjectRecord::V20);
    record.set_name(bytesOf(project.name()));
    record.set_region(bytesOf(project.region()));
    record.set_description(bytesOf(project.description()));
    record.set_localitybasename(bytesOf(project.localityBaseName()));
    record.set_basemapurl(bytesOf(project.baseMapUrl()));
    record.set_timestamp(static_cast<quint64>(project.timeStamp()));
    // 999 means "not known" and is never stored; NaN fails the tests too.
    const float declination = project.declination();
    if (declination >= -180.0f && declination <= 180.0f)
        record.set_declination(declination);
    const double latitude = project.lastLatitude();
    if (latitude >= -90.0 && latitude <= 90.0)
        record.set_lastlatitude(latitude);
    const double longitude = project.lastLongitude();
    if (longitude >= -180.0 && longitude <= 180.0)
        record.set_lastlongitude(longitude);
    record.set_basetiles(baseTilesToRecord(project.baseTileLayer()));

    for (const Project::RockUnit& unit : lists.rockUnits()) {
        QZProtoBuffers::RockUnit* stored = record.add_rockunit();
        stored->set_unitid(static_cast<quint32>(unit.id));
        stored->set_unitname(bytesOf(unit.name));
        stored->set_colour(bytesOf(unit.colour.name(QColor::HexRgb)));
        stored->set_unittype(unitTypeToRecord(unit.type));
    }
    for (const Project::BaseMap& map : lists.baseMaps()) {
        QZProtoBuffers::BaseMap* stored = record.add_basemap();
        stored->set_name(bytesOf(map.name));
        stored->set_type(bytesOf(map.type));
        stored->set_location(map.location.toString(QUrl::FullyEncoded).toStdString());
        stored->set_active(map.active);
        stored->set_opacity(map.opacity);
    }
    for (const Project::Symbol& symbol : lists.symbols()) {
        QZProtoBuffers::Symbol* stored = record.add_symbols();
        stored->set_symbolid(static_cast<quint32>(symbol.id));
        stored->set_name(bytesOf(symbol.name));
        stored->set_iconid(static_cast<quint32>(symbol.iconId));
        stored->set_symboltype(symbolTypeToRecord(symbol.symbolType));
        stored->set_islocked(symbol.locked);
    }
    return record;
}

} // namespace

DatabaseManager::DatabaseManager() = default;

DatabaseManager::~DatabaseManager() = default;

bool DatabaseManager::open(const QFileInfo& file)
{
    return openFile(file, false);
}

bool DatabaseManager::openExisting(const QFileInfo& file)
{
    return openFile(file, true);
}

bool DatabaseManager::hasReadableProjectRow(SQLiteDatabase& database)
{
    try {
        std::string message;
        SQLiteQuery query(&database);
        query.prepare("SELECT message FROM project LIMIT 1");
        query.bindBlob(&message);
        ProjectRecord record;
        return query.step() && record.ParseFromString(message);
    } catch (const SQLiteException& e) {
        qWarning().noquote() << QString::fromStdString(e.detail());
        return false;
    }
}

bool DatabaseManager::openFile(const QFileInfo& file, bool existing)
{
    close();
    const QString path = file.absoluteFilePath();
    auto database = std::make_unique<SQLiteDatabase>();
    if (!database->open(path.toUtf8().toStdString())) {
        std::printf("DatabaseManager::open - DatabaseManager::open: Failed to open database at '%s'\n",
                    path.toUtf8().constData());
        std::fflush(stdout);
        return false;
    }
    if (existing && !hasReadableProjectRow(*database)) {
        qWarning().noquote() << "DatabaseManager::openExisting: no readable project record in" << path;
        database->close();
        return false;
    }
    ProjectSchema schema;
    if (!schema.createDB(database.get())) {
        std::string text = "DatabaseManager::open: Error creating database table structure!";
        const std::string sqliteText = database->errorMessage();
        if (!sqliteText.empty())
            text += " " + sqliteText;
        database->log().addError(text);
        // A file whose tables cannot be made (not a database, locked) is
        // left alone: keeping the connection would let later writes fail
        // one by one.
        qWarning().noquote() << QString::fromStdString(text) << path;
        database->close();
        return false;
    }
    m_file = file;
    m_database = std::move(database);
    m_unreadableRecords = false;
    return true;
}

void DatabaseManager::close()
{
    if (m_database)
        m_database->close();
    m_database.reset();
    m_file = QFileInfo();
}

bool DatabaseManager::isOpen() const
{
    return m_database && m_database->isOpen();
}

void DatabaseManager::addError(const std::string& text)
{
    std::string entry = text;
    const std::string sqliteText = m_database->errorMessage();
    if (!sqliteText.empty())
        entry += " " + sqliteText;
    m_database->log().addError(entry);
}

// --- loading ---------------------------------------------------------------------

bool DatabaseManager::loadProject(Project* target)
{
    if (!target || !isOpen())
        return false;
    std::string projectId;
    std::string message;
    SQLiteQuery query(m_database.get());
    query.prepare("SELECT projectId, message FROM project LIMIT 1");
    query.bindText(&projectId);
    query.bindBlob(&message);
    if (!query.step())
        return false;
    ProjectRecord record;
    if (!record.ParseFromString(message))
        return false;
    m_version = static_cast<int>(record.version());
    readProjectRecord(record, target);
    return true;
}

bool DatabaseManager::loadLocalities(Project* target)
{
    if (!target || !isOpen())
        return false;
    bool complete = true;
    std::vector<std::shared_ptr<Locality>> read;
    try {
        std::string id;
        std::string message;
        SQLiteQuery query(m_database.get());
        query.prepare("SELECT localityId, message FROM localities");
        query.bindText(&id);
        query.bindBlob(&message);
        while (query.step()) {
            if (target->hasLocality(id))
                continue;
            QZProtoBuffers::Locality record;
            std::shared_ptr<Locality> locality;
            if (record.ParseFromString(message))
                locality = Locality::fromProto(target->projectId(), record);
            if (locality) {
                read.push_back(std::move(locality));
            } else {
                reportUnreadable("localities", "row " + id, "not a locality record");
                complete = false;
            }
        }
    } catch (const SQLiteException& e) {
        reportUnreadable("localities", "rows", e.detail());
        complete = false;
    }
    // Newest first, the project's own order, so that adding sorts nothing.
    std::stable_sort(read.begin(), read.end(),
                     [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
    for (auto& locality : read)
        target->addLocality(std::move(locality));
    return complete;
}

void DatabaseManager::reportUnreadable(const std::string& table, const std::string& what, const std::string& why)
{
    m_unreadableRecords = true;
    qWarning().noquote() << "Could not read" << QString::fromStdString(what) << "of table"
                         << QString::fromStdString(table) << "in" << m_file.absolutePath() << ":"
                         << QString::fromStdString(why);
}

bool DatabaseManager::loadLocalityContent(Locality* locality)
{
    // The lines do not depend on the data: a damaged data page costs no line.
    const bool data = loadData(locality);
    const bool lines = loadLineData(locality);
    return data && lines;
}

template <typename Record, typename Object>
bool DatabaseManager::loadLocalityRows(Locality& locality, const std::string& table,
                                       bool (Locality::*isLoaded)(const std::string&) const,
                                       void (Locality::*append)(std::shared_ptr<Object>))
{
    if (!isOpen())
        return false;
    bool complete = true;
    try {
        std::string localityId = locality.id();
        std::string id;
        std::string message;
        SQLiteQuery query(m_database.get());
        query.prepare("SELECT dataId, message FROM " + table + " WHERE localityId=?");
        query.bindTextParameter(&localityId);
        query.bindText(&id);
        query.bindBlob(&message);
        Record record;
        while (query.step()) {
            if ((locality.*isLoaded)(id))
                continue;
            std::shared_ptr<Object> object;
            if (record.ParseFromString(message))
                object = Object::fromProto(record);
            if (object) {
                (locality.*append)(std::move(object));
            } else {
                reportUnreadable(table, "row " + id, "not a complete record");
                complete = false;
            }
        }
    } catch (const SQLiteException& e) {
        reportUnreadable(table, "rows of locality " + locality.id(), e.detail());
        complete = false;
    }
    // What was read before a storage error is kept.
    locality.finishLoading();
    return complete;
}

template <typename Record, typename Object>
bool DatabaseManager::loadTableRows(const std::vector<Locality*>& localities, const std::string& table,
                                    bool (Locality::*isLoaded)(const std::string&) const,
                                    void (Locality::*append)(std::shared_ptr<Object>))
{
    // Each locality's id is held once for all its items.
    std::unordered_map<std::string, std::pair<Locality*, SharedId>> byId;
    for (Locality* locality : localities)
        byId.emplace(locality->id(), std::make_pair(locality, std::make_shared<const std::string>(locality->id())));
    // The record carries its own id: the id column is read only to name an
    // unreadable row.
    std::vector<std::int64_t> unreadable;
    try {
        std::int64_t rowId = 0;
        SQLiteQuery query(m_database.get());
        query.prepare("SELECT rowid, localityId, message FROM " + table);
        query.bind(&rowId);
        // The locality id and the message are read where SQLite holds them
        // (valid until the next step): no copy per row.
        sqlite3_stmt* row = query.statement();
        // A locality's rows mostly follow each other: its look-up is kept.
        std::string lastId;
        Locality* owner = nullptr;
        SharedId ownerId;
        bool ownerHasItems = false;
        // One message reused: parsing keeps its buffers.
        Record record;
        while (query.step()) {
            const std::string_view localityId(reinterpret_cast<const char*>(sqlite3_column_text(row, 1)),
                                              std::size_t(sqlite3_column_bytes(row, 1)));
            if (!owner || localityId != lastId) {
                lastId.assign(localityId);
                const auto found = byId.find(lastId);
                owner = found == byId.end() ? nullptr : found->second.first;
                ownerId = found == byId.end() ? nullptr : found->second.second;
                ownerHasItems = owner && !(owner->data().empty() && owner->lines().empty());
            }
            if (!owner)
                continue;
            if (!record.ParseFromArray(sqlite3_column_blob(row, 2), sqlite3_column_bytes(row, 2))) {
                unreadable.push_back(rowId);
                continue;
            }
            if (ownerHasItems && (owner->*isLoaded)(record.dataid()))
                continue;
            if (std::shared_ptr<Object> object = Object::fromProto(record, ownerId))
                (owner->*append)(std::move(object));
            else
                unreadable.push_back(rowId);
        }
    } catch (const SQLiteException&) {
        // Only the index gets past a damaged page: locality by locality,
        // skipping what was read already.
        bool complete = true;
        for (Locality* locality : localities) {
            locality->finishLoading();
            complete = loadLocalityRows<Record, Object>(*locality, table, isLoaded, append) && complete;
        }
        return complete;
    }
    for (Locality* locality : localities)
        locality->finishLoading();
    for (const std::int64_t rowId : unreadable)
        reportUnreadable(table, "row " + rowIdText(table, rowId), "not a complete record");
    return unreadable.empty();
}

std::string DatabaseManager::rowIdText(const std::string& table, std::int64_t rowId)
{
    std::string id;
    try {
        SQLiteQuery query(m_database.get());
        query.prepare("SELECT dataId FROM " + table + " WHERE rowid=?");
        query.bindParameter(&rowId);
        query.bindText(&id);
        if (query.step())
            return id;
    } catch (const SQLiteException&) {
    }
    return "at rowid " + std::to_string(rowId);
}

bool DatabaseManager::loadContent(Project* target)
{
    if (!target || !isOpen())
        return false;
    std::vector<Locality*> localities;
    for (const auto& locality : target->localities())
        localities.push_back(locality.get());
    const bool data = loadTableRows<QZProtoBuffers::Data>(localities, "data", &Locality::hasData,
                                                          &Locality::appendLoadedData);
    const bool lines = loadTableRows<QZProtoBuffers::LineData2D>(localities, "linedata", &Locality::hasLine,
                                                                 &Locality::appendLoadedLine);
    return data && lines;
}

bool DatabaseManager::loadData(Locality* locality)
{
    return locality && loadLocalityRows<QZProtoBuffers::Data>(*locality, "data", &Locality::hasData,
                                                             &Locality::appendLoadedData);
}

bool DatabaseManager::loadLineData(Locality* locality)
{
    return locality
        && loadLocalityRows<QZProtoBuffers::LineData2D>(*locality, "linedata", &Locality::hasLine,
                                                               &Locality::appendLoadedLine);
}

// --- writing ---------------------------------------------------------------------

int DatabaseManager::countRows(const std::string& sql, std::vector<std::string> keys)
{
    std::int32_t count = -1;
    SQLiteQuery query(m_database.get());
    query.prepare(sql);
    for (std::string& key : keys)
        query.bindTextParameter(&key);
    query.bind(&count);
    query.step();
    return count;
}

bool DatabaseManager::insertRow(const std::string& savepoint, const std::string& sql,
                                const Bindings& values)
{
    try {
        m_database->exec("SAVEPOINT " + savepoint);
        {
            SQLiteInsert insert(m_database.get());
            insert.prepare(sql);
            for (const auto& value : values)
                insert.bind(value.first, value.second);
            insert.execute();
        }
        m_database->exec("RELEASE " + savepoint);
    } catch (const SQLiteException&) {
        rollBack(savepoint);
        return false;
    }
    return true;
}

bool DatabaseManager::updateRow(const std::string& name, const std::string& sql,
                                const Bindings& values)
{
    try {
        SQLiteInsert update(m_database.get());
        update.prepare(sql);
        for (const auto& value : values)
            update.bind(value.first, value.second);
        update.execute();
    } catch (const SQLiteException&) {
        // The failed statement changed nothing: there is nothing to undo.
        m_database->log().addInformation("ROLLBACK TO SAVEPOINT " + name);
        return false;
    }
    return true;
}

void DatabaseManager::rollBack(const std::string& savepoint)
{
    const std::string text = "ROLLBACK TO SAVEPOINT " + savepoint;
    // After a full disk or an I/O error SQLite has already rolled the whole
    // transaction back, and the savepoint is gone with it.
    if (sqlite3_get_autocommit(m_database->connection())) {
        m_database->log().addInformation(text + " (already rolled back)");
        return;
    }
    try {
        m_database->exec(text);
        m_database->log().addInformation(text);
        // ROLLBACK TO keeps the savepoint, and with it the transaction, open.
        m_database->exec("RELEASE " + savepoint);
    } catch (const SQLiteException& e) {
        m_database->log().addError("DatabaseManager::rollBack: " + e.detail());
    }
}

bool DatabaseManager::writeRow(RowWrite& row)
{
    const int count = countRows(row.countSql, row.keys);
    if (count == 0 || count == 1) {
        if (row.record.empty())
            return false;
    }
    if (count == 0) {
        if (!row.insertNote.empty())
            m_database->log().addInformation(row.insertNote);
        return insertRow(row.insertSavepoint, row.insertSql, row.insertValues);
    }
    if (count == 1) {
        if (!row.updateNote.empty())
            m_database->log().addInformation(row.updateNote);
        return updateRow(row.updateName, row.updateSql, row.updateValues);
    }
    addError(count > 1 ? row.tooManyError : row.countError);
    return false;
}

bool DatabaseManager::syncProjectDetails(Project* project, const Project* lists)
{
    if (!project || !isOpen())
        return false;
    RowWrite row;
    row.countSql = "SELECT COUNT(*) FROM project";
    if (!serializeRecord(buildProjectRecord(*project, lists ? *lists : *project), &row.record))
        row.record.clear();
    std::int32_t projectId = static_cast<std::int32_t>(project->projectId().value());
    row.insertSavepoint = "insertProjectDetails";
    row.insertSql = "INSERT INTO project (projectId, message) VALUES (?,?)";
    row.insertValues = {{SQLiteOperation::Int, &projectId}, {SQLiteOperation::Blob, &row.record}};
    row.updateSql = "UPDATE project SET message=?";
    row.updateValues = {{SQLiteOperation::Blob, &row.record}};
    row.updateName = "updateProjectDetails";
    row.tooManyError = "DatabaseManager::syncProjectDetails: more than 1 project record!";
    row.countError = "DatabaseManager::syncProjectDetails: unable to count project records!";
    return writeRow(row);
}

bool DatabaseManager::syncLocalityDetails(Locality* locality)
{
    if (!locality || !isOpen())
        return false;
    std::string id = locality->id();
    RowWrite row;
    row.countSql = "SELECT COUNT(localityId) FROM localities WHERE localityId=?";
    row.keys = {id};
    if (!serializeRecord(*locality->toProto(), &row.record))
        row.record.clear();
    row.insertSavepoint = "insertLocalityDetails";
    row.insertSql = "INSERT INTO localities (localityId, message) VALUES(?,?)";
    row.insertValues = {{SQLiteOperation::Text, &id}, {SQLiteOperation::Blob, &row.record}};
    row.updateSql = "UPDATE localities SET message=? WHERE localityId=?";
    row.updateValues = {{SQLiteOperation::Blob, &row.record}, {SQLiteOperation::Text, &id}};
    row.updateName = "updateLocalityDetails";
    row.tooManyError = "DatabaseManager::syncLocalityDetails: more than 1 locality record with id: " + id + "!";
    row.countError = "DatabaseManager::syncLocalityDetails: unable to count locality records!";
    row.insertNote = "insertLocalityDetails";
    row.updateNote = "updateLocalityDetails";
    return writeRow(row);
}

bool DatabaseManager::syncDataDetails(std::shared_ptr<Data> data)
{
    if (!data || !isOpen())
        return false;
    const auto record = data->toProto();
    std::string bytes;
    if (!record || !serializeRecord(*record, &bytes))
        bytes.clear();
    return syncLocalityRow({"data", "syncDataDetails", "data record"}, data->id(), data->localityId(), bytes);
}

bool DatabaseManager::syncLineDataDetails(LineData2D* line)
{
    if (!line || !isOpen())
        return false;
    const auto record = line->toProto();
    std::string bytes;
    if (!record || !serializeRecord(*record, &bytes))
        bytes.clear();
    return syncLocalityRow({"linedata", "syncLineDataDetails", "line data record"}, line->id(), line->localityId(),
                           bytes);
}

bool DatabaseManager::syncLocalityRow(const RowTable& table, std::string dataId, std::string localityId,
                                      const std::string& record)
{
    RowWrite row;
    row.countSql = "SELECT COUNT(dataId) FROM " + table.name + " WHERE dataId=? AND localityId=?";
    row.keys = {dataId, localityId};
    row.record = record;
    row.insertSavepoint = "insertDataDetails";
    row.insertSql = "INSERT INTO " + table.name + " (dataId, localityId, message) VALUES(?,?,?)";
    row.insertValues = {{SQLiteOperation::Text, &dataId},
                        {SQLiteOperation::Text, &localityId},
                        {SQLiteOperation::Blob, &row.record}};
    row.updateSql = "UPDATE " + table.name + " SET message=? WHERE dataId=? AND localityId=?";
    row.updateValues = {{SQLiteOperation::Blob, &row.record},
                        {SQLiteOperation::Text, &dataId},
                        {SQLiteOperation::Text, &localityId}};
    row.updateName = "updateDataDetails";
    const std::string caller = "DatabaseManager::" + table.caller + ": ";
    row.tooManyError = caller + "more than 1 " + table.noun + " with id: " + dataId + "!";
    row.countError = caller + "unable to count " + table.noun + "s!";
    return writeRow(row);
}

bool DatabaseManager::insertNewLocality(const Locality& locality)
{
    static const std::string sql = "INSERT INTO localities (localityId, message) VALUES(?,?)";
    const auto record = locality.toProto();
    return insertNewRow(sql, locality.id(), nullptr, record.get());
}

bool DatabaseManager::insertNewData(const Data& data)
{
    static const std::string sql = "INSERT INTO data (dataId, localityId, message) VALUES(?,?,?)";
    const auto record = data.toProto();
    return insertNewRow(sql, data.id(), &data.localityId(), record.get());
}

bool DatabaseManager::insertNewLineData(const LineData2D& line)
{
    static const std::string sql = "INSERT INTO linedata (dataId, localityId, message) VALUES(?,?,?)";
    const auto record = line.toProto();
    return insertNewRow(sql, line.id(), &line.localityId(), record.get());
}

bool DatabaseManager::insertNewRow(const std::string& sql, const std::string& dataId, const std::string* localityId,
                                   const google::protobuf::MessageLite* record)
{
    if (!isOpen() || !record)
        return false;
    // One buffer per thread: merges run on task threads.
    thread_local std::string bytes;
    if (!serializeRecord(*record, &bytes))
        return false;
    // A single insert changes all or nothing of its row: no savepoint needed.
    std::string id = dataId;
    std::string owner = localityId ? *localityId : std::string();
    try {
        SQLiteInsert insert(m_database.get());
        insert.prepare(sql);
        insert.bindText(&id);
        if (localityId)
            insert.bindText(&owner);
        insert.bindBlob(&bytes);
        insert.execute();
    } catch (const SQLiteException&) {
        return false;
    }
    return true;
}

// --- removing --------------------------------------------------------------------

bool DatabaseManager::deleteRows(const std::string& savepoint,
                                 const std::vector<std::pair<std::string, std::vector<std::string>>>& statements)
{
    try {
        m_database->exec("SAVEPOINT " + savepoint);
        for (const auto& statement : statements) {
            std::vector<std::string> keys = statement.second;
            SQLiteInsert deletion(m_database.get());
            deletion.prepare(statement.first);
            for (std::string& key : keys)
                deletion.bindText(&key);
            deletion.execute();
        }
        m_database->exec("RELEASE " + savepoint);
    } catch (const SQLiteException&) {
        rollBack(savepoint);
        return false;
    }
    return true;
}

bool DatabaseManager::removeLocality(Locality* locality)
{
    if (!locality || !isOpen())
        return false;
    const std::string& id = locality->id();
    return deleteRows("removeLocality", {
                                            {"DELETE FROM data WHERE localityId=?", {id}},
                                            {"DELETE FROM linedata WHERE localityId=?", {id}},
                                            {"DELETE FROM localities WHERE localityId=?", {id}},
                                        });
}

bool DatabaseManager::removeData(std::shared_ptr<Data> data)
{
    return data && removeLocalityRow("data", "removeData", data->localityId(), data->id());
}

bool DatabaseManager::removeLineData(LineData2D* line)
{
    return line && removeLocalityRow("linedata", "removeLineData", line->localityId(), line->id());
}

bool DatabaseManager::removeLocalityRow(const std::string& table, const std::string& savepoint,
                                        const std::string& localityId, const std::string& dataId)
{
    if (!isOpen())
        return false;
    return deleteRows(savepoint, {{"DELETE FROM " + table + " WHERE localityId=? AND dataId=?", {localityId, dataId}}});
}

} // namespace kiv
