import QtQuick 2.4
import "../Utils.js" as Utils

// A dial slider: the value runs clockwise along a three-quarter ring that
// opens at the bottom.
SimpleSlider {
    id: slider

    readonly property real startAngle: 135      // degrees clockwise from +x
    readonly property real sweep: 270
    readonly property real ringRadius: (Math.min(width, height) - handleSize) / 2

    function angleAt(fraction) {
        return (startAngle + fraction * sweep) * Math.PI / 180
    }

    // A point in the gap at the bottom counts as the nearer end.
    function fractionAt(x, y) {
        var degrees = Math.atan2(y - height / 2, x - width / 2) * 180 / Math.PI
        var along = (degrees - startAngle + 720) % 360
        if (along > sweep)
            return along > sweep + (360 - sweep) / 2 ? 0 : 1
        return along / sweep
    }

    showTrack: false
    implicitWidth: Utils.theme("buttonHeight", Utils.dp(40)) * 2
    implicitHeight: implicitWidth
    handleSize: Math.min(width, height) * 0.25
    handleCentreX: width / 2 + ringRadius * Math.cos(angleAt(position))
    handleCentreY: height / 2 + ringRadius * Math.sin(angleAt(position))
    onPositionChanged: ring.requestPaint()
    onFillColorChanged: ring.requestPaint()

    Canvas {
        id: ring
        anchors.fill: parent

        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            ctx.lineWidth = Math.max(1, slider.handleSize * 0.3)
            ctx.lineCap = "round"
            ctx.strokeStyle = slider.trackColor
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, slider.ringRadius, slider.angleAt(0), slider.angleAt(1), false)
            ctx.stroke()
            ctx.strokeStyle = slider.fillColor
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, slider.ringRadius, slider.angleAt(0),
                    slider.angleAt(slider.position), false)
            ctx.stroke()
        }
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
    }
}
