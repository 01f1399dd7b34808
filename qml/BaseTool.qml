import QtQuick 2.4
import "Widgets"
import "Utils.js" as Utils

// Panel half of a map tool; its native half sits in `manager`. A hidden
// panel slides out past the left edge, so its uiExtent is 0 then.
Rectangle {
    id: baseTool

    property var mapView: null
    property var manager: null
    property bool shown: false
    property bool filterMouseEvents: true
    property string toolName: ""
    property string imageSrc: ""
    property string iconLabel: ""
    property real panelWidth: Utils.theme("panelWidth", Utils.dp(320))
    property bool needSensors: false
    property int deleteIndex: -1
    property bool allowCallouts: true
    // Left edge of the panel while shown: right of the tool bar's thin column.
    property real leftInset: Utils.theme("fullToolBarWidth", Utils.dp(54))
    readonly property real uiExtent: x + width
    property var toolbar: null

    signal activated()

    // Called by the tool manager; the manager's `active` follows `shown`.
    function setActive(value) {
        shown = value
        if (value)
            activated()
    }

    width: panelWidth
    x: shown ? leftInset : -width - 1
    anchors.top: parent ? parent.top : undefined
    anchors.bottom: parent ? parent.bottom : undefined
    // The position bar along the bottom would hide the panel's last row.
    anchors.bottomMargin: mapView && mapView.positionBarHeight ? mapView.positionBarHeight : 0
    visible: shown
    color: Utils.theme("panelColor", "#f2f2f2")

    // Under the panel's own controls: a wheel turn that a list at its end
    // leaves over stays here instead of zooming the map below.
    CoverArea {
        objectName: "wheelStop"
        acceptedButtons: Qt.NoButton
    }
}
