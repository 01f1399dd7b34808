import QtQuick 2.4
import "../Utils.js" as Utils

// The saturation (left to right) and value (bottom to top) plane of one
// hue; a press or drag picks a point of it.
Item {
    id: box

    property real hue: 0
    property real saturation: 1
    property real brightness: 1

    signal picked(real saturation, real brightness)

    function pickAt(x, y) {
        picked(Math.min(1, Math.max(0, x / Math.max(1, width))),
               Math.min(1, Math.max(0, 1 - y / Math.max(1, height))))
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.6
    implicitHeight: implicitWidth

    Rectangle {
        anchors.fill: parent
        color: Qt.hsva(box.hue, 1, 1, 1)
    }

    // White fading to the right: the rectangle's vertical gradient turned
    // a quarter anticlockwise.
    Rectangle {
        anchors.centerIn: parent
        width: parent.height
        height: parent.width
        rotation: -90
        gradient: Gradient {
            GradientStop { position: 0; color: "#ffffffff" }
            GradientStop { position: 1; color: "#00ffffff" }
        }
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0; color: "#00000000" }
            GradientStop { position: 1; color: "#ff000000" }
        }
    }

    Rectangle {
        objectName: "marker"
        x: box.saturation * box.width - width / 2
        y: (1 - box.brightness) * box.height - height / 2
        width: Utils.dp(14)
        height: width
        radius: width / 2
        color: "transparent"
        border.width: Utils.dp(2)
        border.color: box.brightness > 0.5 ? "#000000" : "#ffffff"
    }

    MouseArea {
        anchors.fill: parent
        preventStealing: true
        onPressed: box.pickAt(mouse.x, mouse.y)
        onPositionChanged: box.pickAt(mouse.x, mouse.y)
    }
}
