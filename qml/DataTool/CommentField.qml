import QtQuick 2.4
import "../Utils.js" as Utils

// A text that is saved once its edit is finished and it differs: Return or
// the field losing focus emit `edited`; the form asks `changed` when it goes.
Rectangle {
    id: field
    property string stored: ""
    property alias text: input.text
    property string placeholder: ""
    property real margin: Utils.theme("innerMargin", Utils.dp(8))
    // The stored text as the field gives it back: the text edit turns some
    // characters (line separators, no-break spaces) into others, and an
    // untouched text must not count as changed.
    property string untouched: ""
    readonly property bool changed: input.text !== untouched
    signal edited(string text)

    function reset() {
        input.text = stored
        untouched = input.text
    }
    // Typing goes on here, with its text where the cursor was: the form is
    // made anew after a save, and the rows rebuilt by a change elsewhere.
    function resume(cursor, text) {
        input.text = text
        input.forceActiveFocus()
        input.cursorPosition = Math.min(cursor, input.length)
    }
    function cursor() { return input.cursorPosition }
    // Read at once: a binding on the focus can lag behind a focus change.
    function editing() { return input.activeFocus }

    width: parent ? parent.width : 0
    height: Math.max(Utils.theme("buttonHeight", Utils.dp(40)), input.contentHeight + 2 * margin)
    border.color: Utils.theme("listSeparatorColor", "#cccccc")
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    onStoredChanged: reset()
    Component.onCompleted: reset()

    TextEdit {
        id: input
        objectName: "commentInput"
        anchors.fill: parent
        anchors.margins: field.margin
        textFormat: TextEdit.PlainText
        wrapMode: TextEdit.Wrap
        font.pixelSize: Utils.theme("inputText", Utils.dp(18))
        onActiveFocusChanged: if (!activeFocus) field.finish()
        Keys.onReturnPressed: focus = false
    }
    Text {
        anchors.fill: input
        visible: input.text === "" && !input.activeFocus
        text: field.placeholder
        color: "#999999"
        font.pixelSize: input.font.pixelSize
    }

    function finish() {
        if (changed)
            edited(input.text)
    }
}
