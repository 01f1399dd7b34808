import QtQuick 2.4
import QtMultimedia 5.15
import quarzel.touch 1.0
import "../Utils.js" as Utils

// The viewfinder: the camera's picture, a shutter, a flip to the next camera
// and a way out. A saved picture is announced by its file path.
Rectangle {
    id: cameraUI

    // The picture shows only while the owning tool has the viewfinder up.
    property bool active: false
    property int cameraIndex: 0
    // Errors count only once the camera was asked to run.
    property bool started: false
    readonly property var cameras: QtMultimedia.availableCameras
    readonly property alias camera: camera
    readonly property string deviceId: camera.deviceId
    readonly property real buttonSize: Utils.theme("buttonHeight", Utils.dp(40)) * 1.5
    readonly property var compassClino: (typeof _appManager !== "undefined" && _appManager)
                                        ? _appManager.compassClino : null

    signal captured(string imagePath)
    signal cancelled()
    signal unavailable()

    function isAvailable() {
        return cameras.length > 0 && camera.availability === Camera.Available
    }

    // Starts the camera and the compass, whose bearing goes with the picture.
    function start() {
        if (!isAvailable()) {
            reportUnavailable()
            return
        }
        started = true
        var clino = (typeof _appManager !== "undefined" && _appManager) ? _appManager.compassClino : null
        if (clino) {
            clino.emitBearingUpdates = true
            clino.startUpdates()
        }
        camera.start()
    }

    function stop() {
        started = false
        camera.stop()
    }

    function reportUnavailable() {
        started = false
        unavailable()
    }

    // The next camera of the list, back to the first after the last.
    function flip() {
        if (cameras.length < 2)
            return
        cameraIndex = (cameraIndex + 1) % cameras.length
        camera.deviceId = cameras[cameraIndex].deviceId
    }

    color: "#000000"

    Camera {
        id: camera
        captureMode: Camera.CaptureStillImage
        cameraState: Camera.LoadedState
        imageCapture.onImageSaved: cameraUI.captured(path)
        onError: if (cameraUI.started) cameraUI.reportUnavailable()
    }

    VideoOutput {
        objectName: "viewfinder"
        anchors.fill: parent
        source: camera
        autoOrientation: true
        fillMode: VideoOutput.PreserveAspectCrop
        visible: cameraUI.active
    }

    // The bearing that goes with the picture.
    ButtonCompassItem {
        objectName: "cameraCompass"
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.margins: Utils.theme("innerMargin", Utils.dp(8))
        width: Utils.dp(64)
        height: width
        opacity: 0.7
        visible: cameraUI.compassClino !== null && cameraUI.compassClino.hasRequiredSensors
        bearing: cameraUI.compassClino ? cameraUI.compassClino.bearing : -1
    }

    Column {
        anchors.right: parent.right
        anchors.rightMargin: Utils.theme("innerMargin", Utils.dp(8))
        anchors.verticalCenter: parent.verticalCenter
        spacing: Utils.theme("spacing", Utils.dp(8))

        ActionButton {
            objectName: "cancelButton"
            width: cameraUI.buttonSize
            height: width
            radius: width / 2
            symbol: "cancelIcon"
            onButtonActivated: cameraUI.cancelled()
        }

        ActionButton {
            objectName: "shutterButton"
            width: cameraUI.buttonSize
            height: width
            radius: width / 2
            symbol: "cameraIcon"
            enabled: camera.imageCapture.ready
            onButtonActivated: camera.imageCapture.capture()
        }

        ActionButton {
            objectName: "flipButton"
            width: cameraUI.buttonSize
            height: width
            radius: width / 2
            symbol: "cameraRotateIcon"
            enabled: cameraUI.cameras.length > 1
            onButtonActivated: cameraUI.flip()
        }
    }
}
