import QtQuick 2.4
import "../Utils.js" as Utils

// A button of the top bar: an optional icon image and a title, in white on
// the bar's colour.
Item {
    id: button

    property string title: ""
    property url iconUrl: ""
    readonly property bool pressed: mouseArea.pressed

    signal clicked()

    implicitWidth: row.width + 2 * Utils.theme("margin", Utils.dp(10))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    opacity: enabled ? (pressed ? 0.6 : 1) : 0.4

    Row {
        id: row
        anchors.centerIn: parent
        spacing: Utils.theme("smallMargin", Utils.dp(5))

        Image {
            anchors.verticalCenter: parent.verticalCenter
            visible: button.iconUrl != ""
            source: button.iconUrl
            sourceSize.height: button.height * 0.5
            fillMode: Image.PreserveAspectFit
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            visible: text !== ""
            text: button.title
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
            color: "#ffffff"
        }
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
