import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// The map's layers: the online base map and the project's own map files,
// with their order, visibility and opacity.
BaseTool {
    id: layerTool
    toolName: "Layers"
    iconLabel: "Layers"
    imageSrc: "qrc:/qml/images/layers.svg"
    allowCallouts: false

    // The row the list marks; -1 when none.
    property int currentRow: -1
    readonly property var layerModel: manager ? manager.layerModel : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property var layerFilters: fileDialog.useControls
                                        ? ["All supported map layer files (*.mbtiles *.tif *.tiff *.earth)",
                                           "MBTiles files (*.mbtiles)", "GeoTIFF files (*.tif *.tiff)",
                                           "osgEarth files (*.earth)"]
                                        : ["*.mbtiles", "*.tif*", "*.earth"]

    manager: LayerToolManager {
        active: layerTool.shown
        mapView: layerTool.mapView
    }

    function deleteLayer(row) {
        var count = layerModel ? layerModel.rowCount() : 0
        if (row < 0 || row >= count)
            return
        manager.removeLayer(row)
        count = layerModel ? layerModel.rowCount() : 0
        currentRow = count > 0 ? count - 1 : -1
    }

    // Called from a row's handle: the move rebuilds the rows, that one
    // included, so the rest happens here.
    function moveLayer(from, to) {
        if (from < 0 || to < 0 || from === to)
            return
        manager.moveLayer(from, to)
        currentRow = to
    }

    function openOpacity(row, opacity) {
        opacityPopup.row = row
        opacityPopup.startOpacity = opacity
        opacityPopup.storedOpacity = opacity
        opacitySlider.value = opacity
        opacityPopup.visible = true
    }

    // Leaving the tool, or the window, keeps the opacity the map shows.
    onShownChanged: {
        if (!shown) {
            fileDialog.close()
            opacityPopup.close(true)
        }
    }
    Connections {
        target: layerTool.Window.window
        ignoreUnknownSignals: true
        function onClosing() {
            if (opacityPopup.visible)
                opacityPopup.store(opacitySlider.value)
        }
    }

    Column {
        id: content
        anchors.fill: parent
        anchors.margins: layerTool.margin
        spacing: layerTool.margin

        Text {
            text: "Online Basemap"
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
            color: Utils.theme("kivBlue", "#006eb8")
        }

        SegmentedButton {
            objectName: "onlineLayers"
            width: parent.width
            buttons: ["Satellite", "Road", "Terrain"]
            // The custom layer has no button of its own.
            activeButton: layerTool.manager && layerTool.manager.baseLayer < 3 ? layerTool.manager.baseLayer : -1
            onClicked: layerTool.manager.baseLayer = index
        }

        Item {
            width: parent.width
            height: importButton.height

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "Map Layers"
                font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                color: Utils.theme("kivBlue", "#006eb8")
            }

            ActionButton {
                id: importButton
                objectName: "importButton"
                anchors.right: parent.right
                symbol: "importDataIcon"
                onButtonActivated: fileDialog.open()
            }
        }

        ListView {
            id: layerList
            objectName: "layerList"
            width: parent.width
            height: content.height - y
            clip: true
            model: layerTool.layerModel
            currentIndex: layerTool.currentRow

            property int dragFrom: -1

            delegate: Rectangle {
                id: row
                width: layerList.width
                height: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.dp(8)
                color: index === layerTool.currentRow ? Utils.theme("selectedRowColor", "#d6ecf8") : "transparent"

                MouseArea {
                    anchors.fill: parent
                    onClicked: layerTool.currentRow = index
                }

                Row {
                    anchors.fill: parent
                    anchors.topMargin: Utils.dp(4)
                    anchors.bottomMargin: Utils.dp(4)
                    spacing: Utils.dp(4)

                    Text {
                        id: handle
                        objectName: "dragHandle"
                        width: Utils.theme("buttonWidth", Utils.dp(33))
                        height: parent.height
                        verticalAlignment: Text.AlignVCenter
                        horizontalAlignment: Text.AlignHCenter
                        text: Utils.icon("grabHandleIcon")
                        font.family: Utils.iconFontFamily()
                        font.pixelSize: Math.max(1, height * 0.5)
                        color: Utils.theme("normalIconColor", "#006eb8")

                        MouseArea {
                            anchors.fill: parent
                            preventStealing: true
                            onPressed: layerList.dragFrom = index
                            onReleased: {
                                var at = mapToItem(layerList.contentItem, mouse.x, mouse.y)
                                var to = layerList.indexAt(at.x, at.y)
                                var from = layerList.dragFrom
                                layerList.dragFrom = -1
                                layerTool.moveLayer(from, to)
                            }
                        }
                    }

                    Text {
                        width: row.width - handle.width - visibleSwitch.width - snapButton.width
                               - opacityButton.width - deleteButton.width - 5 * parent.spacing
                        height: parent.height
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                        text: model.name
                        textFormat: Text.PlainText
                        maximumLineCount: 1
                        font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                        color: Utils.theme("kivGrey", "#565757")
                    }

                    SmallSwitch {
                        id: visibleSwitch
                        objectName: "visibleSwitch"
                        anchors.verticalCenter: parent.verticalCenter
                        checked: model.active
                        onClicked: layerTool.manager.setLayerVisible(index, checked)
                    }

                    ActionButton {
                        id: snapButton
                        objectName: "snapButton"
                        height: parent.height
                        symbol: "locationIcon"
                        onButtonActivated: layerTool.manager.snapToLayerBounds(index)
                    }

                    ActionButton {
                        id: opacityButton
                        objectName: "opacityButton"
                        height: parent.height
                        symbol: "opacity"
                        onButtonActivated: layerTool.openOpacity(index, model.opacity)
                    }

                    DeleteButton {
                        id: deleteButton
                        objectName: "deleteButton"
                        height: parent.height
                        confirmLabel: "Delete"
                        onDeleteActivated: layerTool.deleteLayer(index)
                    }
                }
            }
        }
    }

    // Previews while sliding and stores where the slider settles, so that
    // what the map shows is what the project holds; Cancel puts the old one
    // back. The layer covers the map page, tool bar included: a tap beside
    // the box only closes it, keeping what the map shows, as leaving does.
    ScreenLayer {
        id: opacityPopup
        objectName: "opacityLayer"
        parent: layerTool.mapView ? layerTool.mapView : layerTool.parent
        anchors.fill: parent
        visible: false
        z: 100

        property int row: -1
        property real startOpacity: 1
        property real storedOpacity: 1

        function close(keep) {
            if (!visible)
                return
            visible = false
            store(keep ? opacitySlider.value : startOpacity)
        }

        // A failed save puts the slider back where the project stands.
        function store(opacity) {
            if (row < 0)
                return
            if (layerTool.manager.setLayerOpacity(row, opacity))
                storedOpacity = opacity
            else if (visible)
                opacitySlider.value = storedOpacity
        }

        CoverArea {
            onClicked: opacityPopup.close(true)
        }

        // Over the panel, centred in it: the tools fill the map view, so the
        // panel's coordinates are the map view's.
        Rectangle {
            objectName: "opacityPopup"
            x: layerTool.x + layerTool.margin
            y: layerTool.y + (layerTool.height - height) / 2
            width: layerTool.width - 2 * layerTool.margin
            height: popupColumn.height + 2 * layerTool.margin
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
            color: "#ffffff"
            border.color: Utils.theme("kivBlue", "#006eb8")

            // A tap between the controls keeps the popup.
            CoverArea { }

            Column {
                id: popupColumn
                anchors.centerIn: parent
                width: parent.width - 2 * layerTool.margin
                spacing: layerTool.margin

                Text {
                    text: "Opacity"
                    font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                    color: Utils.theme("kivBlue", "#006eb8")
                }

                OpacitySlider {
                    id: opacitySlider
                    objectName: "opacitySlider"
                    width: parent.width
                    onValueChanged: {
                        if (opacityPopup.visible)
                            layerTool.manager.previewLayerOpacity(opacityPopup.row, value)
                    }
                    onSettled: opacityPopup.store(value)
                }

                DialogButtonBar {
                    width: parent.width
                    model: ListModel {
                        ListElement { label: "Cancel"; result: 1 }
                        ListElement { label: "OK"; result: 0 }
                    }
                    onButtonClicked: opacityPopup.close(result === 0)
                }
            }
        }
    }

    FileDialogLoader {
        id: fileDialog
        objectName: "fileDialog"
        title: "Please choose a layer file"
        nameFilters: layerTool.layerFilters
        onAccepted: layerTool.manager.addLayer(fileUrl, layerTool.currentRow)
    }
}
