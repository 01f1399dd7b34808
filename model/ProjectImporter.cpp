#include "model/ProjectImporter.h"

#include "Database/Task.h"
#include "app/ApplicationManager.h"
#include "model/Data.h"
#include "model/EditBaseMapCommand.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ProjectFile.h"
#include "model/StorageStep.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace kiv {

namespace {

// Every write of a merge goes into this one savepoint: all or nothing.
const std::string MergeSavepoint = "projectMerge";

constexpr qint64 CopyBlock = 1 << 20;

bool copyContent(const QString& source, QFile& copy)
{
    QFile original(source);
    if (!original.open(QIODevice::ReadOnly))
        return false;
    QByteArray block;
    while (!original.atEnd()) {
        block = original.read(CopyBlock);
        if (block.isEmpty() || copy.write(block) != block.size())
            return false;
    }
    copy.close();
    return original.error() == QFileDevice::NoError && copy.error() == QFileDevice::NoError;
}

} // namespace

struct ProjectImporter::Merge
{
    Project* source = nullptr;
    bool copyImages = false;
    IdMap units;
    IdMap symbols;
    int total = 0;
    int counter = 0;
    QString dateText;
    QDir sourceFolder;
    QDir sourceImages;
    QDir targetImages;

    // Ids of 0 or less mean no unit and pass through.
    int unit(int id) { return id <= 0 ? id : int(units[unsigned(id)]); }
    int symbol(int id) { return id < 0 ? id : int(symbols[unsigned(id)]); }
};

ProjectImporter::ProjectImporter(Project* target, Task* task)
    : m_target(target)
    , m_task(task)
{
}

ProjectImporter::~ProjectImporter() = default;

std::string ProjectImporter::createId(const std::string&)
{
    if (const ApplicationManager* application = ApplicationManager::instance())
        return application->makeUniqueId(QStringLiteral("Importer")).toStdString();
    return QUuid::createUuid().toString(QUuid::Id128).toStdString();
}

bool ProjectImporter::reportProgress(int percent)
{
    return m_task ? m_task->setProgress(percent) : false;
}

bool ProjectImporter::run(Project* source, bool copyImages, bool copyMaps)
{
    if (!m_target || !source || source == m_target)
        return false;
    m_sourceUnreadable = false;
    if (!beginTransaction() || !m_journal.begin(m_target->folder(), m_target->database()->connection())
        || !merge(source, copyImages, copyMaps) || !commitTransaction()) {
        rollback();
        return false;
    }
    m_journal.finish();
    if (QThread::currentThread() == m_target->thread()) {
        if (std::optional<Lists> lists = takeMergedLists())
            applyLists(*m_target, std::move(*lists));
        m_target->addLocalities(takeMergedLocalities());
        emit m_target->numberOfLocalitiesChanged(m_target->numberOfLocalities());
    }
    return true;
}

Project::LocalityList ProjectImporter::takeMergedLocalities()
{
    return std::exchange(m_mergedLocalities, {});
}

std::optional<ProjectImporter::Lists> ProjectImporter::takeMergedLists()
{
    return std::exchange(m_lists, std::nullopt);
}

void ProjectImporter::applyLists(Project& target, Lists lists)
{
    target.rockUnits() = std::move(lists.rockUnits);
    // Never lowered: the target may have passed ids of removed units.
    target.updateNextUnitId(lists.nextUnitId - 1);
    target.symbols() = std::move(lists.symbols);
    target.baseMaps() = std::move(lists.baseMaps);
}

bool ProjectImporter::beginTransaction()
{
    SQLiteDatabase* database = m_target->database();
    if (!database || !database->isOpen())
        return false;
    try {
        database->exec("SAVEPOINT " + MergeSavepoint);
    } catch (const SQLiteException& e) {
        qWarning() << "ProjectImporter: could not start the merge:" << QString::fromStdString(e.detail());
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool ProjectImporter::transactionLost() const
{
    const SQLiteDatabase* database = m_target->database();
    return m_inTransaction && (!database || !database->isOpen() || sqlite3_get_autocommit(database->connection()));
}

bool ProjectImporter::commitTransaction()
{
    if (transactionLost())
        return false;
    // Committing waits out readers like any other write.
    const bool committed = runStorageStep("ProjectImporter: committing the merge failed:", [&] {
        SQLiteInsert release(m_target->database());
        release.prepare("RELEASE " + MergeSavepoint);
        release.execute();
        return true;
    });
    if (committed)
        m_inTransaction = false;
    return committed;
}

bool ProjectImporter::undoTransaction()
{
    const bool open = m_inTransaction && !transactionLost();
    m_inTransaction = false;
    if (!open)
        return false;
    return runStorageStep("ProjectImporter: rolling the merge back failed:", [&] {
        m_target->database()->exec("ROLLBACK TO " + MergeSavepoint);
        m_target->database()->exec("RELEASE " + MergeSavepoint);
        return true;
    });
}

QString ProjectImporter::importDateText()
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::asprintf("%s %s %2d %02d:%02d:%02d %d\n", days[date.dayOfWeek() - 1],
                             months[date.month() - 1], date.day(), time.hour(), time.minute(),
                             time.second(), date.year());
}

bool ProjectImporter::loadSource(Project& source)
{
    bool complete = true;
    if (source.localities().empty())
        complete = source.load(false);
    for (const std::shared_ptr<Locality>& locality : source.localities()) {
        // Made here, but QML binds to them on the project's thread.
        if (locality->thread() != source.thread())
            locality->moveToThread(source.thread());
        if (locality->data().empty() || locality->lines().empty())
            complete = source.loadLocalityContent(locality.get()) && complete;
    }
    // An earlier load of the source may have met the damage.
    return complete && !source.hasUnreadableRecords();
}

bool ProjectImporter::merge(Project* source, bool copyImages, bool copyMaps)
{
    if (!m_target || !source || source == m_target)
        return false;
    const QString targetFolder = m_target->folder().absolutePath();
    if (!QDir().mkpath(targetFolder + QStringLiteral("/images")))
        return false;
    m_mergedLocalities.clear();
    m_copiedFiles.clear();
    // Merged into copies: the screens read the target's own lists meanwhile.
    m_lists = Lists{m_target->rockUnits(), m_target->nextUnitId(), m_target->symbols(), m_target->baseMaps()};
    // Half a project merged would look complete: damage merges nothing.
    if (!loadSource(*source)) {
        m_sourceUnreadable = true;
        qWarning() << "ProjectImporter: some records of" << source->folder().absolutePath()
                   << "could not be read; nothing merged";
        return false;
    }

    Merge merge;
    merge.source = source;
    merge.copyImages = copyImages;
    merge.sourceFolder = QDir(source->folder().absolutePath());
    merge.sourceImages = QDir(merge.sourceFolder.absoluteFilePath(QStringLiteral("images")));
    merge.targetImages = QDir(targetFolder + QStringLiteral("/images"));
    merge.total = copyMaps ? static_cast<int>(source->baseMaps().size()) : 0;
    for (const std::shared_ptr<Locality>& locality : source->localities())
        merge.total += static_cast<int>(locality->data().size() + locality->lines().size());

    mergeRockUnits(*m_lists, source, merge.units);
    mergeSymbols(*m_lists, source, merge.symbols);
    if (copyMaps && !mergeBaseMaps(merge))
        return false;
    if (!saveTarget())
        return false;
    merge.dateText = importDateText();
    // A copy: the list is not to change under the loop.
    const Project::LocalityList localities = source->localities();
    for (const std::shared_ptr<Locality>& locality : localities) {
        if (!mergeLocality(merge, *locality))
            return false;
    }
    return true;
}

bool ProjectImporter::step(Merge& merge)
{
    // After a full disk SQLite may have ended the transaction: later writes
    // would each be committed on their own.
    if (transactionLost())
        return false;
    ++merge.counter;
    const int percent = merge.total > 0 ? std::min(100, merge.counter * 100 / merge.total) : 100;
    return !reportProgress(percent);
}

bool ProjectImporter::saveTarget()
{
    // Only carries the merged lists into the row; the rest is the target's.
    Project lists;
    lists.rockUnits() = m_lists->rockUnits;
    lists.symbols() = m_lists->symbols;
    lists.baseMaps() = m_lists->baseMaps;
    return runStorageStep("ProjectImporter: saving the project failed:", [&] { return m_target->save(&lists); });
}

void ProjectImporter::mergeRockUnits(Lists& target, const Project* source, IdMap& units)
{
    for (const Project::RockUnit& unit : source->rockUnits()) {
        for (const Project::RockUnit& existing : target.rockUnits) {
            if (existing.name == unit.name) {
                units[unsigned(unit.id)] = unsigned(existing.id);
                break;
            }
        }
        if (units.count(unsigned(unit.id)))
            continue;
        const unsigned id = std::max(unsigned(target.nextUnitId), unsigned(unit.id));
        target.nextUnitId = int(id) + 1;
        target.rockUnits.push_back({int(id), unit.name, unit.colour, unit.type});
        units[unsigned(unit.id)] = id;
    }
}

void ProjectImporter::mergeSymbols(Lists& target, const Project* source, IdMap& symbols)
{
    const auto taken = [&target](int id) {
        return std::any_of(target.symbols.begin(), target.symbols.end(),
                           [id](const Project::Symbol& symbol) { return symbol.id == id; });
    };
    for (const Project::Symbol& symbol : source->symbols()) {
        for (const Project::Symbol& existing : target.symbols) {
            if (existing.name == symbol.name) {
                symbols[unsigned(symbol.id)] = unsigned(existing.id);
                break;
            }
        }
        if (symbols.count(unsigned(symbol.id)))
            continue;
        int id = symbol.id;
        while (taken(id))
            ++id;
        target.symbols.push_back({id, symbol.name, symbol.iconId, symbol.symbolType, false});
        symbols[unsigned(symbol.id)] = unsigned(id);
    }
}

void ProjectImporter::copyLocatedFields(LocatedObject* object, const LocatedObject* source)
{
    object->setTimeStamp(source->timeStamp());
    object->setVisible(source->isVisible());
    object->setLatitude(source->latitude());
    object->setLongitude(source->longitude());
    object->setAltitude(source->altitude());
    object->setHorizontalAccuracy(source->horizontalAccuracy());
    object->setVerticalAccuracy(source->verticalAccuracy());
}

bool ProjectImporter::mergeBaseMaps(Merge& merge)
{
    const std::vector<Project::BaseMap> maps = merge.source->baseMaps();
    for (const Project::BaseMap& baseMap : maps) {
        if (!step(merge))
            return false;
        const std::vector<Project::BaseMap>& own = m_lists->baseMaps;
        const bool known = std::any_of(own.begin(), own.end(),
                                       [&](const Project::BaseMap& map) { return map.name == baseMap.name; });
        if (!known && !copyBaseMap(merge, baseMap))
            return false;
    }
    return true;
}

bool ProjectImporter::copyBaseMap(const Merge& merge, const Project::BaseMap& baseMap)
{
    Project::BaseMap copy = baseMap;
    if (!baseMap.location.isEmpty() && baseMap.location.scheme() == QLatin1String("file")) {
        const QString source = ProjectFile::resolvePath(merge.sourceFolder, baseMap.location.toLocalFile());
        if (source.isEmpty()) {
            qWarning() << "ProjectImporter: the file of map" << baseMap.name
                       << "is missing or outside its project; the map is left out";
            return true;
        }
        const QDir folder(m_target->folder().absolutePath());
        const QString destination = ProjectFile::freshPath(folder, QFileInfo(source).fileName());
        if (!copyFile(source, destination))
            return false;
        for (const QString& sidecar : EditBaseMapCommand::sidecarFiles(source)) {
            const QString from = ProjectFile::resolvePath(merge.sourceFolder, sidecar);
            const QString to = ProjectFile::freshPath(folder, QFileInfo(sidecar).fileName());
            if (from.isEmpty() || !copyFile(from, to))
                qWarning() << "ProjectImporter: left out" << sidecar;
        }
        copy.location = QUrl::fromLocalFile(destination);
    }
    m_lists->baseMaps.push_back(copy);
    return true;
}

bool ProjectImporter::copyFile(const QString& source, const QString& destination)
{
    // An empty destination is a name taken or not allowed in the target.
    // Filled under a name only a merge makes, noted before it is made, and
    // only then moved to its name: a merge stopped at any moment leaves only
    // files the next start knows as its own.
    const QString part = destination.isEmpty() ? QString() : m_journal.notePart(destination);
    QFile copy(part);
    if (part.isEmpty() || !copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qWarning() << "ProjectImporter: could not copy" << source << "to" << destination;
        return false;
    }
    if (!copyContent(source, copy)) {
        qWarning() << "ProjectImporter: could not copy" << source << "to" << destination << copy.errorString();
        // Half a file is no copy, also where the merge goes on without it.
        copy.remove();
        return false;
    }
    // Only a copy under its name is the merge's to remove again.
    if (!placeCopy(part, destination))
        return false;
    m_copiedFiles << destination;
    return true;
}

bool ProjectImporter::placeCopy(const QString& part, const QString& destination)
{
    return m_journal.place(part, destination);
}

bool ProjectImporter::mergeLocality(Merge& merge, Locality& sourceLocality)
{
    // Kept out of the target's list until the merge is complete.
    const auto locality = std::make_shared<Locality>(m_target->projectId(), createId(std::string()));
    if (locality->thread() != m_target->thread())
        locality->moveToThread(m_target->thread());
    copyLocatedFields(locality.get(), &sourceLocality);
    locality->setName(merge.source->name() + QStringLiteral(": ") + sourceLocality.name());
    locality->setDescription(sourceLocality.description() + QStringLiteral("\n\nImported on ") + merge.dateText);
    locality->setColour(sourceLocality.colour());
    m_mergedLocalities.push_back(locality);
    if (!m_journal.noteLocality(locality->id()))
        return false;
    // Fresh ids: each row is inserted without looking for an older one.
    if (!m_target->insertNewLocality(*locality)) {
        qWarning() << "ProjectImporter: writing a locality failed";
        return false;
    }
    // Items join the locality in one sort at its end, each with its own
    // time stamp from the start: added one by one under the time of the
    // merge, they would end up oldest first.
    const Locality::DataList data = sourceLocality.data();
    for (const std::shared_ptr<Data>& datum : data) {
        if (!step(merge) || !mergeDatum(merge, *locality, *datum))
            return false;
    }
    const bool merged = mergeLines(merge, *locality, sourceLocality);
    locality->finishLoading();
    return merged;
}

bool ProjectImporter::mergeDatum(Merge& merge, Locality& locality, const Data& datum)
{
    std::shared_ptr<Data> created;
    const double latitude = datum.latitude();
    const double longitude = datum.longitude();
    const std::string& owner = locality.id();
    switch (datum.type()) {
    case Data::Plane:
        created = Data::createPlane(createId(datum.id()), owner, latitude, longitude, datum.dip(), datum.azimuth(),
                                    merge.unit(datum.unitId()), merge.symbol(datum.symbolId()), datum.comment());
        break;
    case Data::Lineation:
        created = Data::createLineation(createId(datum.id()), owner, latitude, longitude, datum.plunge(),
                                        datum.plungeAzimuth(), merge.unit(datum.unitId()),
                                        merge.symbol(datum.symbolId()), datum.comment());
        break;
    case Data::Sighting:
        // Mapped like the others: an unmapped custom symbol would name another one.
        created = Data::createSighting(createId(datum.id()), owner, latitude, longitude, datum.azimuth(),
                                       merge.unit(datum.unitId()), merge.symbol(datum.symbolId()),
                                       datum.comment());
        break;
    case Data::Annotation:
    case Data::Image:
        if (!merge.copyImages)
            return true;
        if (datum.type() == Data::Annotation || datum.imagePath().isEmpty())
            created = Data::createAnnotation(createId(datum.id()), owner, latitude, longitude, datum.comment());
        else if (!mergeImage(merge, locality, datum, created))
            return false;
        break;
    default:
        return true;
    }
    if (!created)
        return true;
    copyLocatedFields(created.get(), &datum);
    if (created->type() != Data::Annotation)
        created->setDeclination(datum.declination());
    if (!m_target->insertNewData(*created)) {
        qWarning() << "ProjectImporter: writing a datum failed";
        return false;
    }
    locality.appendLoadedData(std::move(created));
    return true;
}

bool ProjectImporter::mergeImage(Merge& merge, const Locality& locality, const Data& datum, std::shared_ptr<Data>& created)
{
    QString sketch;
    QString background;
    QString photograph;
    bool found = false;
    if (!datum.sketchPath().isEmpty() && !copyImage(merge, datum.sketchPath(), sketch, found))
        return false;
    if (!datum.backgroundPath().isEmpty() && !copyImage(merge, datum.backgroundPath(), background, found))
        return false;
    if (!copyImage(merge, datum.imagePath(), photograph, found))
        return false;
    if (!found)
        return true;
    created = Data::createImage(createId(datum.id()), locality.id(), datum.latitude(), datum.longitude(),
                                datum.azimuth(), photograph, datum.comment(), sketch, background);
    return true;
}

bool ProjectImporter::copyImage(const Merge& merge, const QString& name, QString& newName, bool& found)
{
    // A name leading elsewhere, or through a link, counts as a missing file.
    const QString source = ProjectFile::resolve(merge.sourceImages, name);
    found = !source.isEmpty();
    if (!found) {
        newName.clear();
        return true;
    }
    newName = QString::fromStdString(createId(std::string())) + QLatin1Char('_') + QFileInfo(source).fileName();
    return copyFile(source, ProjectFile::freshPath(merge.targetImages, newName));
}

bool ProjectImporter::mergeLines(Merge& merge, Locality& locality, const Locality& sourceLocality)
{
    const Locality::LineList lines = sourceLocality.lines();
    for (const std::shared_ptr<LineData2D>& line : lines) {
        if (!step(merge))
            return false;
        const std::string id = createId(line->id());
        const int unit = merge.unit(line->unitId());
        const std::shared_ptr<LineData2D> created =
            LineData2D::create(id, locality.id(), unit, line->lineStyle(), line->isFilled(), line->comment());
        created->setThickness(line->thickness());
        created->setOpacity(line->opacity());
        created->setTimeStamp(line->timeStamp());
        created->setVisible(line->isVisible());
        for (const LineData2D::Point& point : line->points())
            created->addPoint(point.first, point.second);
        if (!m_target->insertNewLineData(*created)) {
            qWarning() << "ProjectImporter: writing a line failed";
            return false;
        }
        locality.appendLoadedLine(created);
    }
    return true;
}

void ProjectImporter::rollback()
{
    // The target's lists in memory were never touched: only what was stored
    // and copied is undone.
    m_lists.reset();
    // Without the transaction (a merge run on its own, or one SQLite ended)
    // the rows are undone one by one.
    const bool undone = undoTransaction();
    if (!undone)
        runStorageStep("ProjectImporter: restoring the project failed:", [&] { return m_target->save(); });
    for (const std::shared_ptr<Locality>& locality : m_mergedLocalities) {
        DatabaseManager& storage = *m_target;
        if (!undone && !runStorageStep("ProjectImporter: removing a locality failed:",
                                       [&] { return storage.removeLocality(locality.get()); }))
            qWarning() << "ProjectImporter: locality" << locality->qId() << "could not be removed";
    }
    for (const QString& file : m_copiedFiles)
        QFile::remove(file);
    m_journal.finish();
    m_mergedLocalities.clear();
    m_copiedFiles.clear();
}

} // namespace kiv
