import QtQuick 2.4
import "../Utils.js" as Utils

// A locality: name, colour and description.
DetailsForm {
    id: form
    objectName: "localityDetails"
    property color colour: details.row.localityColor

    moveButtons: MoveDataButtonModel { id: moves; tool: form.details.tool; row: form.details.row }
    onMoved: save()
    textFields: [name, description]

    function reset() {
        name.reset()
        description.reset()
        colour = details.row.localityColor
    }
    function save() {
        return details.save(function() {
            return details.tool.dataModel.saveLocalityData(details.index, details.row.localityId, name.text,
                                                           description.text, moves.latitude(), moves.longitude(),
                                                           colour)
        })
    }
    function pickColour() {
        _dialogController.launchCustomDialog("ColorPickerDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.color = form.colour
        dialog.colorPicked.connect(function(picked) {
            form.colour = picked
            form.save()
        })
    }

    CommentField {
        id: name
        objectName: "name"
        stored: form.details.row.localityName
        placeholder: "Name"
        onEdited: form.save()
    }
    Rectangle {
        objectName: "colourButton"
        width: parent.width
        height: Utils.theme("buttonHeight", Utils.dp(40))
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        color: form.colour
        MouseArea { anchors.fill: parent; onClicked: form.pickColour() }
    }
    CommentField {
        id: description
        objectName: "description"
        stored: form.details.row.comment
        placeholder: "Description"
        onEdited: form.save()
    }
}
