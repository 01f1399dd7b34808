import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// Switching and dispatch of the tool manager, with stub tools that count.
TestCase {
    id: testCase
    name: "ToolManager"

    property var manager: null
    property var log: []

    // A panel and its native half: answers `consumes` and records each call.
    Component {
        id: stubTool
        QtObject {
            property string name: ""
            property bool needSensors: false
            property bool shown: false
            property bool consumes: false
            property bool sensors: false
            property var manager: null
            function setActive(value) { shown = value }
        }
    }
    Component {
        id: stubManager
        QtObject {
            property var panel: null
            property int starts: 0
            property int stops: 0
            function record(call, args) {
                var entry = panel.name + "." + call
                if (call === "mouseReleased")
                    entry += "(" + args[3] + ")"
                testCase.log.push(entry)
                return panel.consumes
            }
            function startUpdates() { ++starts }
            function stopUpdates() { ++stops }
            function mousePressed(x, y, b) { return record("mousePressed", arguments) }
            function mouseReleased(x, y, b, longPress) { return record("mouseReleased", arguments) }
            function mouseMoved(x, y, b) { return record("mouseMoved", arguments) }
            function mouseDoubleClicked(x, y, b) { return record("mouseDoubleClicked", arguments) }
            function mousePressAndHold(x, y, b) { return record("mousePressAndHold", arguments) }
            function mouseWheelSpun(x, y, a, p) { return record("mouseWheelSpun", arguments) }
        }
    }
    Component {
        id: clinoManager
        ClinoToolManager {}
    }

    property var view: null
    property var clino: null
    property var line: null
    property var data: null
    property var later: null

    function tool(name, needSensors, consumes) {
        var panel = stubTool.createObject(testCase, { name: name, needSensors: needSensors, consumes: consumes })
        panel.manager = stubManager.createObject(panel, { panel: panel })
        return panel
    }

    function init() {
        log = []
        view = tool("view", false, true)
        clino = tool("clino", true, false)
        line = tool("line", false, true)
        data = tool("data", false, false)
        later = tool("later", false, true)
        manager = Qt.createComponent("qrc:/qml/ToolManager.qml").createObject(testCase,
                { defaultTool: view, activeTool: view, tools: [view, null, clino, line, data, later] })
        verify(manager !== null)
        view.setActive(true)
        _testSupport.takeWarnings()
    }

    function cleanup() {
        manager.destroy()
        var stubs = [view, clino, line, data, later]
        for (var i = 0; i < stubs.length; ++i)
            stubs[i].destroy()
    }

    function counts(panel) {
        return [panel.manager.starts, panel.manager.stops]
    }

    function test_activatingTwiceReturnsToTheViewTool() {
        manager.activate(line)
        compare(manager.activeTool, line)
        verify(line.shown && !view.shown)
        manager.activate(line)
        compare(manager.activeTool, view)
        verify(view.shown && !line.shown)
    }

    function test_activatingTheActiveViewToolDoesNothing() {
        var spy = Qt.createQmlObject("import QtTest 1.1; SignalSpy { signalName: 'activeToolChanged' }", testCase)
        spy.target = manager
        manager.activate(view)
        compare(spy.count, 0)
        compare(manager.activeTool, view)
        verify(view.shown)
        spy.destroy()
    }

    function test_sensorsFollowTheSwitch_data() {
        return [
            { tag: "clino then data", first: "clino", second: "data", clinoCounts: [1, 1] },
            { tag: "line then data", first: "line", second: "data", clinoCounts: [0, 0] },
            { tag: "clino then clino", first: "clino", second: "clino", clinoCounts: [1, 1] }
        ]
    }

    function test_sensorsFollowTheSwitch(row) {
        manager.activate(testCase[row.first])
        manager.activate(testCase[row.second])
        compare(counts(clino), row.clinoCounts)
        compare(counts(line), [0, 0])
        compare(counts(data), [0, 0])
    }

    function test_leavingTheRealClinoToolActivatesTheNext() {
        var real = tool("realClino", true, false)
        real.manager = clinoManager.createObject(real)
        manager.tools = [view, real, data]
        manager.activate(real)
        manager.activate(data)
        compare(manager.activeTool, data)
        verify(data.shown && !real.shown)
        compare(_testSupport.takeWarnings(), [])
        real.destroy()
    }

    function test_aRefusedPressGoesOnInListOrder() {
        manager.activate(data)
        log = []
        verify(manager.mousePressed(1, 2, Qt.LeftButton))
        compare(log, ["data.mousePressed", "view.mousePressed"])
    }

    // The first tool (the position bar) is offered each gesture before the
    // tool at work, and once only.
    function test_theFirstToolIsOfferedFirst_data() {
        return [{ tag: "taking it", consumes: true, log: ["later.mousePressAndHold"] },
                { tag: "refusing it", consumes: false,
                  log: ["later.mousePressAndHold", "data.mousePressAndHold", "view.mousePressAndHold"] }]
    }

    function test_theFirstToolIsOfferedFirst(row) {
        later.consumes = row.consumes
        manager.firstTool = later
        manager.activate(data)
        log = []
        verify(manager.mousePressAndHold(1, 2, Qt.LeftButton))
        compare(log, row.log)
    }

    function test_aReleaseAfterHoldIsALongPress() {
        manager.mousePressed(1, 2, Qt.LeftButton)
        manager.mousePressAndHold(1, 2, Qt.LeftButton)
        manager.mouseReleased(1, 2, Qt.LeftButton)
        manager.mousePressed(1, 2, Qt.LeftButton)
        manager.mouseReleased(1, 2, Qt.LeftButton)
        compare(log.filter(function(entry) { return entry.indexOf("Released") >= 0 }),
                ["view.mouseReleased(true)", "view.mouseReleased(false)"])
    }
}
