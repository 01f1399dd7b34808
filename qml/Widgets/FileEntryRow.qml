import QtQuick 2.4
import "../Utils.js" as Utils

// One row of the file dialogs: a glyph, a text and, for folders, the
// forward glyph at the right.
Item {
    id: row

    property string glyph: ""
    property string text: ""
    property bool forward: false
    property real textSize: Utils.theme("mediumText", Utils.dp(18))
    property color textColor: Utils.theme("kivGrey", "#565757")
    property color glyphColor: Utils.theme("normalIconColor", "#006eb8")

    Text {
        id: glyphText
        anchors.left: parent.left
        anchors.leftMargin: Utils.theme("margin", Utils.dp(10))
        anchors.verticalCenter: parent.verticalCenter
        width: Utils.theme("buttonHeight", Utils.dp(40))
        text: Utils.icon(row.glyph)
        font.family: Utils.iconFontFamily()
        font.pixelSize: row.textSize * 1.4
        color: row.glyphColor
    }

    Text {
        anchors.left: glyphText.right
        anchors.right: forwardText.left
        anchors.verticalCenter: parent.verticalCenter
        text: row.text
        elide: Text.ElideMiddle
        font.pixelSize: row.textSize
        color: row.textColor
    }

    Text {
        id: forwardText
        anchors.right: parent.right
        anchors.rightMargin: Utils.theme("margin", Utils.dp(10))
        anchors.verticalCenter: parent.verticalCenter
        width: Utils.theme("buttonHeight", Utils.dp(40)) * 0.6
        text: Utils.icon("forwardIcon")
        visible: row.forward
        font.family: Utils.iconFontFamily()
        font.pixelSize: row.textSize
        color: row.glyphColor
    }
}
