import QtQuick 2.4
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// A line: style, thickness, opacity, rock unit and comment; "Edit" hands it
// to the line tool.
DetailsForm {
    id: form
    objectName: "lineDetails"
    property int lineStyle: details.row.lineStyle
    property int unitId: details.row.unitId

    leftModel: edits
    textFields: [comment]
    onEditClicked: details.tool.editLineButtonClicked()

    function reset() {
        comment.reset()
        lineStyle = details.row.lineStyle
        unitId = details.row.unitId
        thickness.value = details.row.lineThickness
        opacitySlider.value = details.row.lineOpacity
    }
    function save() {
        return details.save(function() {
            return details.tool.dataModel.saveLineData(details.index, details.row.dataId, thickness.value,
                                                       opacitySlider.value, lineStyle, unitId, comment.text)
        })
    }

    ListModel {
        id: edits
        ListElement { iconName: ""; label: "Edit"; isPrimaryAction: false; primaryColor: ""; enabled: true }
    }

    Row {
        objectName: "styles"
        spacing: form.details.margin
        Repeater {
            model: [{ name: "Solid", style: Qt.SolidLine }, { name: "Dashed", style: Qt.DashLine },
                    { name: "Dotted", style: Qt.DotLine }]
            delegate: Rectangle {
                objectName: "style_" + modelData.name
                readonly property bool chosen: form.lineStyle === modelData.style
                width: Utils.dp(80)
                height: Utils.theme("buttonHeight", Utils.dp(40))
                radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
                color: chosen ? Utils.theme("kivBlue", "#006eb8") : "transparent"
                border.color: Utils.theme("kivBlue", "#006eb8")
                Text {
                    anchors.centerIn: parent
                    text: modelData.name
                    color: parent.chosen ? "white" : Utils.theme("kivBlue", "#006eb8")
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: {
                        if (form.lineStyle === modelData.style)
                            return
                        form.lineStyle = modelData.style
                        form.save()
                    }
                }
            }
        }
    }
    DetailLabel { objectName: "thicknessLabel"; text: "Thickness: " + Math.round(thickness.value) }
    SimpleSlider {
        id: thickness
        objectName: "thickness"
        width: parent.width
        minimumValue: 1; maximumValue: 30; stepSize: 1
        value: form.details.row.lineThickness
        onPressedChanged: if (!pressed) form.save()
    }
    DetailLabel { objectName: "opacityLabel"; text: "Opacity: " + Math.round(opacitySlider.value * 100) }
    SimpleSlider {
        id: opacitySlider
        objectName: "opacity"
        width: parent.width
        minimumValue: 0.1; maximumValue: 1.0; stepSize: 0
        value: form.details.row.lineOpacity
        onPressedChanged: if (!pressed) form.save()
    }
    DetailLabel { text: form.details.row.unitName }
    StratColumn {
        objectName: "unitChoice"
        width: parent.width
        height: heightFor(3)
        selectedUnit: form.unitId
        survivor: form.details
        onUnitChosen: {
            if (unit !== form.details.row.unitId) {
                form.unitId = unit
                form.save()
            }
        }
    }
    CommentField {
        id: comment
        objectName: "comment"
        stored: form.details.row.comment
        onEdited: form.save()
    }
}
