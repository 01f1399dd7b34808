import QtQuick 2.4
import "../Utils.js" as Utils

// A photo or sketch: the picture (a tap previews it), its direction and
// comment; "Edit" opens it in the sketch tool.
DetailsForm {
    id: form
    objectName: "imageDetails"
    readonly property bool hasDirection: details.row.azimuth >= 0 && details.row.azimuth < 360

    moveButtons: EditMoveDataButtonModel { id: moves; tool: form.details.tool; row: form.details.row }
    onMoved: save()
    onEditClicked: details.tool.showSketchTool(details.row.dataId)
    textFields: [direction, comment]

    function reset() {
        comment.reset()
        direction.text = hasDirection ? String(Math.round(details.row.azimuth)) : ""
    }
    function directionValue() {
        var value = parseInt(direction.text)
        return isFinite(value) && value >= 0 && value <= 359 ? value : details.row.azimuth
    }
    function save() {
        return details.save(function() {
            return details.tool.dataModel.saveAnnotationData(details.index, details.row.dataId, moves.latitude(),
                                                             moves.longitude(), directionValue(), comment.text)
        })
    }
    function viewImage() { details.tool.openPreview("image://detail/" + details.row.imageSource) }

    Component.onCompleted: reset()

    Image {
        id: picture
        objectName: "picture"
        width: parent.width
        height: width * 0.75
        fillMode: Image.PreserveAspectFit
        asynchronous: true
        cache: false
        source: "image://detail/" + form.details.row.imageSource
        MouseArea { anchors.fill: parent; onClicked: form.viewImage() }
        Connections {
            target: _modelManager.currentProject
            ignoreUnknownSignals: true
            function onDataListChanged() {
                picture.source = ""
                picture.source = "image://detail/" + form.details.row.imageSource
            }
        }
    }
    Row {
        visible: form.hasDirection
        spacing: form.details.margin
        DetailLabel { text: "Direction:"; anchors.verticalCenter: parent.verticalCenter }
        Rectangle {
            width: Utils.dp(80)
            height: Utils.theme("buttonHeight", Utils.dp(40))
            border.color: Utils.theme("listSeparatorColor", "#cccccc")
            TextInput {
                id: direction
                objectName: "direction"
                anchors.fill: parent
                anchors.margins: form.details.margin
                validator: IntValidator { bottom: 0; top: 359 }
                inputMethodHints: Qt.ImhDigitsOnly
                font.pixelSize: Utils.theme("inputText", Utils.dp(18))
                readonly property bool changed: form.hasDirection
                                                && form.directionValue() !== Math.round(form.details.row.azimuth)
                onEditingFinished: finish()
                function finish() {
                    if (changed)
                        form.save()
                }
                function cursor() { return cursorPosition }
                function editing() { return activeFocus }
                function resume(at, typed) {
                    text = typed
                    forceActiveFocus()
                    cursorPosition = Math.min(at, length)
                }
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
