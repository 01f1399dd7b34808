import QtQuick 2.4
import "../../Utils.js" as Utils

// One row of a stereonet filter list: an eye glyph by `checked` and a label.
// A header row has no glyph and takes no tap.
Rectangle {
    id: row

    property string text: ""
    property bool checked: true
    property bool header: false
    property alias content: extra.data

    signal toggled()

    height: Utils.theme("buttonHeight", Utils.dp(40))
    color: header ? Utils.theme("inactiveToolColor", "#e8e8e8") : "transparent"

    Text {
        id: eye
        objectName: "eye"
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: row.header ? 0 : parent.height
        visible: !row.header
        horizontalAlignment: Text.AlignHCenter
        font.family: Utils.iconFontFamily()
        font.pixelSize: Math.max(1, parent.height * 0.5)
        color: row.checked ? Utils.theme("normalIconColor", "#006eb8") : Utils.theme("disabledToolColor", "#666666")
        text: Utils.icon(row.checked ? "visibleIcon" : "nonVisibleIcon")
    }

    Row {
        id: extra
        anchors.left: eye.right
        anchors.leftMargin: Utils.theme("spacing", Utils.dp(8))
        anchors.verticalCenter: parent.verticalCenter
        height: parent.height
        spacing: Utils.theme("spacing", Utils.dp(8))
    }

    Text {
        anchors.left: extra.right
        anchors.leftMargin: extra.width > 0 ? Utils.theme("spacing", Utils.dp(8)) : 0
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        elide: Text.ElideRight
        text: row.text
        textFormat: Text.PlainText
        maximumLineCount: 1
        font.bold: row.header
        font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
    }

    MouseArea {
        anchors.fill: parent
        enabled: !row.header
        onClicked: row.toggled()
    }
}
