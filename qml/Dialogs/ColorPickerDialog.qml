import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// "Pick a color": starts from `color`; done reports the picked colour and
// dismisses with 0, cancel dismisses with 1 and reports nothing.
BaseDialog {
    id: dialog

    property color color: "#000000"
    readonly property alias picker: picker

    signal colorPicked(color color)

    title: "Pick a color"
    hasCancelButton: true
    // A colour typed, part typed or picked is only taken by done.
    keepsWindowOpen: picker.hexField.canUndo || !Qt.colorEqual(picker.color, color)
    defaultHeight: Utils.theme("panelWidth", Utils.dp(320)) * 0.6 + Utils.theme("buttonHeight", Utils.dp(40))
                   + Utils.dp(4) + 2 * Utils.theme("margin", Utils.dp(10))

    onColorChanged: picker.setColor(color)
    Component.onCompleted: picker.setColor(color)
    onDoneButtonClicked: {
        colorPicked(picker.color)
        dismiss(0)
    }
    onCancelButtonClicked: dismiss(1)

    ColorPicker {
        id: picker
        anchors.fill: parent
    }
}
