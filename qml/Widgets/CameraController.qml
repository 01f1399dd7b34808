import QtQuick 2.4

// The viewfinder kept loaded: start shows it and starts the camera, shutdown
// and cancel hide it.
Item {
    id: controller

    property bool shown: false
    readonly property alias cameraUI: cameraUI

    signal captured(string imagePath)
    signal cancelled()
    signal unavailable()

    function start() {
        shown = true
        cameraUI.start()
    }

    function shutdown() {
        shown = false
    }

    function cancel() {
        cancelled()
        shutdown()
    }

    visible: shown

    CameraUI {
        id: cameraUI
        anchors.fill: parent
        active: controller.shown
        onCaptured: {
            controller.captured(imagePath)
            controller.shutdown()
        }
        onCancelled: controller.cancel()
        onUnavailable: {
            controller.unavailable()
            controller.shutdown()
        }
    }
}
