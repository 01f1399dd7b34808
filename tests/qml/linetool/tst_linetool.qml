import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The line panel in a map page of its own: tool manager, view tool, line tool.
TestCase {
    id: testCase
    name: "LineTool"
    width: 1000
    height: 700
    visible: true
    when: windowShown

    property var map: null
    readonly property var panel: map ? map.lineTool : null
    readonly property var tool: panel ? panel.manager : null

    Component {
        id: mapComponent
        MapViewController {
            id: mapItem
            width: 1000
            height: 700
            // A page takes input only while it is the active one.
            active: true
            property alias toolManager: tools
            property alias lineTool: line

            ToolManager {
                id: tools
                anchors.fill: parent
                defaultTool: view
                activeTool: view
                tools: [view, line]
                panels: [line]
                ViewTool { id: view; mapView: mapItem }
                LineTool { id: line; mapView: mapItem }
            }
        }
    }

    Component {
        id: panelComponent
        LineTool {}
    }

    function init() {
        _appManager.setValue("LineToolExpandMode", "WIDE")
        map = createTemporaryObject(mapComponent, testCase)
        map.toolManager.activate(map.lineTool)
        verify(panel.shown && tool.active)
        tool.penMode = LineToolManager.FreeHand
        tool.filled = false
        waitForRendering(map)
    }

    function test_freeHandStrokeIsTheLineTools() {
        var tools = map.toolManager
        verify(tools.mousePressed(100, 100, Qt.LeftButton))
        for (var i = 1; i <= 5; ++i)
            verify(tools.mouseMoved(100 + 20 * i, 100 + 5 * i, Qt.LeftButton))
        verify(tools.mouseReleased(200, 125, Qt.LeftButton))
    }

    function test_thinColumnScales() {
        var thin = findChild(panel, "thinColumn")
        thin.applySize(0.5)
        compare(tool.lineThickness, 15)
        thin.applySize(0)
        compare(tool.lineThickness, 1)
        thin.applyOpacity(0.1)
        compare(tool.opacity, 0.2)
        thin.applyOpacity(0.7)
        compare(tool.opacity, 0.7)
    }

    // The pad's keys on the opacity field (20 to 100 %) never hand the tool
    // less than 0.2; the pad closed either way leaves the last valid value
    // for the next line.
    function test_opacityFieldStaysInRange_data() {
        return [
            { tag: "erased, a tap outside", keys: ["backKey", "backKey"], close: "outside", opacity: 0.8 },
            { tag: "a valid digit, erased again, a tap outside", keys: ["backKey", "key5", "backKey"],
              close: "outside", opacity: 0.85 },
            { tag: "erased, done", keys: ["backKey", "backKey"], close: "doneKey", opacity: 0.8 }
        ]
    }

    function test_opacityFieldStaysInRange(row) {
        var display = createTemporaryObject(Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml"), testCase,
                                            { width: testCase.width, height: testCase.height })
        var pad = display.numPad
        tool.opacity = 0.8
        var field = findChild(panel, "opacityField")
        compare(field.text, "80")
        mouseClick(field)
        verify(pad.active)
        for (var i = 0; i < row.keys.length; ++i) {
            mouseClick(findChild(pad, row.keys[i]))
            verify(tool.opacity >= 0.2 && tool.opacity <= 1.0, row.keys[i] + ": " + tool.opacity)
            compare(field.text, String(Math.round(tool.opacity * 100)))
        }
        if (row.close === "outside")
            mouseClick(display, pad.x + pad.width + 20, pad.y + 10)
        else
            mouseClick(findChild(pad, row.close))
        verify(!pad.active)
        compare(tool.opacity, row.opacity)
        compare(field.text, String(Math.round(row.opacity * 100)))
    }

    function test_controlsSetTheTool() {
        var fill = findChild(panel, "fillMode")
        mouseClick(fill, fill.width * 0.75, fill.height / 2)
        verify(tool.filled)
        mouseClick(fill, fill.width * 0.25, fill.height / 2)
        verify(!tool.filled)
        var style = findChild(panel, "stylePicker")
        mouseClick(style, style.width / 2, style.height / 2)
        compare(tool.lineStyle, Qt.DotLine)
        var pens = findChild(panel, "penModes")
        mouseClick(pens, pens.width * 5 / 6, pens.height / 2)
        compare(tool.penMode, LineToolManager.PointToPoint)
    }

    function test_undoDropsPickedPointsFirst() {
        tool.penMode = LineToolManager.PointToPoint
        tool.addPickedPoint(Qt.point(10, 10), Qt.point(7.0, 46.0))
        tool.addPickedPoint(Qt.point(60, 10), Qt.point(7.01, 46.01))
        tool.savePickedPoints(Qt.point(90, 40), Qt.point(7.02, 46.0))
        verify(_appManager.canUndo)
        tool.addPickedPoint(Qt.point(10, 10), Qt.point(7.0, 46.0))
        compare(tool.numPoints, 1)
        var undo = findChild(panel, "undoButton")
        verify(undo.enabled)
        mouseClick(undo)
        compare(tool.numPoints, 0)
        verify(_appManager.canUndo)
        tool.penMode = LineToolManager.FreeHand
        mouseClick(undo)
        verify(!_appManager.canUndo)
    }

    function test_vertexMenuHidesAfterAWhile() {
        var menu = findChild(map, "vertexMenu")
        tool.showDeleteLinePoint(200, 200, "line", 1, false)
        verify(menu.visible)
        verify(!findChild(menu, "splitLineButton").enabled)
        wait(3500)
        verify(menu.visible)
        tryCompare(menu, "visible", false, 2000)
        tool.showDeleteLinePoint(200, 200, "line", 1, true)
        tool.hideDeleteLinePoint()
        verify(!menu.visible)
    }

    function test_expandModeIsKept() {
        mouseClick(findChild(panel, "collapseButton"))
        compare(panel.expandMode, "THIN")
        verify(!findChild(panel, "wideColumn").visible)
        var reloaded = createTemporaryObject(panelComponent, testCase)
        compare(reloaded.expandMode, "THIN")
        mouseClick(findChild(panel, "expandButton"))
        compare(_appManager.value("LineToolExpandMode", ""), "WIDE")
    }
}
