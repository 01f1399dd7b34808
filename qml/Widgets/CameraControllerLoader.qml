import QtQuick 2.4

// The viewfinder, loaded on the first start. Hiding keeps the camera loaded;
// a cancel unloads it. A camera that cannot be used is reported and toasted.
ScreenLayer {
    id: controller

    property bool shown: false
    readonly property var cameraUI: loader.item

    signal captured(string imagePath)
    signal cancelled()
    signal deviceIdChanged(string deviceId)
    signal unavailable()

    function start() {
        loader.active = true
        if (!loader.item) {
            reportUnavailable()
            return
        }
        shown = true
        loader.item.start()
    }

    function shutdown() {
        shown = false
    }

    function cancel() {
        cancelled()
        shown = false
        loader.active = false
    }

    function reportUnavailable() {
        unavailable()
        shutdown()
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastError("Camera is not available")
    }

    visible: shown

    // The map under the viewfinder takes none of its taps or wheel turns.
    CoverArea { }

    Loader {
        id: loader
        anchors.fill: parent
        active: false
        source: "CameraUI.qml"
        onLoaded: item.active = Qt.binding(function() { return controller.shown })
    }

    Connections {
        target: loader.item
        ignoreUnknownSignals: true
        function onCaptured(imagePath) {
            controller.captured(imagePath)
            controller.shutdown()
        }
        function onCancelled() {
            controller.cancelled()
            controller.shutdown()
        }
        function onDeviceIdChanged() { controller.deviceIdChanged(loader.item.deviceId) }
        function onUnavailable() { controller.reportUnavailable() }
    }
}
