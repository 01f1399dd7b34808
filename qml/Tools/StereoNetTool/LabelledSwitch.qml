import QtQuick 2.4
import "../../Widgets"
import "../../Utils.js" as Utils

// A switch of the stereonet's drawing options with its label.
Item {
    property alias label: labelText.text
    property alias checked: toggle.checked

    signal clicked()

    width: parent ? parent.width : 0
    height: Utils.theme("buttonHeight", Utils.dp(40))

    Text {
        id: labelText
        anchors.verticalCenter: parent.verticalCenter
        font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
    }
    SmallSwitch {
        id: toggle
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        onClicked: parent.clicked()
    }
}
