#include <QtTest>

#include "Database/DatabaseManager.h"
#include "Database/ProjectSchema.h"
#include "Database/Quarzel.pb.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <QProcess>

#include <sqlite3.h>

#include <google/protobuf/unknown_field_set.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using namespace kiv;
using ProjectRecord = QZProtoBuffers::Project;
using kiv::test::storedProjectRecord;

namespace {

const std::string kLocality = "0123456789abcdef0123456789abcdef";
const std::string kOther = "fedcba9876543210fedcba9876543210";

QString dbPath(const QDir& folder)
{
    return folder.absoluteFilePath(QStringLiteral("main.db"));
}

// Rows of a statement on a second connection, columns joined by "|".
QStringList rows(const QString& path, const std::string& sql, int columns = 1)
{
    SQLiteDatabase db;
    if (!db.open(path.toStdString()))
        return {QStringLiteral("<cannot open>")};
    std::vector<std::string> values(static_cast<std::size_t>(columns));
    SQLiteQuery query(&db);
    query.prepare(sql);
    for (std::string& value : values)
        query.bindText(&value);
    QStringList result;
    while (query.step()) {
        QStringList row;
        for (const std::string& value : values)
            row << QString::fromStdString(value);
        result << row.join(QLatin1Char('|'));
    }
    return result;
}

int rowCount(const QString& path, const char* table)
{
    return rows(path, std::string("SELECT COUNT(*) FROM ") + table).value(0).toInt();
}

// A main.db holding the given project record and nothing else.
void writeProjectRecord(const QDir& folder, const ProjectRecord& record)
{
    DatabaseManager manager;
    QVERIFY(manager.open(QFileInfo(dbPath(folder))));
    std::string bytes;
    QVERIFY(record.SerializeToString(&bytes));
    std::int32_t id = 1;
    {
        // A statement goes back to its connection before that closes.
        SQLiteInsert insert(manager.database());
        insert.prepare("INSERT INTO project (projectId, message) VALUES (?,?)");
        insert.bind(&id);
        insert.bindBlob(&bytes);
        QVERIFY(insert.execute());
    }
    manager.close();
}

ProjectRecord minimalRecord()
{
    ProjectRecord record;
    record.set_version(ProjectRecord::V20);
    record.set_name("Stored");
    return record;
}

std::unique_ptr<Project> openProject(const QDir& folder)
{
    return std::make_unique<Project>(ProjectId(1), nullptr, folder);
}

std::unique_ptr<Project> newProject(const QDir& folder)
{
    return std::make_unique<Project>(ProjectId(1), nullptr, QStringLiteral("P"), QString(), QString(),
                                     folder);
}

std::shared_ptr<Locality> localityWithContent(const std::string& id)
{
    auto locality = std::make_shared<Locality>(ProjectId(1), id);
    locality->setName(QStringLiteral("Site"));
    locality->addPlane(id.substr(0, 16) + "0000000000000001", 47.0, 8.0, 30, 120, 0, 1, QString());
    locality->addAnnotation(id.substr(0, 16) + "0000000000000002", 47.0, 8.0, QStringLiteral("note"));
    auto line = locality->addPolyline(id.substr(0, 16) + "0000000000000003", -1, 0, 1.0f, 1.0f, QString());
    line->addPoint(47.0, 8.0);
    line->addPoint(47.1, 8.1);
    return locality;
}

void syncAll(DatabaseManager& manager, const std::shared_ptr<Locality>& locality)
{
    QVERIFY(manager.syncLocalityDetails(locality.get()));
    for (const auto& data : locality->data())
        QVERIFY(manager.syncDataDetails(data));
    for (const auto& line : locality->lines())
        QVERIFY(manager.syncLineDataDetails(line.get()));
}

QString withoutSemicolon(const char* statement)
{
    QString text = QString::fromLatin1(statement);
    text.chop(1);
    return text;
}

} // namespace

class TestProjectDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QDir folder() const { return QDir(m_dir->path()); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void newFileHoldsExactlyTheFourTables()
    {
        DatabaseManager manager;
        QVERIFY(manager.open(QFileInfo(dbPath(folder()))));
        QVERIFY(manager.isOpen());
        manager.close();
        QVERIFY(!manager.isOpen());
        const QStringList expected = {
            QStringLiteral("table|project|") + withoutSemicolon(ProjectSchema::ProjectTable),
            QStringLiteral("table|localities|") + withoutSemicolon(ProjectSchema::LocalitiesTable),
            QStringLiteral("table|data|") + withoutSemicolon(ProjectSchema::DataTable),
            QStringLiteral("table|linedata|") + withoutSemicolon(ProjectSchema::LineDataTable),
        };
        // Primary keys bring their own automatic indices, nothing else.
        QCOMPARE(rows(dbPath(folder()), "SELECT type, name, sql FROM sqlite_master WHERE type='table' ORDER BY rowid", 3),
                 expected);
        QCOMPARE(rows(dbPath(folder()), "SELECT COUNT(*) FROM sqlite_master WHERE type NOT IN ('table','index')"),
                 QStringList{"0"});
        QCOMPARE(ProjectSchema::DataTable,
                 "CREATE TABLE data ( dataId CHAR(32) NOT NULL, localityId CHAR(32) NOT NULL REFERENCES "
                 "localities(localityId) ON DELETE CASCADE, message BLOB NOT NULL, PRIMARY KEY (dataId, localityId));");
    }

    // Syncing again updates the rows in place.
    void reopeningKeepsRowsAndTables()
    {
        auto written = localityWithContent(kLocality);
        {
            auto project = newProject(folder());
            QVERIFY(project->isOpen());
            syncAll(*project, written);
            written->setName(QStringLiteral("Renamed"));
            written->data().front()->setComment(QStringLiteral("changed"));
            written->lines().front()->setComment(QStringLiteral("changed"));
            syncAll(*project, written);
            project->close();
        }
        auto project = openProject(folder());
        QVERIFY(project->isOpen());
        QCOMPARE(rowCount(dbPath(folder()), "project"), 1);
        QCOMPARE(rowCount(dbPath(folder()), "localities"), 1);
        QCOMPARE(rowCount(dbPath(folder()), "data"), 2);
        QCOMPARE(rowCount(dbPath(folder()), "linedata"), 1);
        QCOMPARE(rowCount(dbPath(folder()), "sqlite_master WHERE type='table'"), 4);
        QVERIFY(project->load(true));
        QCOMPARE(project->numberOfLocalities(), 1);
        const auto locality = project->localityAt(0);
        QCOMPARE(locality->name(), QStringLiteral("Renamed"));
        QCOMPARE(locality->dataById(written->data().front()->id())->comment(), QStringLiteral("changed"));
        QCOMPARE(locality->lines().front()->comment(), QStringLiteral("changed"));
        QCOMPARE(locality->lines().front()->pointCount(), 2);
        // Loading again adds nothing that is already there.
        QVERIFY(project->load(true));
        QCOMPARE(project->numberOfLocalities(), 1);
        QVERIFY(project->loadLocalityContent(locality.get()));
        QVERIFY(project->loadLocalityContent(*locality));
        QCOMPARE(locality->planeCount(), 1);
        QCOMPARE(locality->annotationCount(), 1);
        QCOMPARE(locality->polylineCount(), 1);
    }

    void optionalFieldsOnlyInRange_data()
    {
        QTest::addColumn<float>("declination");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<bool>("stored"); // all three, or none
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("not known") << 999.0f << 999.0 << 999.0 << false;
        QTest::newRow("known") << 2.5f << 46.5 << 7.25 << true;
        QTest::newRow("bounds") << -180.0f << -90.0 << 180.0 << true;
        QTest::newRow("just outside") << 180.5f << 90.5 << -180.5 << false;
        QTest::newRow("nan") << nan << double(nan) << double(nan) << false;
    }

    void optionalFieldsOnlyInRange()
    {
        QFETCH(float, declination);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(bool, stored);
        {
            auto project = newProject(folder());
            project->setDeclination(declination);
            project->setLastLatitude(latitude);
            project->setLastLongitude(longitude);
            QVERIFY(project->save());
            QVERIFY(project->save());
        }
        QCOMPARE(rowCount(dbPath(folder()), "project"), 1);
        const ProjectRecord record = storedProjectRecord(dbPath(folder()));
        QCOMPARE(int(record.version()), 3);
        QCOMPARE(record.has_declination(), stored);
        QCOMPARE(record.has_lastlatitude(), stored);
        QCOMPARE(record.has_lastlongitude(), stored);

        // Values not stored read back as "not known", not as 0.
        auto reopened = openProject(folder());
        QCOMPARE(reopened->declination(), stored ? declination : 999.0f);
        QCOMPARE(reopened->lastLatitude(), stored ? latitude : 999.0);
        QCOMPARE(reopened->lastLongitude(), stored ? longitude : 999.0);
        QCOMPARE(reopened->version(), 3);
    }

    // A record written with a field the schema lacks opens with the rest;
    // saving it again writes a record without it.
    void unknownFieldKeepsTheRest()
    {
        ProjectRecord record = minimalRecord();
        record.set_lastlatitude(46.5);
        record.set_lastlongitude(7.25);
        const double altitude = 3333.0;
        quint64 bits = 0;
        std::memcpy(&bits, &altitude, sizeof bits);
        record.mutable_unknown_fields()->AddFixed64(15, bits);
        writeProjectRecord(folder(), record);
        {
            auto project = openProject(folder());
            QCOMPARE(project->name(), QStringLiteral("Stored"));
            QCOMPARE(project->lastLatitude(), 46.5);
            QCOMPARE(project->lastLongitude(), 7.25);
            QVERIFY(project->save());
        }
        const ProjectRecord stored = storedProjectRecord(dbPath(folder()));
        QVERIFY(stored.unknown_fields().empty());
        QCOMPARE(stored.lastlatitude(), 46.5);
        auto reopened = openProject(folder());
        QCOMPARE(reopened->name(), QStringLiteral("Stored"));
        QCOMPARE(reopened->lastLongitude(), 7.25);
    }

    void fieldsRoundTrip()
    {
        {
            auto project = newProject(folder());
            project->setName(QStringLiteral("Gneiss – Süd"));
            project->setRegion(QStringLiteral("Alps"));
            project->setDescription(QStringLiteral("Mapping"));
            project->setLocalityBaseName(QStringLiteral("Stop #"));
            project->setTimeStamp(1700000000);
            project->setBaseMapUrl(QStringLiteral("https://tiles.example/{z}/{x}/{y}.png"));
            project->addRockUnit(4, QStringLiteral("Granite"), QColor(QStringLiteral("#A0b1C2")), 1);
            project->addRockUnit(2, QStringLiteral("Shear zone"), QColor(Qt::red), 2);
            project->addRockUnit(9, QStringLiteral("Marl"), QColor(Qt::blue), 7);
            QVERIFY(project->save());
        }
        const ProjectRecord record = storedProjectRecord(dbPath(folder()));
        QCOMPARE(record.rockunit(0).colour(), std::string("#a0b1c2"));
        QCOMPARE(record.rockunit(2).unittype(), QZProtoBuffers::RockUnit::UNIT_HORIZON);
        auto project = openProject(folder());
        QCOMPARE(project->name(), QStringLiteral("Gneiss – Süd"));
        QCOMPARE(project->region(), QStringLiteral("Alps"));
        QCOMPARE(project->description(), QStringLiteral("Mapping"));
        QCOMPARE(project->localityBaseName(), QStringLiteral("Stop #"));
        QCOMPARE(project->timeStamp(), qint64(1700000000));
        QCOMPARE(project->baseMapUrl(), QStringLiteral("https://tiles.example/{z}/{x}/{y}.png"));
        QCOMPARE(int(project->rockUnits().size()), 3);
        QCOMPARE(project->rockUnits()[0].id, 4);
        QCOMPARE(project->unitType(4), 1);
        QCOMPARE(project->unitType(2), 2);
        QCOMPARE(project->unitType(9), 0);
        QCOMPARE(project->unitColor(4), QColor(QStringLiteral("#a0b1c2")));
        // A unit made after reopening gets a fresh id.
        QCOMPARE(project->nextUnitId(), 10);
    }

    void rockUnitColours_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex without #") << "00ff00" << "#00ff00";
        QTest::newRow("hex with #") << "#12ab9f" << "#12ab9f";
        QTest::newRow("name") << "red" << "#ff0000";
        QTest::newRow("nonsense") << "nonsense" << "#000000";
        QTest::newRow("empty") << "" << "#000000";
    }

    void rockUnitColours()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        ProjectRecord record = minimalRecord();
        QZProtoBuffers::RockUnit* unit = record.add_rockunit();
        unit->set_unitid(1);
        unit->set_unitname("Unit");
        unit->set_colour(stored.toStdString());
        writeProjectRecord(folder(), record);
        auto project = openProject(folder());
        QCOMPARE(project->unitColor(1).name(), expected);
    }

    void symbols_data()
    {
        QTest::addColumn<QList<int>>("types"); // record types, ids 3, 7, 5, ...
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<int>("bearingId"); // -1: no symbol added
        QTest::newRow("no symbols") << QList<int>{} << 0 << -1;
        QTest::newRow("no sighting") << QList<int>{0, 1} << 3 << 8;
        QTest::newRow("with sighting") << QList<int>{0, 2} << 2 << -1;
    }

    void symbols()
    {
        QFETCH(QList<int>, types);
        QFETCH(int, expectedCount);
        QFETCH(int, bearingId);
        ProjectRecord record = minimalRecord();
        const int ids[] = {3, 7};
        for (int i = 0; i < types.size(); ++i) {
            QZProtoBuffers::Symbol* symbol = record.add_symbols();
            symbol->set_symbolid(ids[i]);
            symbol->set_name("S");
            symbol->set_iconid(4);
            symbol->set_symboltype(QZProtoBuffers::Symbol::SymbolType(types[i]));
            symbol->set_islocked(false);
        }
        writeProjectRecord(folder(), record);
        auto project = openProject(folder());
        QCOMPARE(int(project->symbols().size()), expectedCount);
        if (types.size() == 2)
            QCOMPARE(int(project->symbolType(7)), types[1] == 1 ? 8 : 9);
        if (bearingId >= 0) {
            const Project::Symbol& added = project->symbols().back();
            QCOMPARE(added.id, bearingId);
            QCOMPARE(added.name, QStringLiteral("Bearing"));
            QCOMPARE(added.iconId, 20);
            QCOMPARE(added.symbolType, int(Project::SightingType));
            QVERIFY(added.locked);
            // Written back as a sighting symbol.
            QVERIFY(project->save());
            QCOMPARE(storedProjectRecord(dbPath(folder())).symbols(2).symboltype(), QZProtoBuffers::Symbol::SIGHTING);
        }
    }

    void baseTiles_data()
    {
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("stored");
        QTest::newRow("satellite") << 0 << int(ProjectRecord::SATELLITE);
        QTest::newRow("road") << 1 << int(ProjectRecord::ROAD);
        QTest::newRow("terrain") << 2 << int(ProjectRecord::TERRAIN);
        QTest::newRow("custom") << 3 << int(ProjectRecord::CUSTOM);
        QTest::newRow("unknown") << 7 << int(ProjectRecord::TERRAIN);
    }

    void baseTiles()
    {
        QFETCH(int, layer);
        QFETCH(int, stored);
        {
            auto project = newProject(folder());
            project->setBaseTileLayer(layer);
            QVERIFY(project->save());
        }
        QCOMPARE(int(storedProjectRecord(dbPath(folder())).basetiles()), stored);
        QCOMPARE(openProject(folder())->baseTileLayer(), stored);
    }

    void baseMaps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("location"); // "%F" is the project folder, "%G" elsewhere
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("expectedLocation");
        QTest::addColumn<QString>("expectedType");
        QTest::newRow("device maps") << "Device Maps" << "file:%F/map.tif" << "GeoTiff" << false << "" << "";
        QTest::newRow("present") << "Map" << "file:%F/map.tif" << "Other" << true << "file:%F/map.tif"
                                 << "GeoTiff";
        QTest::newRow("moved into folder") << "Map" << "file:%G/map.tif" << "GeoTiff" << true
                                           << "file:%F/map.tif" << "GeoTiff";
        QTest::newRow("relative name") << "Map" << "map.tif" << "GeoTiff" << true << "file:%F/map.tif"
                                       << "GeoTiff";
        QTest::newRow("found nowhere") << "Map" << "file:%G/gone.tif" << "GeoTiff" << false << "" << "";
        // A record may name any file: only the project's own are used.
        QTest::newRow("outside the folder") << "Map" << "file:%G/other.tif" << "GeoTiff" << false << "" << "";
        QTest::newRow("through a link") << "Map" << "file:%F/linked.tif" << "GeoTiff" << false << "" << "";
        QTest::newRow("the database") << "Map" << "file:%F/main.db" << "GeoTiff" << false << "" << "";
        QTest::newRow("mbtiles") << "Tiles" << "file:%F/tiles.MBTiles" << "GeoTiff" << true
                                 << "file:%F/tiles.MBTiles" << "MBTiles";
        QTest::newRow("tile service") << "Online" << "https://tiles.example/%7Bz%7D" << "XYZ" << true
                                      << "https://tiles.example/%7Bz%7D" << "XYZ";
    }

    void baseMaps()
    {
        QFETCH(QString, name);
        QFETCH(QString, location);
        QFETCH(QString, type);
        QFETCH(bool, kept);
        QFETCH(QString, expectedLocation);
        QFETCH(QString, expectedType);
        QTemporaryDir elsewhere;
        const QString here = folder().absolutePath();
        for (const QString& file : {folder().absoluteFilePath("map.tif"), folder().absoluteFilePath("tiles.MBTiles"),
                                    elsewhere.filePath("other.tif")}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile::remove(folder().absoluteFilePath("linked.tif"));
        QVERIFY(QFile::link(elsewhere.filePath("other.tif"), folder().absoluteFilePath("linked.tif")));
        auto expand = [&](QString text) {
            return text.replace(QStringLiteral("%F"), here).replace(QStringLiteral("%G"), elsewhere.path());
        };
        ProjectRecord record = minimalRecord();
        QZProtoBuffers::BaseMap* map = record.add_basemap();
        map->set_name(name.toStdString());
        map->set_type(type.toStdString());
        map->set_location(QUrl(expand(location)).toString(QUrl::FullyEncoded).toStdString());
        writeProjectRecord(folder(), record);

        auto project = openProject(folder());
        QCOMPARE(int(project->baseMaps().size()), kept ? 1 : 0);
        if (kept) {
            const Project::BaseMap& loaded = project->baseMaps().front();
            QCOMPARE(loaded.location, QUrl(expand(expectedLocation)));
            QCOMPARE(loaded.type, expectedType);
            QCOMPARE(loaded.name, name);
            QVERIFY(loaded.active);
            QCOMPARE(loaded.opacity, 1.0);
        }
        // Saving writes exactly what was kept.
        QVERIFY(project->save());
        QCOMPARE(storedProjectRecord(dbPath(folder())).basemap_size(), kept ? 1 : 0);
    }

    void datumWithoutKindIsNotWritten_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("new row") << false;
        QTest::newRow("over a stored row") << true;
    }

    void datumWithoutKindIsNotWritten()
    {
        QFETCH(bool, stored);
        auto project = newProject(folder());
        const auto locality = localityWithContent(kLocality);
        if (stored)
            syncAll(*project, locality);
        const std::string id = locality->data().front()->id();
        const std::string sql = "SELECT hex(message) FROM data WHERE dataId='" + id + "'";
        const QStringList before = rows(dbPath(folder()), sql);
        QCOMPARE(before.size(), stored ? 1 : 0);
        QVERIFY(!project->syncDataDetails(std::make_shared<Data>(id, kLocality)));
        QCOMPARE(rows(dbPath(folder()), sql), before);
    }

    // Rows of fresh ids go in without a look-up: a taken id must fail and
    // leave the stored row as it was, never overwrite it.
    void insertNewRows_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("taken");
        QTest::newRow("locality") << "localities" << false;
        QTest::newRow("locality, id taken") << "localities" << true;
        QTest::newRow("datum") << "data" << false;
        QTest::newRow("datum, id taken") << "data" << true;
        QTest::newRow("line") << "linedata" << false;
        QTest::newRow("line, id taken") << "linedata" << true;
    }

    void insertNewRows()
    {
        QFETCH(QString, table);
        QFETCH(bool, taken);
        auto project = newProject(folder());
        syncAll(*project, localityWithContent(kLocality));
        const auto fresh = localityWithContent(taken ? kLocality : kOther);
        fresh->setName(QStringLiteral("Other"));
        fresh->data().front()->setComment(QStringLiteral("other"));
        fresh->lines().front()->setComment(QStringLiteral("other"));
        const std::string sql = "SELECT hex(message) FROM " + table.toStdString() + " ORDER BY rowid";
        const QStringList before = rows(dbPath(folder()), sql);
        bool inserted = false;
        std::string expected;
        if (table == "localities") {
            inserted = project->insertNewLocality(*fresh);
            expected = fresh->toProto()->SerializeAsString();
        } else if (table == "data") {
            inserted = project->insertNewData(*fresh->data().front());
            expected = fresh->data().front()->toProto()->SerializeAsString();
        } else {
            inserted = project->insertNewLineData(*fresh->lines().front());
            expected = fresh->lines().front()->toProto()->SerializeAsString();
        }
        QCOMPARE(inserted, !taken);
        QStringList after = before;
        if (!taken)
            after << QString::fromLatin1(QByteArray::fromStdString(expected).toHex().toUpper());
        QCOMPARE(rows(dbPath(folder()), sql), after);
        // No transaction is left open by either outcome.
        QVERIFY(sqlite3_get_autocommit(project->database()->connection()));
    }

    void removals()
    {
        auto project = newProject(folder());
        auto first = localityWithContent(kLocality);
        auto second = localityWithContent(kOther);
        syncAll(*project, first);
        syncAll(*project, second);
        QVERIFY(project->removeData(first->data().front()));
        QVERIFY(project->removeLineData(first->lines().front().get()));
        QCOMPARE(rowCount(dbPath(folder()), "data"), 3);
        QCOMPARE(rowCount(dbPath(folder()), "linedata"), 1);
        QVERIFY(project->removeLocality(second.get()));
        QCOMPARE(rows(dbPath(folder()), "SELECT localityId FROM localities"), QStringList{QString::fromStdString(kLocality)});
        QCOMPARE(rows(dbPath(folder()), "SELECT DISTINCT localityId FROM data"), QStringList{QString::fromStdString(kLocality)});
        QCOMPARE(rowCount(dbPath(folder()), "linedata"), 0);
        // Rows that are gone already delete without complaint.
        QVERIFY(project->removeLocality(second.get()));
    }

    void idsAreNeverPartOfTheStatement()
    {
        auto project = newProject(folder());
        const std::string quoted = "a'b\"c; DROP TABLE data; --";
        auto locality = localityWithContent(quoted + std::string(16, 'x'));
        syncAll(*project, locality);
        syncAll(*project, locality);
        QCOMPARE(rowCount(dbPath(folder()), "localities"), 1);
        auto reopened = openProject(folder());
        QVERIFY(reopened->load(true));
        QCOMPARE(int(reopened->localityAt(0)->data().size()), 2);
        QVERIFY(reopened->removeLocality(reopened->localityAt(0).get()));
        QCOMPARE(rowCount(dbPath(folder()), "data"), 0);
        QCOMPARE(rowCount(dbPath(folder()), "localities"), 0);
    }

    // A write that fails under another connection's lock must not leave a
    // transaction open: later writes would be lost when the file closes.
    void failedWriteLeavesNoOpenTransaction_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("removal");
        // A reserved lock still lets the count read, so the insert fails.
        QTest::newRow("insert") << "BEGIN IMMEDIATE" << false;
        QTest::newRow("remove") << "BEGIN EXCLUSIVE" << true;
    }

    void failedWriteLeavesNoOpenTransaction()
    {
        QFETCH(QString, lock);
        QFETCH(bool, removal);
        auto project = newProject(folder());
        auto kept = localityWithContent(kLocality);
        syncAll(*project, kept);
        {
            SQLiteDatabase other;
            QVERIFY(other.open(dbPath(folder()).toStdString()));
            other.exec(lock.toStdString());
            auto blocked = std::make_shared<Locality>(ProjectId(1), kOther);
            if (removal)
                QVERIFY(!project->removeLocality(kept.get()));
            else
                QVERIFY(!project->syncLocalityDetails(blocked.get()));
            other.exec("ROLLBACK");
        }
        const auto log = project->database()->log().entries();
        const std::string savepoint = removal ? "removeLocality" : "insertLocalityDetails";
        QVERIFY(std::any_of(log.begin(), log.end(), [&](const SQLiteLog::Entry& entry) {
            return entry.text == "ROLLBACK TO SAVEPOINT " + savepoint;
        }));
        auto later = std::make_shared<Locality>(ProjectId(1), std::string(32, 'e'));
        QVERIFY(project->syncLocalityDetails(later.get()));
        project->close();

        auto reopened = openProject(folder());
        QVERIFY(reopened->load(false));
        QVERIFY(reopened->hasLocality(std::string(32, 'e')));
        QVERIFY(reopened->hasLocality(kLocality));
        QVERIFY(!reopened->hasLocality(kOther));
    }

    void notADatabaseIsRefused()
    {
        QFile file(dbPath(folder()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray junk(4096, 'q');
        file.write(junk);
        file.close();

        DatabaseManager manager;
        QVERIFY(!manager.open(QFileInfo(dbPath(folder()))));
        QVERIFY(!manager.isOpen());
        QVERIFY(!manager.file().exists());
        auto project = openProject(folder());
        QVERIFY(!project->isOpen());
        QVERIFY(!project->save());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), junk);
    }


    void closedManagerRefusesEverything()
    {
        DatabaseManager manager;
        Project target;
        auto locality = localityWithContent(kLocality);
        QVERIFY(!manager.loadProject(&target));
        QVERIFY(!manager.loadLocalities(&target));
        QVERIFY(!manager.loadLocalityContent(locality.get()));
        QVERIFY(!manager.syncProjectDetails(&target));
        QVERIFY(!manager.syncLocalityDetails(locality.get()));
        QVERIFY(!manager.syncDataDetails(locality->data().front()));
        QVERIFY(!manager.syncLineDataDetails(locality->lines().front().get()));
        QVERIFY(!manager.removeLocality(locality.get()));
        QVERIFY(!manager.removeData(locality->data().front()));
        QVERIFY(!manager.removeLineData(locality->lines().front().get()));
    }


    void commandLineToolReadsTheFile()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (tool.isEmpty())
            QSKIP("sqlite3 command-line tool not installed");
        {
            auto project = newProject(folder());
            syncAll(*project, localityWithContent(kLocality));
        }
        QProcess process;
        process.start(tool, {QStringLiteral("-batch"), dbPath(folder()),
                             QStringLiteral("PRAGMA integrity_check; SELECT localityId FROM localities; "
                                            "SELECT COUNT(*) FROM data WHERE localityId='")
                                 + QString::fromStdString(kLocality) + QStringLiteral("';")});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{"ok", QString::fromStdString(kLocality), "2"}));
    }
};

QTEST_GUILESS_MAIN(TestProjectDatabase)
#include "tst_projectdatabase.moc"
