import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The notebook beside a stand-in map, with planes, a line, a note and a
// photo, in its list and detail layouts; the grabs are kept for review.
TestCase {
    id: testCase
    visible: true
    name: "Notebook"
    width: 800
    height: 700
    when: windowShown

    Rectangle {
        id: map
        anchors.fill: parent
        color: "#c8d8b0"
        property int viewFilter: 7
        property string selectedItemId: ""
        property var temporaryItem: null
        function clearPickedItemList() {}
        function refreshCallout() {}
    }

    ImageToolManager { id: images }

    function distinctColours(image, width, height) {
        var colours = {}
        var count = 0
        for (var x = 0; x < width; x += 4) {
            for (var y = 0; y < height; y += 4) {
                var key = String(image.pixel(x, y))
                if (!colours[key]) {
                    colours[key] = true
                    ++count
                }
            }
        }
        return count
    }

    function test_listAndDetail() {
        _data.nameCurrentLocality("Gorge entrance")
        verify(_data.addPlanes(2, 0))
        verify(images.saveNote("Outcrop of banded gneiss", Qt.point(7.0, 46.0), false))
        verify(_data.addLine())
        verify(_data.addPhoto(45, "Fold hinge"))
        var panel = Qt.createComponent("qrc:/qml/DataTool.qml").createObject(testCase,
                { height: testCase.height, mapView: map })
        verify(panel !== null)
        panel.setActive(true)
        // The rows and their thumbnails come as the list fills.
        tryVerify(function() {
            var thumbnail = findChild(panel.list, "thumbnail")
            return thumbnail !== null && thumbnail.status === Image.Ready
        }, 30000)
        waitForRendering(panel)
        var image = grabImage(testCase)
        image.save(_data.reviewFolder + "/notebook-list.png")
        verify(distinctColours(image, panel.width, panel.height) > 5)

        panel.list.currentIndex = 1
        compare(panel.state, "DETAIL")
        waitForRendering(panel)
        image = grabImage(testCase)
        image.save(_data.reviewFolder + "/notebook-detail.png")
        verify(distinctColours(image, panel.width, panel.height) > 5)
        panel.setActive(false)
        panel.destroy()
    }
}
