import QtQuick 2.4
import "../../Utils.js" as Utils

// The label in front of a field of the project screen.
Text {
    width: Utils.dp(90)
    height: Utils.theme("buttonHeight", Utils.dp(40))
    verticalAlignment: Text.AlignVCenter
    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
    color: Utils.theme("kivGrey", "#565757")
}
