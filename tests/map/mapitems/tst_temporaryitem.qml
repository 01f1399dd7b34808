import QtQuick 2.4
import QtTest 1.2
import quarzel.touch 1.0

// The temporary marker without a map: drawing, states and the drag handle.
TestCase {
    id: testCase
    name: "TemporaryItem"
    width: 800
    height: 600
    visible: true
    when: windowShown

    property var marker: null
    property var controller: null

    SignalSpy { id: pressedSpy; signalName: "pressed" }
    SignalSpy { id: movedSpy; signalName: "moved" }
    SignalSpy { id: releasedSpy; signalName: "released" }

    function child(name) {
        var item = findChild(marker, name)
        verify(item !== null, name)
        return item
    }

    function cleanup() {
        controller = null
    }

    function init() {
        var component = Qt.createComponent("qrc:/qml/TemporaryItem.qml")
        compare(component.status, Component.Ready, component.errorString())
        marker = createTemporaryObject(component, testCase)
        verify(marker !== null)
        // The controller is no visual child: look among the resources.
        for (var i = 0; i < marker.resources.length; ++i) {
            if (marker.resources[i].objectName === "controller")
                controller = marker.resources[i]
        }
        verify(controller !== null)
        for (var spy of [pressedSpy, movedSpy, releasedSpy]) {
            spy.target = marker
            spy.clear()
        }
    }

    function centreOf(item) {
        return item.mapToItem(testCase, item.width / 2, item.height / 2)
    }

    function test_followsTheControllersScreenPosition() {
        marker.activateForManualGpsLocation()
        controller.setScreenPosition(Qt.point(300, 250))
        var centre = centreOf(marker)
        fuzzyCompare(centre.x, 300, 0.01)
        fuzzyCompare(centre.y, 250, 0.01)
        tryCompare(marker, "opacity", 1)
        // A tool going while the position bar holds it leaves it to the bar.
        marker.deactivate()
        verify(marker.visible)
        marker.handBack()
        tryCompare(marker, "visible", false)
    }

    function test_dragUnlocksAndReports() {
        marker.activateForManualGpsLocation()
        controller.setScreenPosition(Qt.point(300, 250))
        verify(marker.lockedToGps)
        tryCompare(marker, "opacity", 1)
        var start = centreOf(child("handle"))
        mousePress(testCase, start.x, start.y)
        verify(!marker.lockedToGps)
        verify(!controller.lockedToWorldPosition)
        compare(pressedSpy.count, 1)
        compare(pressedSpy.signalArguments[0][0], 300)
        compare(pressedSpy.signalArguments[0][1], 250)
        compare(pressedSpy.signalArguments[0][2], Qt.LeftButton)
        for (var step = 1; step <= 4; ++step) {
            mouseMove(testCase, start.x + 10 * step, start.y + 5 * step)
            var centre = centreOf(marker)
            compare(movedSpy.count, step)
            fuzzyCompare(movedSpy.signalArguments[step - 1][0], centre.x, 0.01)
            fuzzyCompare(movedSpy.signalArguments[step - 1][1], centre.y, 0.01)
            fuzzyCompare(controller.screenPosition.x, centre.x, 0.01)
        }
        verify(centreOf(marker).x > 300)
        mouseRelease(testCase, start.x + 40, start.y + 20)
        compare(releasedSpy.count, 1)
        compare(releasedSpy.signalArguments[0][3], false)
    }

    function test_ringColour_data() {
        return [
            { tag: "stylus", stylus: true, gps: true, colour: "green" },
            { tag: "gps", stylus: false, gps: true, colour: _ui.kivLightBlue },
            { tag: "free", stylus: false, gps: false, colour: _ui.kivRed }
        ]
    }

    function test_ringColour(data) {
        marker.activateForManualGpsLocation()
        marker.reticuleColor = "green"
        marker.stylusMode = data.stylus
        if (!data.gps)
            marker.setScreenPosition(Qt.point(100, 100))
        verify(Qt.colorEqual(child("ring").border.color, data.colour), String(child("ring").border.color))
    }

    function test_symbol() {
        var symbol = child("symbol")
        marker.activateForDataLocation()
        marker.symbolId = 3
        tryCompare(marker, "opacity", 1)
        verify(symbol.visible)
        compare(symbol.iconId, 3)
        fuzzyCompare(symbol.x + symbol.width / 2, marker.width / 2, 0.01)
        marker.symbolId = Project.Annotation
        fuzzyCompare(symbol.x, marker.width / 2 - 0.175 * symbol.width, 0.01)
        fuzzyCompare(symbol.y, marker.height / 2 - 0.175 * symbol.width, 0.01)
        marker.deactivate()
        compare(marker.symbolId, -1)
        verify(!symbol.visible)
        verify(Qt.colorEqual(marker.symbolColor, "black"))
    }

    function test_sensorsFollowThePlaneFlag_data() {
        return [ { tag: "plane", plane: true }, { tag: "line", plane: false } ]
    }

    function test_sensorsFollowThePlaneFlag(data) {
        marker.sensorDip = 30
        marker.sensorDipAzimuth = 120
        marker.sensorPlunge = 12
        marker.sensorPlungeAzimuth = 250
        marker.isPlane = data.plane
        marker.resetSensors()
        compare(marker.symbolDip, data.plane ? 30 : 12)
        compare(marker.symbolAzimuth, data.plane ? 120 : 250)
        marker.sensorDip = 31
        marker.sensorPlunge = 13
        compare(marker.symbolDip, data.plane ? 31 : 13)
    }
}
