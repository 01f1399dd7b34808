import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import "../"
import "../Widgets"
import "StereoNetTool"
import "../Utils.js" as Utils

// The stereonet of the checked structural data. "Configure" opens the
// filter lists; the add-image action saves the plot as a picture datum.
BaseTool {
    id: stereoNetTool
    toolName: "Stereonet"
    iconLabel: "Stereonet"
    imageSrc: "qrc:/qml/images/stereonet.svg"

    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    readonly property var temporaryItem: mapView ? mapView.temporaryItem : null
    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40))
    readonly property real margin: Utils.theme("spacing", Utils.dp(8))
    property url newImageSource: ""
    // The temporary item is ours only while it marks the new picture.
    property bool placedTemporaryItem: false

    readonly property string statisticsText: "Mean Resultant Plane: " + formatDip(net.meanDip)
                                             + " / " + formatAzimuth(net.meanAzimuth)
    readonly property string tempPlaneText: "Temporary Plane"
                                            + (net.drawTempPlane
                                               ? ": " + formatDip(net.tempDip) + " / " + formatAzimuth(net.tempAzimuth)
                                               : "")

    function formatDip(v) { return Utils.ui() ? Utils.ui().formatDip(v) : Math.round(v).toString() }
    function formatAzimuth(v) { return Utils.ui() ? Utils.ui().formatPlaneAzimuth(v) : Math.round(v).toString() }

    function prefilledComment() {
        var text = ""
        if (statisticsSwitch.checked)
            text += statisticsText + "\n"
        if (net.drawTempPlane)
            text += tempPlaneText + "\n"
        return text
    }

    // The add-image action: the plot becomes the picture of a new datum.
    function addImage() {
        var url = net.save()
        if (!url || url.toString() === "") {
            _dialogController.toastError("Failed to save image")
            return
        }
        newImageSource = url
        commentField.text = prefilledComment()
        prefilled = commentField.text
        state = "NEWITEM"
    }

    // The comment as the picture came with it: one typed beyond it is saved
    // with the picture when the window closes.
    property string prefilled: ""
    Connections {
        target: stereoNetTool.Window.window
        ignoreUnknownSignals: true
        function onClosing() {
            if (stereoNetTool.shown && stereoNetTool.state === "NEWITEM" && commentField.text !== stereoNetTool.prefilled)
                stereoNetTool.saveNewItem()
        }
    }

    function placeTemporaryItem() {
        if (!temporaryItem)
            return
        placedTemporaryItem = true
        temporaryItem.activateForDataLocation()
        temporaryItem.symbolId = Project.Image
        if (mapView)
            mapView.snapToPosition(temporaryItem.worldPosition)
    }

    // Where the picture goes now: the point the marker shows.
    function newItemPlace() {
        return temporaryItem ? temporaryItem.savePlace : Utils.heldPlace()
    }

    function saveNewItem() {
        Utils.takePendingInput()
        var place = newItemPlace()
        if (!manager.saveAsNote(newImageSource, commentField.text, place.location, place.gps)) {
            _dialogController.toastError("Failed to save image")
            return false
        }
        state = ""
        return true
    }

    function discardNewItem() { state = "" }

    // A picture on its way keeps its comment while another tool is used;
    // the map's marker is that tool's meanwhile.
    onShownChanged: {
        if (state !== "NEWITEM")
            state = ""
        else if (shown)
            placeTemporaryItem()
        else if (placedTemporaryItem) {
            placedTemporaryItem = false
            if (temporaryItem)
                temporaryItem.deactivate()
        }
    }
    onStateChanged: {
        if (state === "NEWITEM") {
            placeTemporaryItem()
        } else if (placedTemporaryItem) {
            placedTemporaryItem = false
            if (temporaryItem)
                temporaryItem.deactivate()
        }
    }

    manager: StereoNetToolManager {
        active: stereoNetTool.shown
        mapView: stereoNetTool.mapView
        stereoNetItem: net
    }

    states: [
        State { name: "FILTERING" },
        State { name: "NEWITEM" }
    ]

    Text {
        id: title
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.margins: stereoNetTool.margin
        height: stereoNetTool.rowHeight
        verticalAlignment: Text.AlignVCenter
        text: stereoNetTool.toolName
        font.bold: true
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: stereoNetTool.margin
        anchors.verticalCenter: title.verticalCenter
        spacing: stereoNetTool.margin
        visible: stereoNetTool.state !== "NEWITEM"

        ActionButton {
            objectName: "configureButton"
            width: Utils.dp(90)
            height: stereoNetTool.rowHeight
            label: stereoNetTool.state === "FILTERING" ? "Done" : "Configure"
            onButtonActivated: stereoNetTool.state = (stereoNetTool.state === "FILTERING" ? "" : "FILTERING")
        }
        ActionButton {
            objectName: "addImageButton"
            width: stereoNetTool.rowHeight
            height: width
            symbol: "addImage"
            visible: stereoNetTool.state === ""
            onButtonActivated: stereoNetTool.addImage()
        }
    }

    // The plot with its switches.
    Flickable {
        id: plotPage
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: stereoNetTool.margin
        visible: stereoNetTool.state !== "FILTERING"
        contentHeight: plotColumn.height
        clip: true

        Column {
            id: plotColumn
            width: plotPage.width
            spacing: stereoNetTool.margin

            StereoNetItem {
                id: net
                objectName: "stereoNet"
                width: plotColumn.width
                height: width
                drawMeanValues: statisticsSwitch.checked
            }
            Text {
                objectName: "statisticsText"
                width: plotColumn.width
                visible: statisticsSwitch.checked
                text: stereoNetTool.statisticsText
                font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
            }
            Text {
                objectName: "tempPlaneText"
                width: plotColumn.width
                visible: net.drawTempPlane
                text: stereoNetTool.tempPlaneText
                font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
            }

            Column {
                width: plotColumn.width
                visible: stereoNetTool.state === ""
                LabelledSwitch { label: "Poles"; checked: net.drawPoles; onClicked: net.drawPoles = checked }
                LabelledSwitch { label: "Planes"; checked: net.drawPlanes; onClicked: net.drawPlanes = checked }
                LabelledSwitch { id: statisticsSwitch; objectName: "statisticsSwitch"; label: "Statistics" }
                LabelledSwitch {
                    label: "Equal Area"; checked: net.equalAreaScaling
                    onClicked: net.equalAreaScaling = checked
                }
                LabelledSwitch {
                    label: "Temporary Plane"; checked: net.drawTempPlane
                    onClicked: net.drawTempPlane = checked
                }
            }

            // The new picture datum on its way to the map.
            Column {
                objectName: "newItemPanel"
                width: plotColumn.width
                spacing: stereoNetTool.margin
                visible: stereoNetTool.state === "NEWITEM"

                ExpandableTextArea {
                    id: commentField
                    objectName: "commentField"
                    width: parent.width
                    placeholderText: "Comment"
                }
                Row {
                    spacing: stereoNetTool.margin
                    ActionButton {
                        objectName: "discardButton"
                        width: Utils.dp(90)
                        height: stereoNetTool.rowHeight
                        label: "Discard"
                        onButtonActivated: stereoNetTool.discardNewItem()
                    }
                    ActionButton {
                        objectName: "saveButton"
                        width: Utils.dp(90)
                        height: stereoNetTool.rowHeight
                        label: "Save"
                        enabled: stereoNetTool.newImageSource.toString() !== "" || commentField.text !== ""
                        onButtonActivated: stereoNetTool.saveNewItem()
                    }
                }
            }
        }
    }

    // The filter lists of the FILTERING state. The point data scroll under
    // the locality, unit and symbol lists, and the rows of all four are made
    // only while the page shows: thousands of rows would be made again on
    // every change of the project.
    Item {
        id: filterPage
        objectName: "filterPage"
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: stereoNetTool.margin
        visible: stereoNetTool.state === "FILTERING"

        ListView {
            id: pointDataList
            objectName: "pointDataList"
            anchors.fill: parent
            clip: true
            model: filterPage.visible ? pointData : null
            header: Column {
                width: filterPage.width
                // The lists fill as the page opens: it shows their top.
                onHeightChanged: {
                    if (!pointDataList.moving)
                        pointDataList.positionViewAtBeginning()
                }
                FilterList {
                    objectName: "localityList"
                    width: parent.width
                    title: "Localities"
                    model: filterPage.visible ? localityFilter : null
                }
                FilterList {
                    objectName: "unitList"
                    width: parent.width
                    title: "Units"
                    model: filterPage.visible ? unitFilter : null
                }
                FilterList {
                    objectName: "symbolList"
                    width: parent.width
                    title: "Symbols"
                    model: filterPage.visible ? symbolFilter : null
                }
            }
        }
    }

    // Outside the page, so that their check marks outlive its rows. The
    // point data follow the data model only while they show.
    LocalityDelegateModel { id: localityFilter; tool: stereoNetTool.manager; project: stereoNetTool.project }
    UnitDelegateModel { id: unitFilter; tool: stereoNetTool.manager; project: stereoNetTool.project }
    SymbolDelegateModel { id: symbolFilter; tool: stereoNetTool.manager; project: stereoNetTool.project }
    PointDataDelegateModel { id: pointData; tool: filterPage.visible ? stereoNetTool.manager : null }
}
