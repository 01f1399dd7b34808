import QtQuick 2.4
import QtTest 1.1
import QtMultimedia 5.15
import "qrc:/qml/Widgets"

// The camera widgets on a machine without a camera.
TestCase {
    id: testCase
    visible: true
    name: "Camera"
    width: 400
    height: 300
    when: windowShown

    CameraControllerLoader {
        id: loader
        anchors.fill: parent
    }

    CameraController {
        id: controller
        anchors.fill: parent
    }

    SignalSpy { id: loaderUnavailable; target: loader; signalName: "unavailable" }
    SignalSpy { id: controllerUnavailable; target: controller; signalName: "unavailable" }
    SignalSpy { id: cancelled; target: loader; signalName: "cancelled" }

    function initTestCase() {
        if (QtMultimedia.availableCameras.length > 0)
            skip("this machine has a camera")
        _dialogController.toastReady = true
    }

    function test_loaderReportsAMissingCamera() {
        loader.start()
        compare(loaderUnavailable.count, 1)
        verify(!loader.shown)
        verify(loader.cameraUI !== null)
        tryCompare(_dialogController, "toastMessage", "Camera is not available")
        loader.cancel()
        compare(cancelled.count, 1)
        compare(loader.cameraUI, null)
    }

    function test_controllerReportsWithoutToast() {
        _dialogController.dismissToast()
        controller.start()
        compare(controllerUnavailable.count, 1)
        verify(!controller.shown)
        compare(_dialogController.toastMessage, "")
    }
}
