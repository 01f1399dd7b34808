import QtQuick 2.4
import quarzel.touch 1.0

// The map's own pan and zoom: no panel, shown from the start.
BaseTool {
    id: viewTool
    toolName: "View"
    panelWidth: 0
    shown: true
    allowCallouts: true
    color: "transparent"
    x: 0

    manager: ViewToolManager {
        active: viewTool.shown
        mapView: viewTool.mapView
    }
}
