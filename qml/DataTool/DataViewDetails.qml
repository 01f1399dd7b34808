import QtQuick 2.4
import "../Utils.js" as Utils

// The selected entry in detail: a form for its kind whose changes are saved
// at once, with its tool-bar buttons and where it was recorded.
Item {
    id: detailView

    property var tool: null
    property var list: null
    property int index: -1
    property var row: null
    readonly property var view: loader.item
    readonly property var leftModel: view ? view.leftModel : null
    readonly property var rightModel: view ? view.rightModel : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    signal moveStarted()
    signal moveEnded()
    // A unit "+" stored in the form's strat column, or the one its editor
    // outlined when "Done" stored the edit: storing rebuilds the rows, and
    // the form made anew takes it.
    signal unitStored(int unit)

    function componentFor(kind) {
        switch (kind) {
        case "Plane": case "Lineation": case "Sighting": return pointDetails
        case "Annotation": return noteDetails
        case "Line": return lineDetails
        case "Image": return imageDetails
        case "Locality": return localityDetails
        }
        return null
    }

    // Counts the forms shown: a save rebuilds the rows and shows the
    // selection anew from within the show that made it.
    property int shows: 0
    property bool saving: false
    // The field typed into when the entry's form is made anew after a save
    // or a rebuild of the rows: typing goes on there, with its text.
    property var resumable: null

    // Called for every new current row.
    function show(newIndex, newRow) {
        var before = shows
        var typing = typingIn()
        stopPending()
        commit()
        if (shows !== before)
            return
        ++shows
        if (typing)
            resumable = typing
        // The temporary item is the notebook's only while its list is in use:
        // rows rebuilt behind another tool must leave that tool's marker alone.
        if (tool && tool.reticule && tool.dataToolManager && tool.dataToolManager.active)
            tool.reticule.deactivate()
        loader.sourceComponent = null
        index = newIndex
        row = newRow
        loader.sourceComponent = newRow ? componentFor(newRow.dataType) : null
        if (newRow) {
            if (view && resumable && resumable.id === entryId(newRow))
                view.resume(resumable.field, resumable.cursor, resumable.text)
            resumable = null
        } else if (!tool || !tool.resetting) {
            resumable = null
        }
    }

    function entryId(entry) {
        return entry.dataType === "Locality" ? entry.localityId : entry.dataId
    }

    function typingIn() {
        var field = view && row ? view.typedField() : null
        return field ? { id: entryId(row), field: field.objectName, cursor: field.cursor(), text: field.text } : null
    }

    // Ends typing as Return does: what differs from the stored entry is saved
    // once. Not while the rows are being rebuilt: the form then shows them.
    function commit() {
        if (!view || saving || (tool && tool.resetting))
            return
        // The field's own end of editing saves it.
        if (view.typedField())
            detailView.forceActiveFocus()
        if (view)
            view.commit()
    }

    function stopPending() {
        if (!view)
            return
        if (view.moveButtons)
            view.moveButtons.finish()
        view.deleteButtons.stopConfirmation()
    }

    // A button goes to the form as it is once the typed text is saved; ending
    // a move saves the text with the new place.
    function leftClicked(buttonIndex, button) {
        if (!view)
            return
        view.deleteButtons.stopConfirmation()
        if (!(view.moveButtons && view.moveButtons.moving))
            commit()
        if (!view)
            return
        view.leftClicked(buttonIndex, button)
        commit()
    }

    function rightClicked(buttonIndex, button) {
        if (!view)
            return
        if (view.moveButtons)
            view.moveButtons.finish()
        commit()
        if (view)
            view.rightClicked(buttonIndex, button)
    }

    // The symbol dialog answers to the form shown then: a symbol created in
    // it rebuilds the rows, and the form that opened it is gone. The symbol
    // is stored with the typed text, which the new form keeps.
    function pickSymbol(symbolId) {
        _dialogController.launchCustomDialog("SymbolSelectionDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.symbolId = symbolId
        dialog.filterSymbols = true
        var id = row ? entryId(row) : ""
        var answered = function(result) {
            _dialogController.result.disconnect(answered)
            if (result === 0 && view && view.symbolPicked && row && entryId(row) === id
                    && dialog.symbolId !== row.symbolId)
                view.symbolPicked(dialog.symbolId)
        }
        _dialogController.result.connect(answered)
    }

    // Runs one save of the form and reports it; a save asked for while one
    // runs (the rows it rebuilds show the form anew) would store it twice.
    function save(store) {
        if (saving)
            return false
        saving = true
        var ok = false
        try {
            ok = store()
        } finally {
            saving = false
        }
        return saved(ok)
    }

    // Reports a save's outcome; a failed one puts the stored values back.
    function saved(ok) {
        if (!ok) {
            _dialogController.toast("Update failed!", _ui.icons.cancelIcon, _ui.lengthLong)
            if (view)
                view.reset()
        }
        if (tool && tool.mapView)
            tool.mapView.refreshCallout()
        return ok
    }

    Flickable {
        anchors.fill: parent
        contentHeight: content.height
        clip: true

        Column {
            id: content
            x: detailView.margin
            width: parent.width - 2 * detailView.margin
            spacing: detailView.margin
            Loader {
                id: loader
                width: parent.width
            }
            LocationDetails {
                objectName: "locationDetails"
                width: parent.width
                row: detailView.row
                visible: detailView.row !== null && detailView.row.dataType !== "Line"
            }
        }
    }

    Component { id: pointDetails; PointDetails { details: detailView } }
    Component { id: noteDetails; NoteDetails { details: detailView } }
    Component { id: lineDetails; LineDetails { details: detailView } }
    Component { id: imageDetails; ImageDetails { details: detailView } }
    Component { id: localityDetails; LocalityDetails { details: detailView } }
}
