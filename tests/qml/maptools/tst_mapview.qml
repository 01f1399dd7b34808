import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The tools in their places on the map page.
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
        var names = function(list) { return list.map(function(tool) { return tool ? tool.objectName : "" }) }
        compare(names(tools.tools), ["viewTool", "projectTool", "layerTool", "clinoTool", "lineTool",
                                     "stereoNetTool", "dataTool", "locationTool", "sketchTool"])
        compare(names(findChild(map, "toolBar").tools),
                ["projectTool", "layerTool", "clinoTool", "lineTool", "stereoNetTool", "dataTool"])
        tools.activate(clino)
        verify(clino.shown && clino.manager.active)
        compare(clino.manager.mapView, map)
        verify(tools.uiExtent > 0)
        tools.activate(clino)
        verify(!clino.shown && !clino.manager.active)
        map.destroy()
    }

    function test_theNotebookHandsOverToTheLineAndSketchTools() {
        var map = Qt.createComponent("qrc:/qml/MapView.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height })
        var tools = findChild(map, "toolManager")
        var notebook = findChild(map, "dataTool")
        tools.activate(notebook)
        verify(notebook.manager.active)
        notebook.editLineButtonClicked()
        var line = findChild(map, "lineTool")
        compare(tools.activeTool, line)
        verify(line.manager.editModeEnabled)
        line.manager.editModeEnabled = false

        notebook.showSketchTool("")
        var sketch = findChild(map, "sketchTool")
        compare(tools.activeTool, sketch)
        sketch.exit()
        compare(tools.activeTool, notebook)
        map.destroy()
    }
}
