import QtQuick 2.4
import "../Utils.js" as Utils

// Three bars that fold into a back arrow while `back` is set.
Item {
    id: button

    property bool back: false
    property color color: Utils.theme("normalIconColor", "#006eb8")
    property color pressedColor: Utils.theme("pressedIconColor", "#009cde")
    readonly property bool pressed: mouseArea.pressed
    readonly property int duration: Utils.theme("defaultAnimationDuration", 200)

    signal clicked()

    implicitWidth: Utils.theme("toolBarWidth", Utils.dp(46))
    implicitHeight: implicitWidth

    Item {
        id: bars
        anchors.centerIn: parent
        width: Math.min(parent.width, parent.height) * 0.5
        height: width * 0.8
        readonly property real barHeight: Math.max(1, height * 0.16)

        Repeater {
            model: 3
            delegate: Rectangle {
                // The outer bars shorten and turn about their left ends,
                // where they meet as the arrow's head.
                readonly property int side: index - 1
                transformOrigin: Item.Left
                y: (bars.height - bars.barHeight) / 2 + (button.back ? 0 : side * bars.height * 0.42)
                width: button.back && side !== 0 ? bars.width * 0.6 : bars.width
                height: bars.barHeight
                radius: height / 2
                rotation: button.back ? side * 40 : 0
                color: button.pressed ? button.pressedColor : button.color
                Behavior on y { NumberAnimation { duration: button.duration } }
                Behavior on width { NumberAnimation { duration: button.duration } }
                Behavior on rotation { NumberAnimation { duration: button.duration } }
            }
        }
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
