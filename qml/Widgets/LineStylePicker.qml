import QtQuick 2.4

// Solid, dotted or dashed: shows the tool's `lineStyle` (a Qt pen style) and
// sets it on a click.
SegmentedButton {
    id: picker

    property var tool: null
    readonly property var styles: [Qt.SolidLine, Qt.DotLine, Qt.DashLine]
    readonly property int lineStyle: styles[activeButton] !== undefined ? styles[activeButton] : Qt.SolidLine

    function follow(style) {
        activeButton = Math.max(0, styles.indexOf(style))
    }

    buttons: [{ symbol: "solidLine" }, { symbol: "dottedLine" }, { symbol: "dashedLine" }]
    onToolChanged: if (tool) follow(tool.lineStyle)
    onClicked: if (tool) tool.lineStyle = lineStyle

    Connections {
        target: picker.tool
        ignoreUnknownSignals: true
        function onLineStyleChanged() { picker.follow(picker.tool.lineStyle) }
    }
}
