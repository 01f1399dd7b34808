import QtQuick 2.4

// The delete button of a detail view: deletes the row's entry the way its
// kind asks, keeping the list where it was scrolled.
DeleteButtonModel {
    id: buttons

    property var tool: null
    property var list: null
    property var row: null

    onConfirmed: deleteEntry()

    function toast(ok, done, failed) {
        if (ok) {
            _dialogController.toastOk(done)
            return
        }
        tool.restoreSelection(row)
        _dialogController.toastError(failed)
    }

    function deleteLocality(localityId) {
        tool.clearSelection()
        toast(tool.dataModel.deleteLocality(localityId), "Deleted locality", "Could not delete locality")
    }

    function deleteEntry() {
        if (!tool || !row)
            return
        var contentY = list ? list.contentY : 0
        var model = tool.dataModel
        var kind = row.dataType
        var localityId = row.localityId
        var dataId = row.dataId
        if (kind === "Locality") {
            if (row.empty) {
                deleteLocality(localityId)
            } else {
                var answered = function(option) {
                    _dialogController.result.disconnect(answered)
                    if (option === 0)
                        buttons.deleteLocality(localityId)
                }
                _dialogController.result.connect(answered)
                _dialogController.messageBox("Delete this locality?",
                                             "This locality contains data. Deleting this locality will also delete "
                                             + "the data. This cannot be undone!\n\nAre you sure you want to continue?",
                                             _dialogController.yesNoButtons)
            }
        } else if (kind === "Line") {
            tool.clearSelection()
            toast(model.deleteLine(dataId), "Deleted line", "Could not delete line")
        } else {
            tool.clearSelection()
            toast(model.deletePointData(dataId), "Deleted data", "Could not delete data")
        }
        if (list)
            list.contentY = Math.min(contentY, Math.max(0, list.contentHeight - list.height))
    }
}
