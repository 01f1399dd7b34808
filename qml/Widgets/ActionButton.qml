import QtQuick 2.4
import "../Utils.js" as Utils

// A rounded button with a glyph of the icon font, an optional image and an
// optional label.
Rectangle {
    id: button

    property string symbol: ""          // semantic icon name or a glyph
    property url imageSource: ""
    property string label: ""
    property color borderColor: Utils.theme("kivBlue", "#006eb8")
    property color contentColor: Utils.theme("normalIconColor", "#006eb8")
    property color fillColor: "#ffffff"
    property color pressedColor: Utils.theme("pressedButtonColor", "#009cde")
    property color disabledTint: Utils.theme("buttonDisabledTint", "#80ffffff")
    property real symbolSize: height * 0.5
    property real labelSize: Utils.theme("smallText", Utils.dp(14))
    readonly property bool pressed: mouseArea.pressed

    signal buttonActivated()

    implicitWidth: Utils.theme("buttonWidth", Utils.dp(33))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    border.width: Utils.theme("buttonBorderWidth", 1)
    border.color: borderColor
    color: pressed ? pressedColor : fillColor

    Column {
        anchors.centerIn: parent
        spacing: Utils.dp(2)

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: button.symbol !== ""
            text: Utils.icon(button.symbol)
            font.family: Utils.iconFontFamily()
            font.pixelSize: Math.max(1, button.symbolSize)
            color: button.pressed ? button.fillColor : button.contentColor
        }

        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: button.imageSource != ""
            source: button.imageSource
            sourceSize.height: button.height * 0.5
            fillMode: Image.PreserveAspectFit
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: button.label !== ""
            text: button.label
            font.pixelSize: Math.max(1, button.labelSize)
            color: button.pressed ? button.fillColor : button.contentColor
        }
    }

    // Pale veil over a disabled button.
    Rectangle {
        anchors.fill: parent
        radius: parent.radius
        visible: !button.enabled
        color: button.disabledTint
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: button.buttonActivated()
    }
}
