import QtQuick 2.4
import "../Utils.js" as Utils

// The progress of a background task as a ring filling clockwise from the
// top. The task runner sets running, canCancel, progress and caption; the
// dialog that holds it defines onCompleted(task), which the runner calls.
Item {
    id: indicator

    property bool running: false
    property bool canCancel: false
    property int progress: 0
    property string caption: ""
    readonly property real squareWidth: Math.min(width, height)
    property int fps: 25

    signal cancelled()

    property color trackColor: Utils.theme("inactiveButtonColor", "#e8e8e8")
    property color arcColor: Utils.theme("kivLightBlue", "#009cde")

    onProgressChanged: canvas.requestPaint()

    Canvas {
        id: canvas
        anchors.centerIn: parent
        width: indicator.squareWidth
        height: indicator.squareWidth

        onPaint: {
            var ctx = getContext("2d")
            ctx.reset()
            var centre = width / 2
            var radius = width * 0.4
            var top = -Math.PI / 2

            ctx.lineWidth = Utils.dp(4)
            ctx.strokeStyle = indicator.trackColor
            ctx.beginPath()
            ctx.arc(centre, centre, radius, 0, 2 * Math.PI, false)
            ctx.stroke()

            ctx.lineWidth = Utils.dp(2)
            ctx.strokeStyle = indicator.arcColor
            ctx.beginPath()
            ctx.arc(centre, centre, radius, top, top + 2 * Math.PI * indicator.progress / 100, false)
            ctx.stroke()
        }
        onWidthChanged: requestPaint()
    }

    Text {
        id: percentage
        objectName: "percentage"
        anchors.centerIn: canvas
        text: indicator.progress + "%"
        color: indicator.trackColor
        font.pixelSize: Math.max(1, indicator.squareWidth / 4)
    }

    Text {
        id: cancelHint
        objectName: "cancelHint"
        visible: indicator.canCancel
        anchors.horizontalCenter: canvas.horizontalCenter
        anchors.bottom: canvas.bottom
        anchors.bottomMargin: canvas.height / 4
        text: "Tap to Cancel"
        color: indicator.trackColor
        font.pixelSize: Utils.theme("smallText", Utils.dp(14))
    }

    // A task that cannot be cancelled is not offered the tap.
    MouseArea {
        anchors.fill: canvas
        enabled: indicator.canCancel
        onClicked: {
            console.log("cancelling")
            indicator.cancelled()
        }
    }
}
