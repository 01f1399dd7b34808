import QtQuick 2.4
import "../Utils.js" as Utils

// A blue arc turning over a thin grey circle while visible.
Item {
    id: indicator

    property color arcColor: Utils.theme("kivLightBlue", "#009cde")
    property color trackColor: "#cccccc"
    property int turnDuration: 1500
    readonly property bool running: rotation.running

    implicitWidth: Utils.dp(48)
    implicitHeight: Utils.dp(48)

    Canvas {
        id: canvas
        anchors.centerIn: parent
        width: Math.min(indicator.width, indicator.height)
        height: width

        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            var centre = width / 2
            var radius = width * 0.4
            var lineWidth = Math.max(1, width * 0.08)

            ctx.lineWidth = Math.max(1, lineWidth / 4)
            ctx.strokeStyle = indicator.trackColor
            ctx.beginPath()
            ctx.arc(centre, centre, radius, 0, 2 * Math.PI, false)
            ctx.stroke()

            ctx.lineWidth = lineWidth
            ctx.lineCap = "round"
            ctx.strokeStyle = indicator.arcColor
            ctx.beginPath()
            ctx.arc(centre, centre, radius, 0, 0.9 * 2 * Math.PI, false)
            ctx.stroke()
        }
        onWidthChanged: requestPaint()

        RotationAnimator on rotation {
            id: rotation
            from: 0
            to: 360
            duration: indicator.turnDuration
            loops: Animation.Infinite
            running: indicator.visible
        }
    }
}
