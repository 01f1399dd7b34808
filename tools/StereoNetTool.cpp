#include "tools/StereoNetTool.h"

#include "app/AppContext.h"
#include "map/MapViewController.h"
#include "model/CheckableFilteredDataListModel.h"
#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "tools/ImageTool.h"

#include <QDebug>

namespace kiv {

namespace {

QSet<QString> idsOf(const Project& project)
{
    QSet<QString> ids;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        ids.insert(QStringLiteral("l:") + locality->qId());
        for (const std::shared_ptr<Data>& data : locality->data())
            ids.insert(QStringLiteral("d:") + QString::fromStdString(data->id()));
    }
    for (const Project::RockUnit& unit : project.rockUnits())
        ids.insert(QStringLiteral("u:") + QString::number(unit.id));
    for (const Project::Symbol& symbol : project.symbols())
        ids.insert(QStringLiteral("s:") + QString::number(symbol.id));
    return ids;
}

} // namespace

StereoNetTool::StereoNetTool(QObject* parent)
    : Tool(parent)
{
}

QObject* StereoNetTool::dataModel() const
{
    return m_dataModel;
}

template <typename Change>
void StereoNetTool::changeSelection(Change change)
{
    ++m_changes;
    change();
    if (--m_changes == 0 && m_selectionStale)
        onSelectedDataChanged();
}

void StereoNetTool::makeDataModel()
{
    m_source = new DataListModel(AppContext::currentProject().get(), this);
    m_dataModel = new CheckableFilteredDataListModel(this);
    m_dataModel->setSourceModel(m_source);
    const auto changed = &StereoNetTool::onSelectedDataChanged;
    connect(m_dataModel, &CheckableFilteredDataListModel::checkedItemsChanged, this, changed);
    connect(m_dataModel, &QAbstractItemModel::dataChanged, this, changed);
    connect(m_dataModel, &QAbstractItemModel::modelReset, this, changed);
    connect(m_dataModel, &QAbstractItemModel::layoutChanged, this, changed);
    connect(m_dataModel, &QAbstractItemModel::rowsInserted, this, changed);
    connect(m_dataModel, &QAbstractItemModel::rowsRemoved, this, changed);
    emit dataModelChanged(m_dataModel);
    onSelectedDataChanged();
}

void StereoNetTool::toolActivated()
{
    Tool::toolActivated();
    changeSelection([this] {
        if (!m_dataModel)
            makeDataModel();
        else
            m_source->updateData();
        // The source model has read every locality's content by now.
        const std::shared_ptr<Project> project = AppContext::currentProject();
        if (!project)
            return;
        if (m_filtersReset) {
            admitNewObjects(*project);
        } else if (!project->empty()) {
            m_filtersReset = true;
            resetFilters();
            m_known = idsOf(*project);
        }
    });
}

void StereoNetTool::admitNewObjects(const Project& project)
{
    const QSet<QString> current = idsOf(project);
    const QSet<QString> added = current - m_known;
    m_known = current;
    if (added.isEmpty())
        return;
    QList<QString> checked = m_dataModel->getSelectedItemsAsList();
    QList<QString> localities = m_dataModel->visibleLocalities();
    QList<QString> units = m_dataModel->visibleUnits();
    QList<QString> symbols = m_dataModel->visibleSymbols();
    for (const QString& key : added) {
        const QString id = key.mid(2);
        switch (key.at(0).toLatin1()) {
        case 'l':
            localities << id;
            checked << id;
            break;
        case 'd':
            checked << id;
            break;
        case 'u':
            units << id;
            break;
        default:
            symbols << id;
        }
    }
    m_dataModel->setVisibleLocalities(localities);
    m_dataModel->setVisibleUnits(units);
    m_dataModel->setVisibleSymbols(symbols);
    m_dataModel->setSelectedItemsFromList(checked);
}

void StereoNetTool::setStereoNetItem(QObject* item)
{
    if (item == m_stereoNetItem)
        return;
    m_stereoNetItem = item;
    emit stereoNetItemChanged(item);
    onSelectedDataChanged();
}

void StereoNetTool::resetFilters()
{
    if (!m_dataModel)
        return;
    changeSelection([this] {
        m_dataModel->selectAll();
        m_dataModel->showPointDataOnly();
        m_dataModel->setFilterByLocality(true);
        m_dataModel->showAllLocalities();
        m_dataModel->setFilterByUnit(true);
        m_dataModel->showAllUnits();
        // Data without a unit, or of a unit the strat column no longer
        // holds, belong to no unit row: they stay on the plot.
        m_dataModel->setVisibleUnits(m_dataModel->visibleUnits() << QStringLiteral("0"));
        m_dataModel->setFilterBySymbolType(true);
        // With an empty symbol set the filter would hide every datum.
        m_dataModel->showAllSymbols();
    });
}

void StereoNetTool::onSelectedDataChanged()
{
    if (m_changes > 0) {
        m_selectionStale = true;
        return;
    }
    m_selectionStale = false;
    if (!m_dataModel || !m_stereoNetItem)
        return;
    QList<Data*> selected;
    for (int row = 0; row < m_dataModel->rowCount(); ++row) {
        const QModelIndex index = m_dataModel->index(row, 0);
        if (index.data(DataListModel::DataType).toString() == QLatin1String("Locality"))
            continue;
        if (!index.data(CheckableFilteredDataListModel::CheckedRole).toBool())
            continue;
        const QModelIndex source = m_dataModel->mapToSource(index);
        if (const auto data = std::dynamic_pointer_cast<Data>(m_source->itemAt(source.row())))
            selected << data.get();
    }
    if (!QMetaObject::invokeMethod(m_stereoNetItem, "setSelectedData", Qt::DirectConnection,
                                   Q_ARG(QList<kiv::Data*>, selected)))
        qWarning() << "StereoNetTool: the item takes no selection" << m_stereoNetItem;
}

bool StereoNetTool::saveAsNote(const QUrl& imageSource, const QString& comment, const QPointF& location,
                               bool isGpsLocation)
{
    // The new picture must show on the map: anything but all data or notes
    // alone is widened to all.
    if (MapViewController* map = mapView()) {
        const MapViewController::ViewFilter filter = map->viewFilter();
        if (filter != MapViewController::FilterAll && filter != MapViewController::FilterAnnotations)
            map->setViewFilter(MapViewController::FilterAll);
    }
    return ImageTool::saveImageFile(imageSource, -1.0, comment, location, isGpsLocation);
}

} // namespace kiv
