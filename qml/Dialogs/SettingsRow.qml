import QtQuick 2.4
import "../Utils.js" as Utils

// One line of the settings dialog: the label at the left, its control
// (the row's child) at the right.
Item {
    id: row

    property string label: ""
    default property alias control: controlBox.data

    objectName: "settingsRow"
    width: parent ? parent.width : implicitWidth
    height: visible ? Utils.theme("buttonHeight", Utils.dp(40)) + Utils.theme("spacing", Utils.dp(8)) : 0

    Text {
        objectName: "settingsLabel"
        anchors.left: parent.left
        anchors.right: controlBox.left
        anchors.verticalCenter: parent.verticalCenter
        elide: Text.ElideRight
        text: row.label
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
        color: Utils.theme("kivBlue", "#006eb8")
    }

    Item {
        id: controlBox
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: childrenRect.width
        height: childrenRect.height
    }
}
