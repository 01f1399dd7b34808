import QtQuick 2.4
import "../Utils.js" as Utils

// A button of the map tool bar: a glyph or an image in a square of the tool
// bar's width and, when `showLabel`, the tool's name beside it.
Item {
    id: button

    property string symbol: ""
    property url imageSource: ""
    property string label: ""
    property bool showLabel: false
    property bool highlighted: false
    readonly property bool pressed: mouseArea.pressed
    readonly property color contentColor: !enabled ? Utils.theme("disabledToolColor", "#666666")
                                          : pressed ? Utils.theme("pressedIconColor", "#009cde")
                                                    : Utils.theme("normalIconColor", "#006eb8")

    signal clicked()

    implicitWidth: Utils.theme("fullToolBarWidth", Utils.dp(54))
    implicitHeight: Utils.theme("fullToolBarWidth", Utils.dp(54))

    Rectangle {
        visible: button.highlighted
        width: Utils.theme("actionButtonHighlightWidth", Utils.dp(4))
        height: parent.height
        color: Utils.theme("kivYellow", "#ffcc00")
    }

    Item {
        id: iconBox
        width: button.height
        height: button.height

        Text {
            anchors.centerIn: parent
            visible: button.symbol !== ""
            text: Utils.icon(button.symbol)
            font.family: Utils.iconFontFamily()
            font.pixelSize: Math.max(1, parent.height * 0.55)
            color: button.contentColor
        }

        Image {
            anchors.centerIn: parent
            visible: button.imageSource != ""
            source: button.imageSource
            sourceSize.height: parent.height * 0.6
            fillMode: Image.PreserveAspectFit
        }
    }

    Text {
        anchors.left: iconBox.right
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: button.showLabel
        elide: Text.ElideRight
        text: button.label
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
        color: button.contentColor
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
