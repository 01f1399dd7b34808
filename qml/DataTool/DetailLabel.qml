import QtQuick 2.4
import "../Utils.js" as Utils

// A caption in a detail form.
Text {
    font.pixelSize: Utils.theme("smallText", Utils.dp(14))
    textFormat: Text.PlainText
    color: "#666666"
}
