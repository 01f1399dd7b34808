import QtQuick 2.4
import "../Utils.js" as Utils

// A slider whose track widens from left to right, for sizes and
// thicknesses; the part up to the handle is filled.
SimpleSlider {
    id: slider

    showTrack: false
    onPositionChanged: wedge.requestPaint()
    onFillColorChanged: wedge.requestPaint()

    Canvas {
        id: wedge
        anchors.verticalCenter: parent.verticalCenter
        x: slider.handleSize / 2
        width: Math.max(1, parent.width - slider.handleSize)
        height: Math.max(1, slider.handleSize * 0.8)

        function outline(ctx, length) {
            ctx.beginPath()
            ctx.moveTo(0, height / 2)
            ctx.lineTo(length, height / 2 - height / 2 * length / width)
            ctx.lineTo(length, height / 2 + height / 2 * length / width)
            ctx.closePath()
        }

        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            ctx.fillStyle = slider.trackColor
            outline(ctx, width)
            ctx.fill()
            ctx.fillStyle = slider.fillColor
            outline(ctx, slider.position * width)
            ctx.fill()
        }
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
    }
}
