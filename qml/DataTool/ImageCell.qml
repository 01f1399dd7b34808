import QtQuick 2.4
import "../Utils.js" as Utils

// A photo or sketch: its thumbnail, heading and time.
Item {
    id: cell
    property var row: null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property bool hasHeading: row.azimuth >= 0 && row.azimuth < 360

    implicitHeight: Utils.theme("listCellHeight", Utils.dp(80))

    Image {
        id: thumbnail
        objectName: "thumbnail"
        x: cell.margin
        width: cell.height - 2 * cell.margin
        height: width
        anchors.verticalCenter: parent.verticalCenter
        fillMode: Image.PreserveAspectCrop
        asynchronous: true
        source: cell.row.imageSource !== "" ? "image://cell/" + cell.row.imageSource : ""
    }

    Column {
        anchors.left: thumbnail.right
        anchors.leftMargin: cell.margin
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        Text {
            objectName: "heading"
            visible: cell.hasHeading
            text: "Heading: " + Math.round(cell.row.azimuth) + "°"
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        }
        Text {
            width: parent.width
            elide: Text.ElideRight
            text: cell.row.comment
            textFormat: Text.PlainText
            maximumLineCount: 1
            font.pixelSize: Utils.theme("smallText", Utils.dp(14))
        }
        Text {
            text: cell.row.timeString
            font.pixelSize: Utils.theme("microText", Utils.dp(12))
            color: "#666666"
        }
    }
}
