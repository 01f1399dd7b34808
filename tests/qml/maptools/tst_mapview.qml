import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The clino panel in its places on the map page.
TestCase {
    id: testCase
    visible: true
    name: "MapView"
    width: 1000
    height: 700
    when: windowShown

    function test_theClinoToolIsInPlace() {
        var component = Qt.createComponent("qrc:/qml/MapView.qml")
        compare(component.errorString(), "")
        var map = component.createObject(testCase, { width: testCase.width, height: testCase.height })
        verify(map !== null)
        var tools = findChild(map, "toolManager")
        var clino = findChild(map, "clinoTool")
        compare(tools.tools[3], clino)
        compare(findChild(map, "toolBar").tools[0], clino)
        tools.activate(clino)
        verify(clino.shown && clino.manager.active)
        compare(clino.manager.mapView, map)
        verify(tools.uiExtent > 0)
        tools.activate(clino)
        verify(!clino.shown && !clino.manager.active)
        map.destroy()
    }
}
