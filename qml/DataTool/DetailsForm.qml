import QtQuick 2.4

// What every detail form shares: the delete button, the tool-bar models and
// a move's report to the detail view. The form saves on `moved` itself.
Column {
    id: form

    property Item details: null
    // The form's move buttons; null where the entry is not moved from here.
    property QtObject moveButtons: null
    readonly property alias deleteButtons: deletes
    property var leftModel: moveButtons
    readonly property var rightModel: deletes

    // A move ended with the entry in a new place.
    signal moved()
    // A left button that is no move button ("Edit").
    signal editClicked()
    // The fields typed into, each with `text`, `changed`, `finish()`,
    // `editing()`, `cursor()` and `resume(cursor, text)`; the save of any one
    // takes them all.
    property var textFields: []

    spacing: details.margin

    function leftClicked(i) {
        if (!moveButtons || !moveButtons.click(i))
            editClicked()
    }
    function rightClicked() { deletes.click() }

    function typedField() {
        for (var i = 0; i < textFields.length; ++i) {
            if (textFields[i].editing())
                return textFields[i]
        }
        return null
    }
    // Saves what was typed and is not stored yet: once, as Return does.
    function commit() {
        for (var i = 0; i < textFields.length; ++i) {
            if (textFields[i].changed)
                return textFields[i].finish()
        }
    }
    function resume(name, cursor, text) {
        for (var i = 0; i < textFields.length; ++i) {
            if (textFields[i].objectName === name)
                textFields[i].resume(cursor, text)
        }
    }

    DeleteDataButtonModel { id: deletes; tool: form.details.tool; row: form.details.row }

    Connections {
        target: form.moveButtons
        function onMoveStarted() { form.details.moveStarted() }
        function onMoveEnded(moved) {
            form.details.moveEnded()
            if (moved)
                form.moved()
        }
    }
}
