import QtQuick 2.4
import ".."
import "../Utils.js" as Utils

// The notebook's list side: its tool bar (locality, filter, add), the filter
// row and one cell per entry.
Item {
    id: panel

    property var tool: null
    readonly property alias list: list
    readonly property alias toolBar: toolBar

    ListModel {
        id: leftButtons
        ListElement { iconName: ""; label: "Locality"; isPrimaryAction: false; primaryColor: ""; enabled: true }
        ListElement { iconName: ""; label: "All"; isPrimaryAction: false; primaryColor: ""; enabled: true }
    }

    ListModel {
        id: rightButtons
        ListElement { iconName: "addPhoto"; label: ""; isPrimaryAction: true; primaryColor: ""; enabled: true }
    }

    readonly property int mapFilter: tool ? tool.mapFilter : 7
    onMapFilterChanged: leftButtons.setProperty(1, "label", tool.filterName(mapFilter))
    Component.onCompleted: leftButtons.setProperty(1, "label", tool.filterName(mapFilter))

    ToolToolBar {
        id: toolBar
        objectName: "dataToolBar"
        width: parent.width
        leftModel: leftButtons
        rightModel: panel.tool.state === "DETAIL_SMALL" ? null : rightButtons
        onLeftMenuButtonClicked: {
            if (index === 0)
                panel.tool.openLocalityDialog()
            else
                panel.tool.filterRowShown = !panel.tool.filterRowShown
        }
        onRightMenuButtonClicked: panel.tool.menuOpen = !panel.tool.menuOpen
    }

    Row {
        id: filterRow
        objectName: "filterRow"
        anchors.top: toolBar.bottom
        visible: panel.tool.filterRowShown
        height: visible ? Utils.theme("buttonHeight", Utils.dp(40)) : 0
        width: parent.width
        readonly property string selected: panel.tool.filterButton(panel.mapFilter)
        Repeater {
            model: ["All", "Data", "Notes", "Lines"]
            delegate: Rectangle {
                objectName: "filter_" + modelData
                readonly property bool selected: filterRow.selected === modelData
                width: filterRow.width / 4
                height: filterRow.height
                color: selected ? Utils.theme("kivBlue", "#006eb8") : "transparent"
                border.color: Utils.theme("kivBlue", "#006eb8")
                Text {
                    anchors.centerIn: parent
                    text: modelData
                    color: parent.selected ? "white" : Utils.theme("kivBlue", "#006eb8")
                }
                MouseArea { anchors.fill: parent; onClicked: panel.tool.applyFilterButton(modelData) }
            }
        }
    }

    ListView {
        id: list
        objectName: "dataList"
        anchors.top: filterRow.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        clip: true
        model: panel.tool.dataModel
        currentIndex: -1
        highlightMoveDuration: 0
        onCurrentIndexChanged: panel.tool.currentRowChanged()
        highlight: Rectangle { color: Utils.theme("listHighlightColor", "#ffffff") }

        delegate: Item {
            id: cellBox
            objectName: "cell_" + index
            readonly property var row: model
            readonly property var cell: cellLoader.item
            width: list.width
            height: cellLoader.height + 1

            Loader {
                id: cellLoader
                width: parent.width
                sourceComponent: {
                    switch (model.dataType) {
                    case "Plane": case "Lineation": case "Sighting": return pointCell
                    case "Line": return lineCell
                    case "Image": return imageCell
                    case "Annotation": return noteCell
                    case "Locality": return localityCell
                    }
                    return unknownCell
                }
            }
            Component { id: pointCell; PointCell { row: cellBox.row } }
            Component { id: lineCell; LineCell { row: cellBox.row } }
            Component { id: imageCell; ImageCell { row: cellBox.row } }
            Component { id: noteCell; NoteCell { row: cellBox.row } }
            Component { id: localityCell; LocalityHeaderCell { row: cellBox.row } }
            Component {
                id: unknownCell
                Text {
                    objectName: "unhandled"
                    height: Utils.theme("buttonHeight", Utils.dp(40))
                    verticalAlignment: Text.AlignVCenter
                    text: "Unhandled data type: " + cellBox.row.dataType
                }
            }
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Utils.theme("listSeparatorColor", "#cccccc")
            }
            MouseArea {
                anchors.fill: parent
                onClicked: panel.tool.rowTapped(index)
            }
        }
    }
}
