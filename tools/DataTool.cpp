#include "tools/DataTool.h"

#include "map/MapViewController.h"
#include "model/DataListModel.h"
#include "model/FilteredDataListModel.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QDebug>
#include <QLineF>

namespace kiv {

namespace {

// How far a finger may drift between press and hold for a long press.
constexpr double LongPressSlop = 10.0;

} // namespace

DataTool::DataTool(QObject* parent)
    : Tool(parent)
{
    qDebug() << "DataTool::DataTool";
}

DataTool::~DataTool()
{
    qDebug() << "DataTool::~DataTool";
    // The proxy goes first: it must not outlive its source.
    delete m_dataModel;
    delete m_sourceModel;
}

QObject* DataTool::dataModelObject() const
{
    return m_dataModel;
}

void DataTool::toolActivated()
{
    Tool::toolActivated();
    if (m_sourceModel) {
        m_sourceModel->updateData();
        return;
    }
    createModels();
}

void DataTool::toolDeactivated()
{
    Tool::toolDeactivated();
}

void DataTool::createModels()
{
    qDebug() << "Creating Data Model";
    Project* project = ModelManager::instance()->currentProjectObject();
    m_sourceModel = new DataListModel(project, this);
    m_sourceModel->updateData();
    m_dataModel = new FilteredDataListModel(this);
    m_dataModel->setSourceModel(m_sourceModel);
    emit dataModelChanged(m_dataModel);
}

bool DataTool::mousePressed(double x, double y, Qt::MouseButtons)
{
    if (active())
        m_pressPoint = QPointF(x, y);
    return false;
}

bool DataTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    const QPointF position(x, y);
    if (!active() || QLineF(m_pressPoint, position).length() > LongPressSlop)
        return false;
    emit longPress(position);
    return true;
}

bool DataTool::mouseReleased(double, double, Qt::MouseButtons, bool longPress)
{
    return active() && longPress;
}

void DataTool::applyFilter(void (FilteredDataListModel::*show)(), int mapFilter)
{
    if (m_dataModel)
        (m_dataModel->*show)();
    if (MapViewController* map = mapView())
        map->setViewFilter(MapViewController::ViewFilter(mapFilter));
}

void DataTool::showAll()
{
    applyFilter(&FilteredDataListModel::showAll, MapViewController::FilterAll);
}

void DataTool::showLinesOnly()
{
    applyFilter(&FilteredDataListModel::showLinesOnly, MapViewController::FilterLines);
}

void DataTool::showNotesOnly()
{
    applyFilter(&FilteredDataListModel::showNotesOnly, MapViewController::FilterAnnotations);
}

void DataTool::showPointDataOnly()
{
    applyFilter(&FilteredDataListModel::showPointDataOnly, MapViewController::FilterData);
}

} // namespace kiv
