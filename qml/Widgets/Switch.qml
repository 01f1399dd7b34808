import QtQuick 2.4
import "../Utils.js" as Utils

// An on/off switch: a click flips `checked`, the thumb slides over
// `thumbDuration` and the track changes colour over `colorDuration`.
Item {
    id: control

    property bool checked: false
    property int thumbDuration: Utils.theme("defaultAnimationDuration", 200)
    property int colorDuration: 200
    property color onColor: Utils.theme("activeButtonColor", "#006eb8")
    property color offColor: Utils.theme("listSeparatorColor", "#cccccc")
    readonly property real inset: Math.max(1, height * 0.1)

    signal clicked()

    implicitWidth: Utils.theme("buttonHeight", Utils.dp(40)) * 1.5
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40)) * 0.8

    Rectangle {
        id: track
        objectName: "track"
        anchors.fill: parent
        radius: height / 2
        color: control.checked ? control.onColor : control.offColor
        Behavior on color { ColorAnimation { duration: control.colorDuration } }
    }

    Rectangle {
        id: thumb
        objectName: "thumb"
        y: control.inset
        x: control.checked ? control.width - width - control.inset : control.inset
        width: height
        height: control.height - 2 * control.inset
        radius: height / 2
        color: "#ffffff"
        Behavior on x { NumberAnimation { duration: control.thumbDuration; easing.type: Easing.InOutQuad } }
    }

    MouseArea {
        anchors.fill: parent
        onClicked: {
            control.checked = !control.checked
            control.clicked()
        }
    }
}
