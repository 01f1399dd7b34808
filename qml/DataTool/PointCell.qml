import QtQuick 2.4
import quarzel.touch 1.0
import "../Utils.js" as Utils

// A plane, lineation or sighting: its symbol in the unit colour and its angles.
Item {
    id: cell
    property var row: null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    function anglesText() {
        var d = Math.round(row.dip)
        var a = Math.round(row.azimuth)
        if (row.dataType === "Plane") {
            var strike = typeof _appManager !== "undefined" && _appManager && _appManager.angleConvention === 1
            return strike ? "Dip: " + d + "°  Strike: " + _ui.formatPlaneAzimuth(row.azimuth) + "°"
                          : "Dip: " + d + "°  Azimuth: " + a + "°"
        }
        if (row.dataType === "Lineation")
            return "Plunge: " + d + "°  Azimuth: " + a + "°"
        return "Azimuth: " + a + "°"
    }

    implicitHeight: Utils.theme("listCellHeight", Utils.dp(80))

    SymbolItem {
        id: symbol
        x: cell.margin
        width: cell.height - 2 * cell.margin
        height: width
        anchors.verticalCenter: parent.verticalCenter
        iconId: cell.row.iconId
        color: cell.row.unitColor
        dip: cell.row.dataType === "Sighting" ? 0 : cell.row.dip
        azimuth: cell.row.azimuth
    }

    Column {
        anchors.left: symbol.right
        anchors.leftMargin: cell.margin
        anchors.right: noteMark.left
        anchors.verticalCenter: parent.verticalCenter
        Text {
            objectName: "angles"
            width: parent.width
            text: cell.anglesText()
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
            // A lineation's longer text shrinks to the cell instead of being cut.
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: Utils.theme("microText", Utils.dp(12))
            elide: Text.ElideRight
        }
        Text {
            objectName: "unitAndSymbol"
            width: parent.width
            elide: Text.ElideRight
            text: cell.row.unitName + " - " + cell.row.symbolName
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

    Text {
        id: noteMark
        objectName: "noteMark"
        anchors.right: parent.right
        anchors.rightMargin: cell.margin
        anchors.verticalCenter: parent.verticalCenter
        visible: cell.row.comment !== ""
        text: Utils.icon("annotationIcon")
        font.family: Utils.iconFontFamily()
        font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        color: Utils.theme("kivBlue", "#006eb8")
    }
}
