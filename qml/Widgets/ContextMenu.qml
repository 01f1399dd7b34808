import QtQuick 2.4
import "../Utils.js" as Utils

// A pop-up list of buttons over its parent, which it covers while shown: a
// tap beside the list closes it, a tap on an entry closes it and reports the
// entry's index. Entries are labels or have a `label` and a `symbol`.
ScreenLayer {
    id: menu

    property var model: null
    property bool shown: false
    property real menuX: 0
    property real menuY: 0
    property real menuWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.6
    property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40))
    property int currentIndex: -1       // marked entry, none by default

    signal buttonActivated(int index)

    // Opens the list, at (x, y) of this item when given.
    function show(x, y) {
        if (x !== undefined)
            menuX = x
        if (y !== undefined)
            menuY = y
        shown = true
    }

    function hide() {
        shown = false
    }

    anchors.fill: parent
    visible: shown

    CoverArea {
        onClicked: menu.hide()
    }

    Rectangle {
        id: list
        objectName: "menuList"
        x: Math.max(0, Math.min(menu.menuX, menu.width - width))
        y: Math.max(0, Math.min(menu.menuY, menu.height - height))
        width: menu.menuWidth
        height: column.height
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        border.color: Utils.theme("listSeparatorColor", "#cccccc")
        border.width: 1

        Column {
            id: column
            width: parent.width

            Repeater {
                model: menu.model

                delegate: Rectangle {
                    readonly property var entry: model.modelData !== undefined ? model.modelData : model

                    width: column.width
                    height: menu.rowHeight
                    radius: list.radius
                    color: rowArea.pressed ? Utils.theme("pressedButtonColor", "#009cde")
                                           : index === menu.currentIndex ? Utils.theme("inactiveButtonColor", "#e8e8e8")
                                                                         : "transparent"

                    Row {
                        anchors.fill: parent
                        anchors.leftMargin: Utils.theme("margin", Utils.dp(10))
                        spacing: Utils.theme("spacing", Utils.dp(8))
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            visible: text !== ""
                            text: Utils.icon(Utils.field(entry, "symbol", ""))
                            font.family: Utils.iconFontFamily()
                            font.pixelSize: Math.max(1, menu.rowHeight * 0.5)
                            color: Utils.theme("normalIconColor", "#006eb8")
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: Utils.field(entry, "label", "")
                            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                            color: Utils.theme("kivGrey", "#565757")
                        }
                    }

                    Rectangle {
                        visible: index > 0
                        width: parent.width
                        height: 1
                        color: Utils.theme("listSeparatorColor", "#cccccc")
                    }

                    MouseArea {
                        id: rowArea
                        anchors.fill: parent
                        onClicked: {
                            menu.hide()
                            menu.buttonActivated(index)
                        }
                    }
                }
            }
        }
    }
}
