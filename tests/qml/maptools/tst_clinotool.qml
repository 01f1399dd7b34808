import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The compass-clino panel with the real tool and a test compass-clino source.
TestCase {
    id: testCase
    visible: true
    name: "ClinoTool"
    width: 900
    height: 900
    when: windowShown

    readonly property int planeSymbol: 1
    readonly property int lineSymbol: 9
    readonly property string longComment: "a very long comment about the lineation on the ridge north of the hut"
    readonly property string fortyDigits: "1234567890123456789012345678901234567890"
    property var panel: null
    readonly property var source: _appManager.compassClino

    function field(name) { return findChild(panel, name) }

    function init() {
        _dialogController.toastReady = true
        _appManager.angleConvention = 0
        _modelManager.currentSymbol = planeSymbol
        _modelManager.currentRockUnit = 3
        _appManager.locationManager.lastKnownCoordinate = Qt.point(7, 46)
        panel = Qt.createComponent("qrc:/qml/Tools/ClinoTool.qml").createObject(testCase, { height: testCase.height })
        verify(panel !== null)
        panel.setActive(true)
        panel.mode = ClinoToolManager.ClinoMode
    }

    function cleanup() {
        panel.setActive(false)
        panel.destroy()
        panel = null
        _dialogController.dismissToast()
        _storage.unlock()
    }

    function test_labels_data() {
        return [
            { tag: "plane", symbol: planeSymbol, convention: 0, dip: "dip", azimuth: "azimuth" },
            { tag: "line", symbol: lineSymbol, convention: 0, dip: "plunge", azimuth: "azimuth" },
            { tag: "plane, right-hand rule", symbol: planeSymbol, convention: 1, dip: "dip", azimuth: "strike" },
            { tag: "line, right-hand rule", symbol: lineSymbol, convention: 1, dip: "plunge", azimuth: "azimuth" }
        ]
    }

    function test_labels(row) {
        _appManager.angleConvention = row.convention
        _modelManager.currentSymbol = row.symbol
        compare(field("dipLabel").text, row.dip)
        compare(field("azimuthLabel").text, row.azimuth)
    }

    function test_readingsFillTheFieldsAndTheFlags() {
        source.dip = 32.4
        source.dipAzimuth = 118
        compare(field("dipField").text, "32")
        compare(field("azimuthField").text, "118")
        verify(source.emitBearingUpdates && source.emitPlaneUpdates && !source.emitLineUpdates)
        source.plunge = 12
        panel.setMeasuring(false)
        _modelManager.currentSymbol = lineSymbol
        // Frozen too: the fields show the plunge the dial shows for a line.
        compare(field("dipField").text, "12")
        panel.setMeasuring(true)
        verify(source.emitLineUpdates)
        panel.setActive(false)
        verify(!source.emitBearingUpdates && !source.emitPlaneUpdates && !source.emitLineUpdates)
    }

    // Keys typed while the source keeps sending readings: the first one
    // stops the instrument, so no later reading overwrites them.
    function test_saveEnabling_data() {
        return [
            { tag: "updating", measuring: true, unit: 3, enabled: false,
              hint: "Tap the clinometer or type a reading to save" },
            { tag: "dip empty", measuring: false, unit: 3, enabled: false, cleared: "dipField",
              hint: "Type a dip to save" },
            { tag: "plunge empty", measuring: false, unit: 3, enabled: false, symbol: lineSymbol, cleared: "dipField",
              hint: "Type a plunge to save" },
            { tag: "azimuth empty", measuring: false, unit: 3, enabled: false, cleared: "azimuthField",
              hint: "Type an azimuth to save" },
            { tag: "strike empty", measuring: false, unit: 3, enabled: false, convention: 1, cleared: "azimuthField",
              hint: "Type a strike to save" },
            { tag: "no rock unit, updating", measuring: true, unit: -1, enabled: false,
              hint: "Pick a rock unit to save" },
            { tag: "heading not held", measuring: true, unit: 3, enabled: false, compass: true,
              hint: "Tap the compass or type a heading to save" },
            { tag: "heading held", measuring: true, unit: 3, enabled: true, compass: true, held: true },
            { tag: "heading held, then emptied", measuring: true, unit: 3, enabled: false, compass: true, held: true,
              cleared: "headingField", hint: "Type a heading to save" },
            { tag: "heading held, unit asked, none current", measuring: true, unit: -1, enabled: false, compass: true,
              held: true, unitSwitch: true, hint: "Pick a rock unit to save" },
            { tag: "heading held, no unit asked, none current", measuring: true, unit: -1, enabled: true,
              compass: true, held: true },
            { tag: "no rock unit", measuring: false, unit: -1, enabled: false, hint: "Pick a rock unit to save" },
            { tag: "strat column in the editor", measuring: false, unit: 3, enabled: false, editing: true,
              hint: "Tap Done in the strat column to save" },
            { tag: "frozen with a unit", measuring: false, unit: 3, enabled: true },
            { tag: "frozen, no position", measuring: false, unit: 3, enabled: false, noPosition: true,
              hint: "Set a position to save" },
            { tag: "heading held, no position", measuring: true, unit: 3, enabled: false, compass: true, held: true,
              noPosition: true, hint: "Set a position to save" },
            // The dial shows the reading as it is typed.
            { tag: "plunge typed", measuring: true, unit: 3, enabled: true, symbol: lineSymbol,
              typedIn: "dipField", keys: ["2", "0"], text: "20", dialDip: 20 },
            { tag: "line azimuth typed", measuring: true, unit: 3, enabled: true, symbol: lineSymbol,
              typedIn: "azimuthField", keys: ["2", "5", "0"], text: "250", dialAzimuth: 250 },
            { tag: "a key in dip", measuring: true, unit: 3, enabled: true,
              typedIn: "dipField", keys: ["4"], text: "4" },
            { tag: "keys in azimuth", measuring: true, unit: 3, enabled: true,
              typedIn: "azimuthField", keys: ["1", "5"], text: "15" },
            // The field kept the focus after a save: no tap locked the heading.
            { tag: "a key in heading", measuring: true, unit: 3, enabled: true, compass: true,
              typedIn: "headingField", keys: ["9"], text: "9", heading: 9 },
            { tag: "heading key by key, a middle digit corrected", measuring: true, unit: 3, enabled: true,
              compass: true, tap: true, typedIn: "headingField",
              keys: ["1", "3", "5", Qt.Key_Left, Qt.Key_Left, Qt.Key_Backspace, "2"], text: "235", heading: 235 },
            // Long texts scroll inside their box, which stays inside the panel.
            { tag: "a long comment", measuring: false, unit: 3, enabled: true, typedIn: "commentField",
              keys: longComment.split(""), text: longComment, inPanel: true },
            { tag: "forty digits of dip", measuring: true, unit: 3, enabled: true, typedIn: "dipField",
              keys: fortyDigits.split(""), text: fortyDigits, inPanel: true }
        ]
    }

    function test_saveEnabling(row) {
        source.dip = 20
        source.dipAzimuth = 200
        source.bearing = 77
        if (row.symbol !== undefined)
            _modelManager.currentSymbol = row.symbol
        if (row.convention !== undefined)
            _appManager.angleConvention = row.convention
        if (row.compass)
            panel.mode = ClinoToolManager.CompassMode
        panel.setMeasuring(row.measuring)
        _modelManager.currentRockUnit = row.unit
        if (row.held)
            field("compass").lockHeading()
        if (row.unitSwitch)
            field("unitSwitch").checked = true
        if (row.noPosition)
            _appManager.locationManager.lastKnownCoordinate = Qt.point(999, 999)
        if (row.cleared)
            field(row.cleared).text = ""
        if (row.typedIn) {
            var input = findChild(field(row.typedIn), "input")
            if (row.tap)
                mouseClick(input)
            else
                input.forceActiveFocus()
            verify(input.activeFocus)
            input.selectAll()
            for (var i = 0; i < row.keys.length; ++i) {
                keyClick(row.keys[i])
                source.dip = 21 + i
                source.dipAzimuth = 201 + i
                source.bearing = 78 + i
            }
            compare(input.text, row.text)
            if (row.compass)
                compare(field("compass").heading, row.heading)
            else
                verify(!panel.measuring)
            if (row.inPanel) {
                var box = field(row.typedIn)
                verify(box.mapToItem(panel, box.width, 0).x <= panel.width, box.width)
            }
            if (row.dialDip !== undefined)
                compare(field("clino").dip, row.dialDip)
            if (row.dialAzimuth !== undefined) {
                compare(field("clino").azimuth, row.dialAzimuth)
                compare(field("clino").lineSymbolRotation, row.dialAzimuth)
            }
        }
        if (row.editing)
            field("stratColumn").state = "EDITING"
        compare(field("saveButton").enabled, row.enabled)
        // Save says why it waits.
        var hint = field("saveHint")
        compare(hint.visible ? hint.text : "", row.hint ? row.hint : "")
        field("stratColumn").state = "DEFAULT"
    }

    function test_aTypedReadingFreezesAndGoesToTheSource() {
        field("dipField").text = "41"
        field("dipField").accepted()
        verify(!panel.measuring)
        compare(source.dip, 41)
    }

    // As a drag on the frozen dial sets it: the field, the source and so the
    // resumed panel show it.
    function test_aReadingSetOnTheDialGoesToTheSource() {
        source.dipAzimuth = 45
        panel.setMeasuring(false)
        field("clino").azimuth = 96.4
        compare(field("azimuthField").text, "096")
        compare(source.dipAzimuth, 96.4)
        panel.setMeasuring(true)
        compare(field("azimuthField").text, "096")
    }

    function test_aRefusedSaveShowsItsMessage() {
        panel.setMeasuring(false)
        field("dipField").text = "abc"
        field("azimuthField").text = "120"
        panel.save()
        compare(_dialogController.toastMessage, "Save failed: invalid orientation")
        compare(_dialogController.toastDuration, 4000)
        compare(_dialogController.toastIcon, _ui.icons.cancelIcon)
    }

    function test_aSuccessfulSaveClearsTheComment() {
        panel.setMeasuring(false)
        field("dipField").text = "30"
        field("azimuthField").text = "120"
        field("commentField").text = "outcrop"
        panel.save()
        compare(_dialogController.toastMessage, "")
        compare(field("commentField").text, "")
        verify(panel.measuring)
        verify(source.emitPlaneUpdates)
    }

    function test_aSaveThatCannotBeWrittenSaysSo() {
        panel.setMeasuring(false)
        field("dipField").text = "30"
        field("azimuthField").text = "120"
        field("commentField").text = "kept"
        _storage.lock()
        panel.save()
        compare(_dialogController.toastMessage, "Could not save data.")
        compare(field("commentField").text, "kept")
    }

    // Stands in for the map's temporary item.
    QtObject {
        id: marker
        property int symbolId: -1
        property color symbolColor: "red"
        property real symbolDip: 0
        property real symbolAzimuth: 0
        property var placedAt: null
        property int activations: 0
        property bool lockedToGps: true
        property point worldPosition: Qt.point(0, 0)
        readonly property var savePlace: ({ location: worldPosition, gps: lockedToGps })
        // Locked to a GPS without a fix, it has no place of its own.
        function activateForDataLocation() {
            ++activations
            symbolId = 99
            lockedToGps = true
            worldPosition = Qt.point(0, 0)
        }
        function activateForMoveData(point) { lockedToGps = false; worldPosition = point }
        function deactivate() { symbolId = -1 }
        function resetSensors() {}
        function setScreenPosition(position) {
            placedAt = position
            lockedToGps = false
            worldPosition = Qt.point(7.5, 46.5)
        }
    }
    QtObject {
        id: stubMap
        property var temporaryItem: marker
    }

    function test_theLockedHeadingShowsWhereTheSightingGoes() {
        panel.setActive(false)
        panel.mapView = stubMap
        panel.mode = ClinoToolManager.CompassMode
        panel.setActive(true)
        compare(marker.activations, 1)
        source.bearing = 77
        field("compass").lockHeading()
        verify(panel.headingLocked)
        compare(marker.symbolId, _modelManager.currentProject.symbolIconId(
                    _modelManager.currentProject.getDefaultSightingId()))
        compare([marker.symbolDip, marker.symbolAzimuth], [45, 77])
        compare(marker.symbolColor, Qt.rgba(0, 0, 0, 1))
        // A typed heading turns it as it turns the dial.
        field("headingField").text = "135"
        field("headingField").textEdited()
        compare(field("compass").heading, 135)
        compare(marker.symbolAzimuth, 135)
        panel.manager.mousePressed(10, 10, Qt.LeftButton)
        verify(panel.manager.mousePressAndHold(12, 10, Qt.LeftButton))
        compare(marker.placedAt, Qt.point(12, 10))
        field("compass").unlockHeading()
        compare(marker.symbolId, 99)
        // It stays where the user placed it.
        verify(!marker.lockedToGps)
        compare(marker.worldPosition, Qt.point(7.5, 46.5))
        panel.setActive(false)
        compare(marker.symbolId, -1)
    }

    function test_theLocalityPickerOpensTheLocalityDialog() {
        mouseClick(field("localityPicker"))
        compare(_dialogController.customDialogType, "LocalityDialog.qml")
        _dialogController.dismissDialog(1)
    }
}
