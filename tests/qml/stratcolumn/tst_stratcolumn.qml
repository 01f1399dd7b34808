import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The strat column screen over the current project's column.
TestCase {
    id: testCase
    visible: true
    name: "StratColumn"
    width: 900
    height: 640
    when: windowShown

    property var display: null
    property var screen: null
    readonly property var stratModel: _modelManager.currentProject.stratColumnModel

    function find(item, test) {
        if (test(item))
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = find(item.children[i], test)
            if (found)
                return found
        }
        return null
    }

    function named(item, objectName) {
        return find(item, function(i) { return i.objectName === objectName })
    }

    function names() {
        var list = []
        for (var row = 0; row < stratModel.rowCount(); ++row)
            list.push(stratModel.unitNameById(stratModel.unitIdAt(row)))
        return list
    }

    // An edit holding two units of the given names.
    function editTwo(first, second) {
        screen.state = "EDITING"
        stratModel.importDefault()
        while (stratModel.rowCount() > 2)
            stratModel.removeUnitById(stratModel.unitIdAt(2))
        stratModel.setUnitName(0, first)
        stratModel.setUnitName(1, second)
        waitForRendering(screen)
    }

    function init() {
        _dialogController.toastReady = true
        display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height })
        verify(display !== null)
        screen = Qt.createComponent("qrc:/qml/StratColumn.qml").createObject(testCase, { height: testCase.height })
        verify(screen !== null)
    }

    function cleanup() {
        _storage.unlock()
        screen.state = "HIDDEN"
        screen.destroy()
        screen = null
        _dialogController.dismissDialog(1)
        _dialogController.dismissToast()
        display.destroy()
        display = null
    }

    function test_doneWithEqualNamesStaysEditing() {
        editTwo("Sand", "Sand")
        mouseClick(named(screen, "doneButton"))
        tryCompare(_dialogController, "toastMessage", "Unit names must be unique")
        compare(screen.state, "EDITING")
    }

    function test_doneWhoseSaveFailsStaysEditing() {
        editTwo("Sand", "Clay")
        _storage.lock()
        mouseClick(named(screen, "doneButton"))
        tryCompare(_dialogController, "toastMessage", "Could not save the strat column.")
        compare(screen.state, "EDITING")
        compare(names(), ["Sand", "Clay"])
    }

    function test_validEditSaves() {
        editTwo("Sand", "Clay")
        mouseClick(named(screen, "doneButton"))
        compare(screen.state, "DEFAULT")
        compare(names(), ["Sand", "Clay"])
        compare(stratModel.unitNameById(stratModel.unitIdAt(1)), "Clay")
    }

    function test_hiddenDropsEdits() {
        var before = names()
        editTwo("Gravel", "Marl")
        screen.state = "HIDDEN"
        compare(names(), before)
    }

    // The name being typed belongs to the edit: Restore drops it. Equal
    // names cannot be saved: a column going out of sight drops the edit and
    // says why, and "+" then adds a stored unit.
    function test_typedName_data() {
        return [{ tag: "Restore", leave: "restore", second: "Clay" },
                { tag: "equal names, out of sight, then +", leave: "hide", second: "Sandy" }]
    }

    function test_typedName(data) {
        var before = names()
        var current = _modelManager.currentRockUnit
        editTwo("Sand", data.second)
        var field = named(screen, "unitNameField")
        mouseClick(field)
        var input = named(field, "input")
        tryCompare(input, "activeFocus", true)
        keyClick(Qt.Key_End)
        keyClick(Qt.Key_Y)
        compare(input.text, "Sandy")
        if (data.leave === "restore") {
            mouseClick(named(screen, "restoreButton"))
            tryVerify(function() { return names().join("|") === before.join("|") })
            verify(screen.editing)
            return
        }
        screen.visible = false
        tryCompare(_dialogController, "toastMessage", "Unit names must be unique")
        tryCompare(screen, "state", "DEFAULT")
        verify(!stratModel.editing)
        compare(names(), before)
        compare(_modelManager.currentRockUnit, current)

        screen.visible = true
        screen.picksCurrentUnit = true
        mouseClick(named(screen, "addUnitButton"))
        compare(names().length, before.length + 1)
        var added = stratModel.unitIdAt(before.length)
        verify(_modelManager.currentProject.hasRockUnit(added))
        compare(_modelManager.currentRockUnit, added)
    }

    function test_deleteQuestion() {
        editTwo("Sand", "Clay")
        screen.selectedUnit = stratModel.unitIdAt(1)
        var button = named(screen, "deleteUnitButton")
        mouseClick(button)
        tryCompare(_dialogController, "messageBoxActive", true)
        compare(_dialogController.messageBoxTitle, "Delete Clay")
        compare(_dialogController.messageBoxMessage, "Are you sure you want to delete Clay?\n\nYou will have to manually reassign a new rock unit to all data associated with this rock unit.")
        _dialogController.dismissDialog(0)
        compare(names(), ["Sand"])
        compare(screen.selectedUnit, stratModel.unitIdAt(0))
    }

    function test_typePicker() {
        editTwo("Sand", "Clay")
        var button = named(screen, "unitTypeButton")
        var top = screen
        while (top.parent)
            top = top.parent
        // A tap beside it only closes it.
        mouseClick(button)
        var picker = named(top, "unitTypePicker")
        verify(picker.visible)
        mouseClick(named(top, "unitTypeLayer"), 1, 1)
        verify(!picker.visible)
        compare(button.label, "U")
        mouseClick(button)
        var segments = named(picker, "unitTypeSegments")
        segments.clicked(1)
        verify(!picker.visible)
        compare(button.label, "F")
    }

    // A column that picks the current unit outlines the model manager's
    // current rock unit outside the editor, and "+" makes the new one current.
    function test_pickingColumnOutlinesTheCurrentUnit_data() {
        return [{ tag: "picking", picks: true }, { tag: "not picking", picks: false },
                { tag: "another column editing", picks: true, otherEditing: true }]
    }

    function test_pickingColumnOutlinesTheCurrentUnit(data) {
        screen.picksCurrentUnit = data.picks
        screen.selectedUnit = -1
        var before = _modelManager.currentRockUnit
        var count = stratModel.rowCount()
        if (data.otherEditing) {
            // "+" here would add to the other column's copy only.
            var other = Qt.createComponent("qrc:/qml/StratColumn.qml").createObject(testCase, { x: 400 })
            other.state = "EDITING"
            mouseClick(named(screen, "addUnitButton"))
            tryCompare(_dialogController, "toastMessage", "Could not add unit")
            compare(stratModel.rowCount(), count)
            other.state = "HIDDEN"
            other.destroy()
            compare(stratModel.rowCount(), count)
            compare(_modelManager.currentRockUnit, before)
            compare(screen.selectedUnit, -1)
            return
        }
        mouseClick(named(screen, "addUnitButton"))
        compare(stratModel.rowCount(), count + 1)
        var added = stratModel.unitIdAt(count)
        compare(_modelManager.currentRockUnit, data.picks ? added : before)
        compare(screen.outlinedUnit, added)

        var first = stratModel.unitIdAt(0)
        _modelManager.currentRockUnit = first
        compare(screen.outlinedUnit, data.picks ? first : added)

        // The editor starts with the outline where it was.
        screen.state = "EDITING"
        compare(screen.outlinedUnit, data.picks ? first : added)
    }

    // Collapsed, names that differ only at the end still show whole.
    function test_collapsedColumnShowsNames() {
        editTwo("Unit 1", "Unit 12")
        mouseClick(named(screen, "doneButton"))
        compare(screen.state, "DEFAULT")
        screen.width = screen.collapsedWidth
        waitForRendering(screen)
        var labels = []
        find(screen, function(i) {
            if (i.objectName === "unitNameLabel" && i.visible)
                labels.push(i)
            return false
        })
        compare(labels.length, 2)
        for (var i = 0; i < labels.length; ++i)
            verify(!labels[i].truncated, labels[i].text)
    }

    // A column too short for its units scrolls to the outlined one.
    function test_shortColumnShowsTheOutlinedUnit() {
        screen.height = 240
        screen.state = "EDITING"
        stratModel.importDefault()
        var list = named(screen, "unitList")
        tryCompare(list, "count", 10)
        waitForRendering(screen)
        compare(list.contentY, 0)
        screen.selectedUnit = stratModel.unitIdAt(9)
        tryVerify(function() { return list.contentY + list.height >= list.contentHeight - 1 })
    }

    function test_importerDefault() {
        screen.state = "EDITING"
        var importer = named(screen, "stratColumnImporter")
        mouseClick(named(screen, "importButton"))
        verify(importer.visible)
        mouseClick(named(screen, "importButton"))
        verify(!importer.visible)
        mouseClick(named(screen, "importButton"))
        mouseClick(named(importer, "importDefaultButton"))
        tryCompare(_dialogController, "toastMessage", "Import Successful!")
        verify(!importer.visible)
        compare(stratModel.rowCount(), 10)
    }
}
