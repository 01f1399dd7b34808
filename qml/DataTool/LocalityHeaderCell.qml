import QtQuick 2.4
import "../Utils.js" as Utils

// The head of a locality's entries, in the locality's colour.
Rectangle {
    id: cell
    property var row: null

    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    color: row.localityColor

    Text {
        objectName: "localityName"
        anchors.fill: parent
        anchors.leftMargin: Utils.theme("innerMargin", Utils.dp(8))
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        text: cell.row.localityName
        textFormat: Text.PlainText
        maximumLineCount: 1
        color: "white"
        font.bold: true
        font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
    }
}
