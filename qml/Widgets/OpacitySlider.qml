import QtQuick 2.4
import "../Utils.js" as Utils

// A slider from transparent to opaque: the track fades `color` in over a
// checkerboard.
SimpleSlider {
    id: slider

    property color color: Utils.theme("kivBlue", "#006eb8")

    showTrack: false
    onColorChanged: track.requestPaint()

    Canvas {
        id: track
        anchors.verticalCenter: parent.verticalCenter
        x: slider.handleSize / 2
        width: Math.max(1, parent.width - slider.handleSize)
        height: Math.max(1, slider.handleSize * 0.6)

        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            var cell = height / 2
            for (var x = 0; x * cell < width; ++x) {
                for (var y = 0; y < 2; ++y) {
                    ctx.fillStyle = (x + y) % 2 ? "#cccccc" : "#ffffff"
                    ctx.fillRect(x * cell, y * cell, cell, cell)
                }
            }
            var fade = ctx.createLinearGradient(0, 0, width, 0)
            fade.addColorStop(0, Qt.rgba(slider.color.r, slider.color.g, slider.color.b, 0))
            fade.addColorStop(1, Qt.rgba(slider.color.r, slider.color.g, slider.color.b, 1))
            ctx.fillStyle = fade
            ctx.fillRect(0, 0, width, height)
        }
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
    }
}
