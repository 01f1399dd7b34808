#include "tools/StereoNetTool.h"

#include "map/MapViewController.h"
#include "model/CheckableFilteredDataListModel.h"
#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/EditTarget.h"
#include "model/Project.h"
#include "tools/ImageTool.h"

#include <QDebug>

namespace kiv {

StereoNetTool::StereoNetTool(QObject* parent)
    : Tool(parent)
{
}

QObject* StereoNetTool::dataModel() const
{
    return m_dataModel;
}

void StereoNetTool::makeDataModel()
{
    m_source = new DataListModel(EditTarget::currentProject().get(), this);
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
    if (!m_dataModel)
        makeDataModel();
    else
        m_source->updateData();
    // The source model has read every locality's content by now.
    const std::shared_ptr<Project> project = EditTarget::currentProject();
    if (!m_filtersReset && project && !project->empty()) {
        m_filtersReset = true;
        resetFilters();
    }
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
    m_dataModel->selectAll();
    m_dataModel->showPointDataOnly();
    m_dataModel->setFilterByLocality(true);
    m_dataModel->showAllLocalities();
    m_dataModel->setFilterByUnit(true);
    // Data without a unit belong to no unit row: they stay on the plot.
    m_dataModel->setVisibleUnits(m_dataModel->visibleUnits() << QStringLiteral("0"));
    m_dataModel->setFilterBySymbolType(true);
    // With an empty symbol set the filter would hide every datum.
    m_dataModel->showAllSymbols();
}

void StereoNetTool::onSelectedDataChanged()
{
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
