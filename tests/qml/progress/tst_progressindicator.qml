import QtQuick 2.4
import QtTest 1.2
import "qrc:/qml/Widgets"

Item {
    id: root
    width: 300
    height: 300

    Component {
        id: indicatorComponent
        ProgressIndicator {
            width: 200
            height: 200
            property int completedCount: 0
            property bool completedSuccessful: false
            function onCompleted(task) {
                completedSuccessful = task.successful
                completedCount += 1
            }
        }
    }

    SignalSpy {
        id: cancelSpy
        signalName: "cancelled"
    }

    TestCase {
        name: "ProgressIndicator"
        when: windowShown

        function make(properties) {
            var item = createTemporaryObject(indicatorComponent, root, properties)
            verify(item)
            return item
        }

        function near(colour, expected) {
            var e = Qt.lighter(expected, 1.0)
            return Math.abs(colour.r - e.r) * 255 <= 16 && Math.abs(colour.g - e.g) * 255 <= 16
                    && Math.abs(colour.b - e.b) * 255 <= 16
        }

        function test_percentText() {
            var item = make({progress: 50})
            compare(findChild(item, "percentage").text, "50%")
        }

        function test_cancelHintOnlyWhileCancellable() {
            var item = make({canCancel: false})
            var hint = findChild(item, "cancelHint")
            verify(!hint.visible)
            item.canCancel = true
            verify(hint.visible)
            compare(hint.text, "Tap to Cancel")
        }

        function test_tapCancels() {
            var item = make({canCancel: true})
            cancelSpy.clear()
            cancelSpy.target = item
            _taskSupport.takeDebugLines()
            mouseClick(item)
            compare(cancelSpy.count, 1)
            verify(_taskSupport.takeDebugLines().indexOf("cancelling") >= 0)
        }

        // The ring is centred in the 200 pixel square with radius 80.
        function test_arcCoversAQuarterTurn() {
            var item = make({progress: 25})
            var offset = 80 * Math.SQRT1_2
            tryVerify(function() {
                var image = grabImage(item)
                return near(image.pixel(100 + offset, 100 - offset), "#009cde")
                        && near(image.pixel(100 + offset, 100 + offset), "#e8e8e8")
            }, 3000)
        }

        function test_drivenByTheRunner() {
            var item = make({})
            _taskSupport.start(item, 40)
            tryCompare(item, "progress", 40)
            verify(item.running)
            verify(item.canCancel)
            compare(findChild(item, "percentage").text, "40%")
            _taskSupport.release()
            tryCompare(item, "completedCount", 1)
            verify(item.completedSuccessful)
            verify(!item.running)
            wait(100)
            compare(item.completedCount, 1)
        }
    }
}
