import QtQuick 2.4
import "../Utils.js" as Utils

// A note: its text in the unit colour and its time.
Item {
    id: cell
    property var row: null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    implicitHeight: Math.max(Utils.theme("listCellHeight", Utils.dp(80)) * 0.75, notes.height + 2 * margin)

    Column {
        id: notes
        x: cell.margin
        width: cell.width - 2 * cell.margin
        anchors.verticalCenter: parent.verticalCenter
        Text {
            objectName: "comment"
            width: parent.width
            wrapMode: Text.Wrap
            maximumLineCount: 3
            elide: Text.ElideRight
            text: cell.row.comment
            textFormat: Text.PlainText
            color: cell.row.unitColor !== undefined && String(cell.row.unitColor) !== "" ? cell.row.unitColor : "black"
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        }
        Text {
            text: cell.row.timeString
            font.pixelSize: Utils.theme("microText", Utils.dp(12))
            color: "#666666"
        }
    }
}
