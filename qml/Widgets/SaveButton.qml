import QtQuick 2.4
import "../Utils.js" as Utils

// A "Reset" and a "Save" button side by side, each enabled by its flag.
Row {
    id: saveButton

    property bool canSave: false
    property bool canReset: false
    property real buttonWidth: Utils.theme("buttonWidth", Utils.dp(33)) * 2.5
    property real buttonHeight: Utils.theme("buttonHeight", Utils.dp(40))

    signal saveClicked()
    signal resetClicked()

    spacing: Utils.theme("spacing", Utils.dp(8))

    ActionButton {
        objectName: "resetButton"
        width: saveButton.buttonWidth
        height: saveButton.buttonHeight
        label: "Reset"
        enabled: saveButton.canReset
        onButtonActivated: saveButton.resetClicked()
    }

    ActionButton {
        objectName: "saveButton"
        width: saveButton.buttonWidth
        height: saveButton.buttonHeight
        label: "Save"
        fillColor: Utils.theme("activeButtonColor", "#006eb8")
        contentColor: "#ffffff"
        enabled: saveButton.canSave
        onButtonActivated: saveButton.saveClicked()
    }
}
