import QtQuick 2.4
import QtQml 2.15
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// The line panel's thin column: the same controls as glyphs, a dial for the
// thickness and a slider for the opacity; tapping the opacity slider shows
// the rock units beside the column.
Item {
    id: column

    property var panel: null
    readonly property var tool: panel ? panel.manager : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property real buttonSize: Math.max(1, width - 2 * margin)
    property bool unitsShown: false

    // A dial position (0 to 1) as the line thickness, never thinner than 1.
    function applySize(value) {
        if (tool)
            tool.lineThickness = Math.min(30, Math.max(1, value * 30))
    }

    // A slider position as the opacity; fainter than 0.2 cannot be seen.
    function applyOpacity(value) {
        if (tool)
            tool.opacity = Math.max(value, 0.2)
    }

    function penButton(mode) {
        return tool && tool.penMode === mode ? Utils.theme("kivYellow", "#ffcc00") : "#ffffff"
    }

    Column {
        x: column.margin
        y: column.margin
        width: column.buttonSize
        spacing: column.margin

        ActionButton {
            objectName: "expandButton"
            width: parent.width
            symbol: "forwardIcon"
            onButtonActivated: column.panel.setExpandMode("WIDE")
        }
        ActionButton {
            objectName: "thinUndoButton"
            width: parent.width
            symbol: "undoIcon"
            enabled: column.panel ? column.panel.undoEnabled : false
            onButtonActivated: column.panel.undo()
        }
        ActionButton {
            objectName: "fillToggle"
            width: parent.width
            symbol: column.tool && column.tool.filled ? "polygonMode" : "polylineMode"
            onButtonActivated: column.tool.filled = !column.tool.filled
        }
        ActionButton {
            objectName: "thinStyle"
            width: parent.width
            readonly property var styles: [Qt.SolidLine, Qt.DotLine, Qt.DashLine]
            readonly property var glyphs: ["solidLine", "dottedLine", "dashedLine"]
            readonly property int current: column.tool ? Math.max(0, styles.indexOf(column.tool.lineStyle)) : 0
            symbol: glyphs[current]
            onButtonActivated: column.tool.lineStyle = styles[(current + 1) % styles.length]
        }
        CircularSlider {
            id: sizeDial
            objectName: "sizeDial"
            width: parent.width
            height: width
            onValueChanged: if (pressed) column.applySize(value)
            Binding on value {
                when: !sizeDial.pressed && column.tool !== null
                restoreMode: Binding.RestoreNone
                value: column.tool ? column.tool.lineThickness / 30 : 0
            }
        }
        OpacitySlider {
            id: opacitySlider
            objectName: "thinOpacity"
            width: parent.width
            color: column.panel ? column.panel.unitColor() : "black"
            onPressedChanged: if (pressed) column.unitsShown = !column.unitsShown
            onValueChanged: if (pressed) column.applyOpacity(value)
            Binding on value {
                when: !opacitySlider.pressed && column.tool !== null
                restoreMode: Binding.RestoreNone
                value: column.tool ? column.tool.opacity : 1
            }
        }
        ActionButton {
            objectName: "thinFreeHand"
            width: parent.width
            symbol: "drawLineIcon"
            fillColor: column.penButton(LineToolManager.FreeHand)
            onButtonActivated: column.panel.setPenMode(LineToolManager.FreeHand)
        }
        ActionButton {
            objectName: "thinStylus"
            width: parent.width
            symbol: "editIcon"
            fillColor: column.penButton(LineToolManager.VirtualStylus)
            onButtonActivated: column.panel.setPenMode(LineToolManager.VirtualStylus)
        }
        ActionButton {
            objectName: "thinPointToPoint"
            width: parent.width
            symbol: "polylineMode"
            fillColor: column.penButton(LineToolManager.PointToPoint)
            onButtonActivated: column.panel.setPenMode(LineToolManager.PointToPoint)
        }
        ActionButton {
            objectName: "thinEditMode"
            width: parent.width
            symbol: "editLineNodes"
            fillColor: column.tool && column.tool.editModeEnabled ? Utils.theme("kivYellow", "#ffcc00") : "#ffffff"
            onButtonActivated: column.tool.editModeEnabled = !column.tool.editModeEnabled
        }
    }

    StratColumn {
        id: units
        objectName: "thinRockUnits"
        x: column.width
        // The editor needs room for the names beside its buttons.
        width: Utils.theme("panelWidth", Utils.dp(320)) * (units.editing ? 1 : 0.6)
        height: column.height
        visible: column.unitsShown && column.visible
        picksCurrentUnit: true
    }
}
