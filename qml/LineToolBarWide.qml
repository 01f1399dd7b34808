import QtQuick 2.4
import QtQml 2.15
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// The line panel's wide column: fill mode, style, thickness, opacity, the
// rock units, the pen modes and edit mode, each with its label.
Item {
    id: column

    property var panel: null
    readonly property var tool: panel ? panel.manager : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40))
    readonly property color labelColor: Utils.theme("normalTextColor", "#333333")
    readonly property real labelSize: Utils.theme("smallText", Utils.dp(14))
    readonly property var penModes: [LineToolManager.FreeHand, LineToolManager.VirtualStylus,
                                     LineToolManager.PointToPoint]

    // The tool bar of the panel: undo, the locality dialog, the thin column.
    Row {
        id: header
        objectName: "wideHeader"
        x: column.margin
        y: column.margin
        height: column.rowHeight
        spacing: column.margin

        Text {
            width: column.width - 5 * column.margin - 3 * column.rowHeight
            anchors.verticalCenter: parent.verticalCenter
            text: "Line"
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
            color: column.labelColor
        }
        ActionButton {
            objectName: "collapseButton"
            width: column.rowHeight
            symbol: "leftArrow"
            onButtonActivated: column.panel.setExpandMode("THIN")
        }
        ActionButton {
            objectName: "localityButton"
            width: column.rowHeight
            symbol: "localityIcon"
            onButtonActivated: column.panel.openLocalities()
        }
        ActionButton {
            objectName: "undoButton"
            width: column.rowHeight
            symbol: "undoIcon"
            enabled: column.panel ? column.panel.undoEnabled : false
            onButtonActivated: column.panel.undo()
        }
    }

    Flickable {
        anchors { left: parent.left; right: parent.right; top: header.bottom; bottom: parent.bottom; margins: column.margin }
        contentHeight: controls.height
        clip: true

        Column {
            id: controls
            width: parent.width
            spacing: column.margin

            SegmentedButton {
                objectName: "fillMode"
                width: parent.width
                buttons: ["Line", "Polygon"]
                Binding on activeButton { value: column.tool && column.tool.filled ? 1 : 0 }
                onClicked: column.tool.filled = index === 1
            }

            LineStylePicker {
                objectName: "stylePicker"
                width: parent.width
                tool: column.tool
            }

            Text { text: "Thickness"; font.pixelSize: column.labelSize; color: column.labelColor }
            Row {
                spacing: column.margin
                SimpleSlider {
                    id: thicknessSlider
                    objectName: "thicknessSlider"
                    width: controls.width - thicknessField.width - column.margin
                    minimumValue: 1
                    maximumValue: 30
                    stepSize: 1
                    onValueChanged: if (pressed) column.tool.lineThickness = value
                    Binding on value {
                        when: !thicknessSlider.pressed && column.tool !== null
                        restoreMode: Binding.RestoreNone
                        value: column.tool ? column.tool.lineThickness : 1
                    }
                }
                NumPadTextField {
                    id: thicknessField
                    objectName: "thicknessField"
                    minimumValue: 1
                    maximumValue: 30
                    descriptionText: "Thickness"
                    mapView: column.panel ? column.panel.mapView : null
                    // Also after the pad wrote to the field.
                    Binding on text { value: column.tool ? Math.round(column.tool.lineThickness) : "" }
                    onNumPadValueChanged: if (accepts(value)) column.tool.lineThickness = Math.round(value)
                }
            }

            Text { text: "Opacity"; font.pixelSize: column.labelSize; color: column.labelColor }
            Row {
                spacing: column.margin
                OpacitySlider {
                    id: opacitySlider
                    objectName: "opacitySlider"
                    width: controls.width - opacityField.width - column.margin
                    minimumValue: 0.2
                    maximumValue: 1.0
                    color: column.panel ? column.panel.unitColor() : "black"
                    onValueChanged: if (pressed) column.tool.opacity = value
                    Binding on value {
                        when: !opacitySlider.pressed && column.tool !== null
                        restoreMode: Binding.RestoreNone
                        value: column.tool ? column.tool.opacity : 1
                    }
                }
                NumPadTextField {
                    id: opacityField
                    objectName: "opacityField"
                    minimumValue: 20
                    maximumValue: 100
                    descriptionText: "Opacity %"
                    mapView: column.panel ? column.panel.mapView : null
                    Binding on text { value: column.tool ? Math.round(column.tool.opacity * 100) : "" }
                    onNumPadValueChanged: if (accepts(value)) column.tool.opacity = value / 100
                }
            }

            StratColumn {
                objectName: "rockUnits"
                width: parent.width
                height: heightFor(3)
                picksCurrentUnit: true
            }

            Text { text: "Pen"; font.pixelSize: column.labelSize; color: column.labelColor }
            SegmentedButton {
                objectName: "penModes"
                width: parent.width
                buttons: [{ symbol: "drawLineIcon", label: "Free-hand" }, { symbol: "editIcon", label: "Stylus" },
                          { symbol: "polylineMode", label: "Points" }]
                Binding on activeButton {
                    value: column.tool ? Math.max(0, column.penModes.indexOf(column.tool.penMode)) : 0
                }
                onClicked: column.panel.setPenMode(column.penModes[index])
            }

            Row {
                spacing: column.margin
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Edit line:"
                    font.pixelSize: column.labelSize
                    color: column.labelColor
                }
                Switch {
                    objectName: "editSwitch"
                    Binding on checked { value: column.tool ? column.tool.editModeEnabled : false }
                    onClicked: column.tool.editModeEnabled = checked
                }
            }
        }
    }
}
