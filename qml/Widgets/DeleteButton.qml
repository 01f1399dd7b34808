import QtQuick 2.4
import "../Utils.js" as Utils

// Deleting takes two taps: the first turns the button red with its
// confirmation label, a second one within `confirmDelay` emits
// `deleteActivated`; otherwise it falls back by itself.
ActionButton {
    id: button

    property string confirmLabel: "Delete Project"
    property int confirmDelay: Utils.theme("deleteConfirmDelay", 2000)
    readonly property bool confirming: confirmTimer.running
    readonly property color confirmColor: Utils.theme("kivRed", "#dd052b")

    signal deleteActivated()

    // Drops a pending confirmation.
    function reset() {
        confirmTimer.stop()
    }

    symbol: confirming ? "" : "deleteIcon"
    label: confirming ? confirmLabel : ""
    fillColor: confirming ? confirmColor : "#ffffff"
    borderColor: confirming ? confirmColor : Utils.theme("kivBlue", "#006eb8")
    contentColor: confirming ? "#ffffff" : Utils.theme("normalIconColor", "#006eb8")
    implicitWidth: confirming ? Math.max(Utils.theme("buttonWidth", Utils.dp(33)),
                                         labelMetrics.advanceWidth + 2 * Utils.theme("margin", Utils.dp(10)))
                              : Utils.theme("buttonWidth", Utils.dp(33))

    onButtonActivated: {
        if (confirmTimer.running) {
            confirmTimer.stop()
            deleteActivated()
        } else {
            confirmTimer.start()
        }
    }
    onEnabledChanged: if (!enabled) reset()

    Timer {
        id: confirmTimer
        interval: button.confirmDelay
    }

    TextMetrics {
        id: labelMetrics
        text: button.confirmLabel
        font.pixelSize: Math.max(1, button.labelSize)
    }
}
