import QtQuick 2.4
import "../Utils.js" as Utils

// A glyph button of the dialog header; the glyph takes the pressed colour
// while held.
Item {
    id: button

    property string symbol: ""          // semantic icon name or a glyph
    property color normalColor: Utils.theme("normalIconColor", "#006eb8")
    property color pressedColor: Utils.theme("pressedIconColor", "#009cde")
    readonly property bool pressed: mouseArea.pressed

    signal clicked()

    implicitWidth: Utils.theme("buttonHeight", Utils.dp(40))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))

    Text {
        anchors.centerIn: parent
        text: Utils.icon(button.symbol)
        font.family: Utils.iconFontFamily()
        font.pixelSize: Math.max(1, button.height * 0.6)
        color: button.pressed ? button.pressedColor : button.normalColor
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
