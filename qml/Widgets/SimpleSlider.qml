import QtQuick 2.4
import "../Utils.js" as Utils

// A horizontal value slider. The other sliders reuse its value handling and
// replace `fractionAt`, the handle position or the track.
Item {
    id: slider

    property real value: 0
    property real minimumValue: 0
    property real maximumValue: 1
    property real stepSize: 0           // 0: continuous
    property color fillColor: Utils.theme("activeButtonColor", "#006eb8")
    property color trackColor: Utils.theme("inactiveButtonColor", "#e8e8e8")
    property bool showTrack: true
    readonly property bool pressed: mouseArea.pressed
    // Where the value lies between minimum (0) and maximum (1).
    readonly property real position: maximumValue > minimumValue
                                     ? (Math.min(maximumValue, Math.max(minimumValue, value)) - minimumValue)
                                       / (maximumValue - minimumValue)
                                     : 0
    property real handleSize: Math.min(height, Utils.theme("buttonHeight", Utils.dp(40)) * 0.6)
    property real handleCentreX: handleSize / 2 + position * (width - handleSize)
    property real handleCentreY: height / 2

    // The finger has let go: the value it left is the one meant.
    signal settled()

    // The fraction of the range at a point of the slider.
    function fractionAt(x, y) {
        return (x - handleSize / 2) / Math.max(1, width - handleSize)
    }

    // The value at a fraction, clamped to the range and snapped to the step.
    function valueAt(fraction) {
        var f = Math.min(1, Math.max(0, fraction))
        var v = minimumValue + f * (maximumValue - minimumValue)
        if (stepSize > 0)
            v = minimumValue + Math.round((v - minimumValue) / stepSize) * stepSize
        // Drops the binary noise of the step arithmetic (0.30000000000000004).
        v = parseFloat(v.toFixed(10))
        return Math.min(maximumValue, Math.max(minimumValue, v))
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.6
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))

    Rectangle {
        visible: slider.showTrack
        anchors.verticalCenter: parent.verticalCenter
        x: slider.handleSize / 2
        width: parent.width - slider.handleSize
        height: Utils.dp(4)
        radius: height / 2
        color: slider.trackColor

        Rectangle {
            width: slider.position * parent.width
            height: parent.height
            radius: parent.radius
            color: slider.fillColor
        }
    }

    Rectangle {
        id: handle
        objectName: "handle"
        x: slider.handleCentreX - width / 2
        y: slider.handleCentreY - height / 2
        z: 1
        width: slider.handleSize
        height: width
        radius: width / 2
        color: slider.pressed ? Utils.theme("pressedButtonColor", "#009cde") : "#ffffff"
        border.color: slider.fillColor
        border.width: Utils.dp(2)
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        z: 2
        preventStealing: true
        onPressed: slider.value = slider.valueAt(slider.fractionAt(mouse.x, mouse.y))
        onPositionChanged: slider.value = slider.valueAt(slider.fractionAt(mouse.x, mouse.y))
        onReleased: slider.settled()
        onCanceled: slider.settled()
    }
}
