import QtQuick 2.4
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// Planes, lineations and sightings: symbol, rock unit and comment.
DetailsForm {
    id: form
    objectName: "pointDetails"
    readonly property bool isSighting: details.row.dataType === "Sighting"
    readonly property var project: _modelManager.currentProject
    property int unitId: details.row.unitId

    moveButtons: MoveDataButtonModel { id: moves; tool: form.details.tool; row: form.details.row }
    onMoved: saveAll()
    textFields: [comment]

    function reset() {
        comment.reset()
        unitId = details.row.unitId
    }

    function save(symbolId, unitId, text) {
        var model = details.tool.dataModel
        return details.save(function() {
            return isSighting
                    ? model.saveSighting(details.index, details.row.dataId, moves.latitude(), moves.longitude(),
                                         details.row.unitId === 0 ? 0 : unitId, text)
                    : model.savePointData(details.index, details.row.dataId, moves.latitude(),
                                          moves.longitude(), symbolId, unitId, text)
        })
    }
    function saveAll() { return save(details.row.symbolId, unitId, comment.text) }

    function pickSymbol() { details.pickSymbol(details.row.symbolId) }
    function symbolPicked(symbolId) { form.save(symbolId, form.unitId, comment.text) }

    Row {
        spacing: form.details.margin
        ClinoItem {
            objectName: "dial"
            width: Utils.dp(96)
            height: width
            readonly property bool plane: form.details.row.dataType === "Plane"
            // Only shows the datum: it keeps following no sensor and takes no drag.
            dip: form.isSighting ? 0 : form.details.row.dip
            azimuth: form.details.row.azimuth
            planeSymbolRotation: plane ? form.details.row.azimuth : 0
            lineSymbolRotation: plane ? 0 : form.details.row.azimuth
            iconId: form.details.row.iconId
            iconColor: form.details.row.unitColor
        }
        Column {
            anchors.verticalCenter: parent.verticalCenter
            Text {
                objectName: "dipText"
                visible: !form.isSighting
                text: Math.round(form.details.row.dip) + "°"
                font.pixelSize: Utils.theme("largeText", Utils.dp(22))
            }
            Text {
                objectName: "azimuthText"
                text: (form.project && form.project.symbolIsPlane(form.details.row.symbolId)
                       ? _ui.formatPlaneAzimuth(form.details.row.azimuth)
                       : _ui.formatAzimuth(form.details.row.azimuth)) + "°"
                font.pixelSize: Utils.theme("largeText", Utils.dp(22))
            }
        }
    }
    Rectangle {
        objectName: "symbolButton"
        visible: !form.isSighting
        width: parent.width
        height: Utils.theme("buttonHeight", Utils.dp(40))
        border.color: Utils.theme("listSeparatorColor", "#cccccc")
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        Text {
            anchors.centerIn: parent
            text: form.details.row.symbolName
            textFormat: Text.PlainText
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        }
        MouseArea { anchors.fill: parent; onClicked: form.pickSymbol() }
    }
    DetailLabel {
        objectName: "unitLabel"
        text: form.isSighting && form.details.row.unitId === 0 ? "No Unit" : form.details.row.unitName
    }
    StratColumn {
        objectName: "unitChoice"
        visible: !(form.isSighting && form.details.row.unitId === 0)
        width: parent.width
        height: heightFor(3)
        selectedUnit: form.unitId
        survivor: form.details
        onUnitChosen: {
            if (unit !== form.details.row.unitId) {
                form.unitId = unit
                form.save(form.details.row.symbolId, unit, comment.text)
            }
        }
    }
    CommentField {
        id: comment
        objectName: "comment"
        stored: form.details.row.comment
        onEdited: form.save(form.details.row.symbolId, form.unitId, text)
    }
}
