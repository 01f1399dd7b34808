import QtQuick 2.4
import quarzel.touch 1.0
import "../Utils.js" as Utils

// A line: drawn small in its own style, with its unit.
Item {
    id: cell
    property var row: null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    implicitHeight: Utils.theme("listCellHeight", Utils.dp(80))

    PolylineItem {
        id: line
        x: cell.margin
        width: cell.height - 2 * cell.margin
        height: width
        anchors.verticalCenter: parent.verticalCenter
        lineId: cell.row.dataId
        color: cell.row.unitColor
        lineThickness: Math.min(4, cell.row.lineThickness)
        lineStyle: cell.row.lineStyle
        opacity: cell.row.lineOpacity
        filled: cell.row.filled
    }

    Column {
        anchors.left: line.right
        anchors.leftMargin: cell.margin
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        Text {
            objectName: "unitName"
            width: parent.width
            elide: Text.ElideRight
            text: cell.row.unitName
            textFormat: Text.PlainText
            maximumLineCount: 1
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        }
        Text {
            text: cell.row.timeString
            font.pixelSize: Utils.theme("microText", Utils.dp(12))
            color: "#666666"
        }
    }
}
