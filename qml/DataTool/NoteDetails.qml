import QtQuick 2.4

// A note: its comment.
DetailsForm {
    id: form
    objectName: "noteDetails"

    moveButtons: MoveDataButtonModel { id: moves; tool: form.details.tool; row: form.details.row }
    onMoved: save(comment.text)
    textFields: [comment]

    function reset() { comment.reset() }
    function save(text) {
        return details.save(function() {
            return details.tool.dataModel.saveAnnotationData(details.index, details.row.dataId, moves.latitude(),
                                                             moves.longitude(), -1, text)
        })
    }

    CommentField {
        id: comment
        objectName: "comment"
        stored: form.details.row.comment
        onEdited: form.save(text)
    }
}
