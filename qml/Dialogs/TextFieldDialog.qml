import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// A text to write or edit. Done dismisses with 0 and the edited text stays
// in `text` for the caller; cancel dismisses with 1.
BaseDialog {
    id: dialog

    property alias text: textArea.text
    property alias font: textArea.font

    title: "Text"
    hasCancelButton: true

    onShownChanged: if (shown) textArea.textItem.forceActiveFocus()
    onDoneButtonClicked: dismiss(0)
    onCancelButtonClicked: dismiss(1)

    ExpandableTextArea {
        id: textArea
        objectName: "textArea"
        anchors.fill: parent
    }
}
