#include "model/FilteredDataListModel.h"

#include "app/AppContext.h"
#include "model/DataListModel.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/RemoveDataCommand.h"
#include "model/RemoveLineCommand.h"
#include "model/RemoveLocalityCommand.h"

#include <utility>

namespace kiv {

namespace {

bool isPointDataType(const QString& type)
{
    return type == QLatin1String("Plane") || type == QLatin1String("Lineation") || type == QLatin1String("Sighting");
}

bool isNoteType(const QString& type)
{
    return type == QLatin1String("Annotation") || type == QLatin1String("Image");
}

template <typename Record, typename Keep>
QList<QString> idsOf(const std::vector<Record>& records, Keep keep)
{
    QList<QString> ids;
    for (const Record& record : records) {
        if (keep(record))
            ids << QString::number(record.id);
    }
    return ids;
}

} // namespace

FilteredDataListModel::FilteredDataListModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

DataListModel* FilteredDataListModel::dataSource() const
{
    return qobject_cast<DataListModel*>(sourceModel());
}

QVariantMap FilteredDataListModel::get(int row) const
{
    QVariantMap values;
    const QModelIndex at = index(row, 0);
    if (!at.isValid())
        return values;
    const QHash<int, QByteArray> roles = roleNames();
    for (auto role = roles.cbegin(); role != roles.cend(); ++role)
        values.insert(QString::fromUtf8(role.value()), at.data(role.key()));
    return values;
}

int FilteredDataListModel::sourceRow(int row) const
{
    const QModelIndex source = mapToSource(index(row, 0));
    return source.isValid() ? source.row() : -1;
}

// --- filter -----------------------------------------------------------------------

bool FilteredDataListModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (!dataSource())
        return true;
    const QModelIndex row = sourceModel()->index(sourceRow, 0, sourceParent);
    const QString type = row.data(DataListModel::DataType).toString();
    if (type.isEmpty())
        return true;
    if (m_filterByLocality && !m_visibleLocalities.contains(row.data(DataListModel::LocalityId).toString()))
        return false;
    if (type == QLatin1String("Locality"))
        return true;
    if (m_filterByUnit && !m_visibleUnits.contains(unitKey(row)))
        return false;
    // A line has no symbol: it reads as the empty text.
    if (m_filterBySymbolType && !m_visibleSymbols.contains(row.data(DataListModel::SymbolId).toString()))
        return false;
    if (isPointDataType(type))
        return m_showPointData;
    if (isNoteType(type))
        return m_showNotes;
    return m_showLines && type == QLatin1String("Line");
}

QString FilteredDataListModel::unitKey(const QModelIndex& row) const
{
    const int unit = row.data(DataListModel::UnitId).toInt();
    // Data of a removed unit have no row in any unit list to show them by.
    const Project* project = dataSource()->project();
    return project && !project->hasRockUnit(unit) ? QStringLiteral("0") : QString::number(unit);
}

void FilteredDataListModel::updateData()
{
    if (DataListModel* source = dataSource())
        source->updateData();
}

void FilteredDataListModel::show(bool lines, bool notes, bool pointData)
{
    m_showLines = lines;
    m_showNotes = notes;
    m_showPointData = pointData;
    if (dataSource())
        updateData();
    else
        invalidateFilter();
}

void FilteredDataListModel::showAll()
{
    show(true, true, true);
}

void FilteredDataListModel::showLinesOnly()
{
    show(true, false, false);
}

void FilteredDataListModel::showNotesOnly()
{
    show(false, true, false);
}

void FilteredDataListModel::showPointDataOnly()
{
    show(false, false, true);
}

void FilteredDataListModel::setFlag(bool& flag, bool value)
{
    if (flag == value)
        return;
    beginResetModel();
    flag = value;
    endResetModel();
}

void FilteredDataListModel::setFilterByLocality(bool filter)
{
    setFlag(m_filterByLocality, filter);
}

void FilteredDataListModel::setFilterByUnit(bool filter)
{
    setFlag(m_filterByUnit, filter);
}

void FilteredDataListModel::setFilterBySymbolType(bool filter)
{
    setFlag(m_filterBySymbolType, filter);
}

void FilteredDataListModel::replaceSet(QSet<QString>& set, const QList<QString>& members,
                                       void (FilteredDataListModel::*changed)())
{
    beginResetModel();
    set = QSet<QString>(members.begin(), members.end());
    endResetModel();
    emit(this->*changed)();
}

void FilteredDataListModel::setVisibleLocalities(const QList<QString>& ids)
{
    replaceSet(m_visibleLocalities, ids, &FilteredDataListModel::visibleLocalitiesChanged);
}

void FilteredDataListModel::setVisibleUnits(const QList<QString>& ids)
{
    replaceSet(m_visibleUnits, ids, &FilteredDataListModel::visibleUnitsChanged);
}

void FilteredDataListModel::setVisibleSymbols(const QList<QString>& ids)
{
    replaceSet(m_visibleSymbols, ids, &FilteredDataListModel::visibleSymbolsChanged);
}

void FilteredDataListModel::showAllLocalities()
{
    QList<QString> ids;
    if (const std::shared_ptr<Project> project = AppContext::currentProject()) {
        for (const std::shared_ptr<Locality>& locality : project->localities())
            ids << locality->qId();
    }
    setVisibleLocalities(ids);
}

void FilteredDataListModel::showAllUnits()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    // Unit 0 (none) stays out: data without a unit show only when asked for.
    setVisibleUnits(project ? idsOf(project->rockUnits(), [](const auto&) { return true; }) : QList<QString>());
}

void FilteredDataListModel::showAllSymbols()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    setVisibleSymbols(project ? idsOf(project->symbols(), [](const auto&) { return true; }) : QList<QString>());
}

void FilteredDataListModel::showAllStructuralSymbols()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const auto structural = [](const Project::Symbol& symbol) { return symbol.symbolType != Project::SightingType; };
    setVisibleSymbols(project ? idsOf(project->symbols(), structural) : QList<QString>());
}

// --- deleting -----------------------------------------------------------------------

bool FilteredDataListModel::deletePointData(const QString& dataId)
{
    if (!AppContext::currentProject())
        return false;
    auto command = std::make_shared<RemoveDataCommand>();
    command->findData(dataId);
    return DataListModel::execute(command);
}

bool FilteredDataListModel::deleteLine(const QString& lineId)
{
    if (!AppContext::currentProject())
        return false;
    auto command = std::make_shared<RemoveLineCommand>(false);
    command->setLineById(lineId);
    return DataListModel::execute(command);
}

bool FilteredDataListModel::deleteLocality(const QString& localityId)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const std::shared_ptr<Locality> locality = project ? project->locality(localityId.toStdString()) : nullptr;
    if (!locality)
        return false;
    auto command = std::make_shared<RemoveLocalityCommand>();
    command->setFromLocality(locality);
    return DataListModel::execute(command);
}

int FilteredDataListModel::indexForId(const QString& dataId) const
{
    const DataListModel* source = dataSource();
    if (!source)
        return -1;
    const QModelIndex row = mapFromSource(source->index(source->rowOfId(dataId), 0));
    return row.isValid() ? row.row() : -1;
}

// --- saving ---------------------------------------------------------------------------

template <typename Save, typename... Args>
bool FilteredDataListModel::save(Save operation, int index, Args&&... args)
{
    DataListModel* source = dataSource();
    const int row = sourceRow(index);
    return source && row >= 0 && (source->*operation)(row, std::forward<Args>(args)...);
}

bool FilteredDataListModel::savePointData(int index, const QString& dataId, double lat, double lg, int symbolId,
                                          int unitId, const QString& comment)
{
    return save(&DataListModel::savePointData, index, dataId, lat, lg, symbolId, unitId, comment);
}

bool FilteredDataListModel::saveAnnotationData(int index, const QString& dataId, double lat, double lg,
                                               double azimuth, const QString& comment)
{
    return save(&DataListModel::saveAnnotationData, index, dataId, lat, lg, azimuth, comment);
}

bool FilteredDataListModel::saveSighting(int index, const QString& dataId, double lat, double lg, int unitId,
                                         const QString& comment)
{
    return save(&DataListModel::saveSighting, index, dataId, lat, lg, unitId, comment);
}

bool FilteredDataListModel::saveLineData(int index, const QString& dataId, float lineThickness, float lineOpacity,
                                         int lineStyle, int unitId, const QString& comment)
{
    return save(&DataListModel::saveLineData, index, dataId, lineThickness, lineOpacity, lineStyle, unitId, comment);
}

bool FilteredDataListModel::saveLocalityData(int index, const QString& dataId, const QString& name,
                                             const QString& description, double lat, double lg,
                                             const QColor& localityColor)
{
    return save(&DataListModel::saveLocalityData, index, dataId, name, description, lat, lg, localityColor);
}

} // namespace kiv
