import QtQuick 2.4
import "../Utils.js" as Utils

// A button showing the current choice of a list of entries (`label` and
// `value`); a tap drops the list down, a pick sets `currentIndex` and
// reports the entry's value.
ActionButton {
    id: picker

    property var model: []
    property int currentIndex: 0
    readonly property var value: Utils.field(model[currentIndex], "value", undefined)
    readonly property alias options: options

    signal valuePicked(var value)

    // Selects the entry with that value; an unknown value changes nothing.
    function setValue(value) {
        for (var i = 0; i < model.length; ++i) {
            if (Utils.field(model[i], "value", undefined) === value) {
                currentIndex = i
                return
            }
        }
    }

    implicitWidth: Utils.theme("buttonWidth", Utils.dp(33)) * 3
    label: Utils.field(model[currentIndex], "label", "")
    onButtonActivated: options.open()

    DropDownOptions {
        id: options
        anchorItem: picker
        model: picker.model
        currentIndex: picker.currentIndex
        onButtonActivated: {
            picker.currentIndex = index
            picker.valuePicked(picker.value)
        }
    }
}
