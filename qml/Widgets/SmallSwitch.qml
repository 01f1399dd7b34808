import QtQuick 2.4
import "../Utils.js" as Utils

// A compact switch for list rows, quicker in every animation.
Switch {
    thumbDuration: Utils.theme("fastAnimationDuration", 100)
    colorDuration: Utils.theme("fastAnimationDuration", 100)
    implicitWidth: Utils.theme("buttonHeight", Utils.dp(40))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40)) * 0.55
}
