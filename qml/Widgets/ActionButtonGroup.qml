import QtQuick 2.4
import "../Utils.js" as Utils

// A row (or, `vertical`, a column) of action buttons, one per model entry
// (a label, or an entry with `label`, `symbol` and optionally `enabled`).
Grid {
    id: group

    property var model: null
    property bool vertical: false
    property real buttonWidth: Utils.theme("buttonWidth", Utils.dp(33)) * 2.5
    property real buttonHeight: Utils.theme("buttonHeight", Utils.dp(40))
    property real buttonRadius: Utils.theme("buttonCornerRadius", Utils.dp(5))

    signal buttonActivated(int index)

    columns: vertical ? 1 : Math.max(1, repeater.count)
    spacing: Utils.theme("spacing", Utils.dp(8))

    Repeater {
        id: repeater
        model: group.model

        delegate: ActionButton {
            readonly property var entry: model.modelData !== undefined ? model.modelData : model

            width: group.buttonWidth
            height: group.buttonHeight
            radius: group.buttonRadius
            label: Utils.field(entry, "label", "")
            symbol: Utils.field(entry, "symbol", "")
            enabled: Utils.field(entry, "enabled", true)
            onButtonActivated: group.buttonActivated(index)
        }
    }
}
