import QtQuick 2.4
import "../Utils.js" as Utils

// The buttons of a message box: one per model row (roles label and result,
// optionally available), side by side, each reporting its result.
Item {
    id: bar

    property var model: null

    signal buttonClicked(int result)

    implicitHeight: Utils.theme("dialogButtonBarHeight", Utils.dp(44))

    Row {
        id: row
        anchors.centerIn: parent
        spacing: Utils.theme("spacing", Utils.dp(8))

        Repeater {
            model: bar.model
            delegate: ActionButton {
                height: bar.height - 2 * Utils.theme("smallMargin", Utils.dp(5))
                width: Math.max(Utils.theme("buttonWidth", Utils.dp(33)) * 2.5,
                                implicitLabelWidth + 2 * Utils.theme("margin", Utils.dp(10)))
                label: model.label
                enabled: model.available === undefined ? true : model.available
                labelSize: Utils.theme("mediumText", Utils.dp(18))
                onButtonActivated: bar.buttonClicked(model.result)

                property real implicitLabelWidth: labelMetrics.advanceWidth
                TextMetrics {
                    id: labelMetrics
                    text: model.label
                    font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                }
            }
        }
    }
}
