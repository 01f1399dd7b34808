import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// A text to write or edit. Done reports the edited text (the dialog is gone
// by the time the controller's result arrives) and dismisses with 0; cancel
// dismisses with 1.
BaseDialog {
    id: dialog

    property alias text: textArea.text
    property alias font: textArea.font

    signal accepted(string text)

    title: "Text"
    hasCancelButton: true
    // The text given to the dialog leaves nothing to undo; what is typed does.
    keepsWindowOpen: textArea.textItem.canUndo

    onShownChanged: if (shown) textArea.textItem.forceActiveFocus()
    onDoneButtonClicked: {
        accepted(text)
        dismiss(0)
    }
    onCancelButtonClicked: dismiss(1)

    ExpandableTextArea {
        id: textArea
        objectName: "textArea"
        anchors.fill: parent
    }
}
