import QtQuick 2.4
import "../Utils.js" as Utils

// A bar heading a block of a panel, with a short description.
Rectangle {
    id: header

    property string text: ""

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40)) * 0.75
    color: Utils.theme("inactiveButtonColor", "#e8e8e8")

    Text {
        anchors.fill: parent
        anchors.leftMargin: Utils.theme("margin", Utils.dp(10))
        anchors.rightMargin: Utils.theme("margin", Utils.dp(10))
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        text: header.text
        font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
        color: Utils.theme("kivGrey", "#565757")
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Utils.theme("listSeparatorColor", "#cccccc")
    }
}
