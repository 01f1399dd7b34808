import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The sketch panel: leaving with and without unsaved changes, the size
// slider and the selection of a saved sketch.
TestCase {
    id: testCase
    visible: true
    name: "SketchTool"
    width: 800
    height: 600
    when: windowShown

    property var panel: null
    property QtObject map: QtObject { property string selectedItemId: "" }

    SignalSpy {
        id: exitSpy
        signalName: "exit"
    }

    function named(item, objectName) {
        if (item.objectName === objectName)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = named(item.children[i], objectName)
            if (found)
                return found
        }
        return null
    }

    function init() {
        _appManager.locationManager.lastKnownCoordinate = Qt.point(7.5, 46.5)
        panel = Qt.createComponent("qrc:/qml/SketchTool.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height, mapView: map })
        verify(panel !== null)
        panel.setup("")
        panel.setActive(true)
        exitSpy.target = panel
        exitSpy.clear()
        waitForRendering(panel)
    }

    function cleanup() {
        _dialogController.dismissDialog(1)
        panel.setActive(false)
        panel.destroy()
        panel = null
    }

    function test_sketcherFollowsTheTool() {
        verify(panel.manager.active)
        verify(panel.sketcher.active)
        panel.setActive(false)
        verify(!panel.sketcher.active)
    }

    function test_backWithoutChangesLeavesAtOnce() {
        mouseClick(named(panel, "backButton"))
        compare(exitSpy.count, 1)
        verify(!_dialogController.messageBoxActive)
    }

    function test_backWithChangesAsks_data() {
        return [{ tag: "yes", answer: 0, exits: 1 }, { tag: "no", answer: 1, exits: 0 },
                { tag: "typed text only, no", answer: 1, exits: 0, text: "Outcrop A" }]
    }

    function test_backWithChangesAsks(data) {
        if (data.text)
            panel.sketcher.text = data.text
        else
            panel.sketcher.hasUnsavedChanges = true
        mouseClick(named(panel, "backButton"))
        verify(_dialogController.messageBoxActive)
        compare(_dialogController.messageBoxTitle, "Exit with unsaved changes?")
        compare(_dialogController.messageBoxMessage,
                "This sketch has unsaved changes. Are you sure you want to exit?")
        compare(exitSpy.count, 0)
        _dialogController.dismissDialog(data.answer)
        compare(exitSpy.count, data.exits)
    }

    // Save is offered whenever it would put something into the sketch.
    function test_saveEnabledByWhatIsPending_data() {
        return [
            { tag: "nothing new", enabled: false },
            { tag: "a dot", dot: true, enabled: true },
            { tag: "empty text box", box: true, enabled: false },
            { tag: "typed text in its box, no stroke", box: true, text: "Outcrop A", enabled: true },
            { tag: "typed text, its box tapped away", box: true, text: "Outcrop A", away: true, enabled: false },
            // A new sketch goes where the position bar says: Save waits for one.
            { tag: "a dot, no position", dot: true, noPosition: true, enabled: false },
            { tag: "a dot, the position set after", dot: true, noPosition: true, setAfter: true, enabled: true },
            // A save takes a whole position typed in the bar: the hint reads it as it is typed.
            { tag: "a dot, no position, a whole position typed, not left", dot: true, noPosition: true, typed: true,
              enabled: true },
            // A sketch already saved keeps its own place: nothing to wait for.
            { tag: "an existing sketch, a dot, no position", existing: true, dot: true, noPosition: true,
              enabled: true }
        ]
    }

    // Keys typed into the position bar's fields, the last one left focused.
    function typePosition(keys) {
        var bar = createTemporaryObject(Qt.createComponent("qrc:/qml/Tools/LocationTool.qml"), testCase,
                                        { mapView: map })
        for (var name in keys) {
            var input = named(named(bar, name), "coordinateInput")
            input.forceActiveFocus()
            for (var i = 0; i < keys[name].length; ++i)
                keyClick(keys[name][i])
        }
        compare(_appManager.locationManager.lastKnownCoordinate, _appManager.locationManager.INVALID_COORDINATE)
    }

    // A sketch saved by another session: its datum's id.
    function savedSketch() {
        var other = createTemporaryQmlObject("import quarzel.touch 1.0; RasterSketcher { width: 300; height: 200 }",
                                             testCase)
        other.active = true
        other.paintLine(Qt.point(10, 10), Qt.point(50, 50))
        // A name is taken for a second: a row before may have saved in this one.
        tryVerify(function() { return other.save() }, 3000)
        return other.itemId
    }

    function test_saveEnabledByWhatIsPending(data) {
        var sketcher = panel.sketcher
        var save = named(panel, "saveButton")
        verify(!save.enabled)
        var id = data.existing ? savedSketch() : ""
        var waits = !!data.noPosition && !data.existing
        if (data.noPosition)
            _appManager.locationManager.lastKnownCoordinate = _appManager.locationManager.INVALID_COORDINATE
        // Opened after the position went: Save follows the opened sketch.
        if (data.existing) {
            panel.setActive(false)
            panel.setup(id)
            panel.setActive(true)
            compare(sketcher.itemId, id)
        }
        sketcher.mode = data.box ? RasterSketcher.Text : RasterSketcher.Paint
        if (data.dot || data.box)
            mouseClick(sketcher, sketcher.width / 2, sketcher.height / 2)
        if (data.text)
            sketcher.text = data.text
        if (data.away)
            mouseClick(sketcher, 5, 5)
        compare(named(panel, "saveHint").visible, waits)
        if (data.setAfter)
            _appManager.locationManager.lastKnownCoordinate = Qt.point(7.5, 46.5)
        if (data.typed)
            typePosition({ latitudeField: "45300", longitudeField: "007300" })
        compare(named(panel, "saveHint").visible, waits && !data.setAfter && !data.typed)
        compare(save.enabled, data.enabled)
        if (!data.enabled || !(data.text || data.existing))
            return
        mouseClick(save)
        compare(sketcher.text, "")
        verify(sketcher.hasUnsavedChanges || sketcher.itemId !== "")
        if (data.existing)
            verify(!sketcher.hasUnsavedChanges)
    }

    function test_sizeSliderSetsThickness() {
        var slider = named(panel, "sizeSlider")
        compare(slider.value, panel.sketcher.lineThickness / 30)
        slider.value = 0.5
        compare(panel.sketcher.lineThickness, 15)
    }

    function test_savedSketchIsSelected() {
        panel.sketcher.itemIdChanged("0123456789abcdef0123456789abcdef")
        compare(map.selectedItemId, "0123456789abcdef0123456789abcdef")
    }
}
