#include "app/QmlTypeRegistry.h"

#include "app/ApplicationManager.h"
#include "app/FileBrowserListModel.h"
#include "drawing/ButtonClinoItem.h"
#include "drawing/ButtonCompassItem.h"
#include "drawing/ClinoItem.h"
#include "drawing/CompassItem.h"
#include "drawing/PolylineItem.h"
#include "drawing/RasterSketcher.h"
#include "drawing/StereoNetItem.h"
#include "drawing/SymbolItem.h"
#include "map/MapViewController.h"
#include "map/ProjectViewController.h"
#include "map/TemporaryItemController.h"
#include "model/CheckableFilteredDataListModel.h"
#include "model/CheckableProxyModel.h"
#include "model/DataListModel.h"
#include "model/FilteredSymbolListModel.h"
#include "model/Locality.h"
#include "model/LocalityListModel.h"
#include "model/MapLayerListModel.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectListModel.h"
#include "model/StratColumnModel.h"
#include "model/SymbolListModel.h"
#include "tools/ClinoTool.h"
#include "tools/CompassTool.h"
#include "tools/DataTool.h"
#include "tools/ImageTool.h"
#include "tools/LayerTool.h"
#include "tools/LineTool.h"
#include "tools/LocalityManager.h"
#include "tools/LocationTool.h"
#include "tools/ProjectTool.h"
#include "tools/SketchTool.h"
#include "tools/StereoNetTool.h"
#include "tools/ViewTool.h"

#include <QAbstractItemModel>
#include <QtQml>

namespace kiv {

void QmlTypeRegistry::registerTypes()
{
    const char* uri = "quarzel.touch";
    qmlRegisterUncreatableType<ApplicationManager>(uri, 1, 0, "ApplicationManager",
                                                   QStringLiteral("Can't create ApplicationManager from QML"));
    qmlRegisterType<FileBrowserListModel>(uri, 1, 0, "FileBrowserListModel");
    // The fixed order of the module; list, map and item types join as they land.
    qmlRegisterType<ModelManager>(uri, 1, 0, "ModelManager");
    qmlRegisterType<Project>(uri, 1, 0, "Project");
    qmlRegisterType<ProjectListModel>(uri, 1, 0, "ProjectListModel");
    // A locality always belongs to a project: QML only reads them.
    qmlRegisterUncreatableType<Locality>(uri, 1, 0, "Locality", QStringLiteral("Can't create Locality from QML"));
    qmlRegisterType<LocalityListModel>(uri, 1, 0, "LocalityListModel");
    qmlRegisterType<StratColumnModel>(uri, 1, 0, "StratColumnModel");
    qmlRegisterType<DataListModel>(uri, 1, 0, "DataListModel");
    qmlRegisterType<MapLayerListModel>(uri, 1, 0, "MapLayerListModel");
    qmlRegisterType<FilteredDataListModel>(uri, 1, 0, "FilteredDataListModel");
    qmlRegisterType<CheckableFilteredDataListModel>(uri, 1, 0, "CheckableFilteredDataListModel");
    qmlRegisterType<SymbolListModel>(uri, 1, 0, "SymbolListModel");
    qmlRegisterType<FilteredSymbolListModel>(uri, 1, 0, "FilteredSymbolListModel");
    qmlRegisterType<CheckableProxyModel>(uri, 1, 0, "CheckableProxyModel");
    qmlRegisterType<MapViewController>(uri, 1, 0, "MapViewController");
    qmlRegisterType<ProjectViewController>(uri, 1, 0, "ProjectViewController");
    qmlRegisterType<ViewTool>(uri, 1, 0, "ViewToolManager");
    qmlRegisterType<LineTool>(uri, 1, 0, "LineToolManager");
    qmlRegisterType<DataTool>(uri, 1, 0, "DataToolManager");
    qmlRegisterType<LayerTool>(uri, 1, 0, "LayerToolManager");
    qmlRegisterType<CompassTool>(uri, 1, 0, "CompassToolManager");
    qmlRegisterType<ClinoTool>(uri, 1, 0, "ClinoToolManager");
    qmlRegisterType<LocalityManager>(uri, 1, 0, "LocalityManager");
    qmlRegisterType<LocationTool>(uri, 1, 0, "LocationToolManager");
    qmlRegisterType<ProjectTool>(uri, 1, 0, "ProjectToolManager");
    qmlRegisterType<StereoNetTool>(uri, 1, 0, "StereoNetToolManager");
    qmlRegisterType<SketchTool>(uri, 1, 0, "SketchToolManager");
    qmlRegisterType<ImageTool>(uri, 1, 0, "ImageToolManager");
    qmlRegisterType<ButtonClinoItem>(uri, 1, 0, "ButtonClinoItem");
    qmlRegisterType<ButtonCompassItem>(uri, 1, 0, "ButtonCompassItem");
    qmlRegisterUncreatableType<ButtonInstrumentItem>(
        uri, 1, 0, "ButtonInstrumentItem", QStringLiteral("Can't create ButtonInstrumentItem from QML"));
    qmlRegisterType<ClinoItem>(uri, 1, 0, "ClinoItem");
    qmlRegisterType<CompassItem>(uri, 1, 0, "CompassItem");
    qmlRegisterType<PolylineItem>(uri, 1, 0, "PolylineItem");
    qmlRegisterType<RasterSketcher>(uri, 1, 0, "RasterSketcher");
    qmlRegisterType<StereoNetItem>(uri, 1, 0, "StereoNetItem");
    qmlRegisterType<SymbolItem>(uri, 1, 0, "SymbolItem");
    qmlRegisterType<TemporaryItemController>(uri, 1, 0, "TemporaryItemController");
    qmlRegisterUncreatableType<AbstractCompassClino>(uri, 1, 0, "CompassClino",
                                                     QStringLiteral("Can't create Clino from QML"));
    qmlRegisterUncreatableType<AbstractLocationManager>(
        uri, 1, 0, "LocationManager", QStringLiteral("Can't create LocationManager from QML"));
    qmlRegisterUncreatableType<QAbstractItemModel>(
        uri, 1, 0, "QAbstractItemModel", QStringLiteral("Can't create QAbstractItemModel from QML"));
}

} // namespace kiv
