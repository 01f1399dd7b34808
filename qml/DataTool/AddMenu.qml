import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// The add menu over the notebook: closes on any choice or a tap outside it.
ScreenLayer {
    id: menu

    property var tool: null
    // Where the menu hangs: its top right corner, in the tool's coordinates.
    property real menuTop: 0
    property real menuRight: 0
    property real menuWidth: 0
    // The same corner in this item's coordinates, taken as the menu opens.
    readonly property point corner: tool && tool.menuOpen ? tool.mapToItem(menu, menuRight, menuTop)
                                                          : Qt.point(menuRight, menuTop)

    visible: tool !== null && tool.menuOpen

    CoverArea {
        onClicked: menu.tool.menuOpen = false
    }
    Rectangle {
        objectName: "addMenu"
        x: menu.corner.x - width
        y: menu.corner.y
        width: menu.menuWidth
        height: menuColumn.height
        border.color: Utils.theme("listSeparatorColor", "#cccccc")
        Column {
            id: menuColumn
            width: parent.width
            Repeater {
                model: ["Note", "Photo", "Gallery", "Screenshot", "Sketch"]
                delegate: Rectangle {
                    objectName: "add_" + modelData
                    width: menuColumn.width
                    height: Utils.theme("buttonHeight", Utils.dp(40))
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        x: menu.tool.margin
                        text: modelData
                        font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
                    }
                    MouseArea { anchors.fill: parent; onClicked: menu.tool.addMenuChosen(modelData) }
                }
            }
        }
    }
}
