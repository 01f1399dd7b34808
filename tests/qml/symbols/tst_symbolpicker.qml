import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The symbol picker, grid view and dialog over the current project's
// symbols (the sixteen defaults at the start).
TestCase {
    id: testCase
    visible: true
    name: "SymbolPicker"
    width: 900
    height: 640
    when: windowShown

    property var display: null
    property var results: []

    // A one-shot receiver of the controller's answer.
    function expectResult() {
        results = []
        var receiver = function(value) {
            results.push(value)
            _dialogController.result.disconnect(receiver)
        }
        _dialogController.result.connect(receiver)
    }

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

    function shownText(item, text) {
        return find(item, function(i) { return i.text === text && i.visible })
    }

    function launch(filterSymbols, symbolId) {
        expectResult()
        _dialogController.launchCustomDialog("SymbolSelectionDialog.qml")
        var dialog = _dialogController.customDialog
        verify(dialog !== null)
        dialog.filterSymbols = filterSymbols
        dialog.symbolId = symbolId
        tryCompare(dialog, "opacity", 1)
        return dialog
    }

    function close(dialog) {
        if (_dialogController.customDialogActive)
            _dialogController.dismissDialog(1)
        tryCompare(_dialogController, "customDialog", null)
    }

    function init() {
        _modelManager.currentSymbol = 1
        _dialogController.toastReady = true
        display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height })
        verify(display !== null)
    }

    function cleanup() {
        _dialogController.dismissToast()
        display.destroy()
        display = null
    }

    Component { id: pickerComponent; SymbolPicker { width: 300 } }
    Component { id: gridComponent; SymbolGridView { width: 300; height: 300 } }
    Component {
        id: iconProxyComponent
        FilteredSymbolListModel { sourceModel: _ui.symbolIconListModel; filterLineSymbols: true }
    }
    Component { id: repeaterComponent; Repeater { delegate: Item { property int icon: model.iconId } } }

    function test_pickerShowsTheCurrentSymbol() {
        var picker = createTemporaryObject(pickerComponent, testCase)
        var label = named(picker, "pickerName")
        compare(label.text, "Bedding")
        _modelManager.currentSymbol = 0
        compare(label.text, "Select a symbol")
        _modelManager.currentSymbol = 11
        compare(label.text, "Mineral")
        compare(named(picker, "pickerSymbol").iconId, 14)
        // A renamed symbol is read again.
        verify(_modelManager.currentProject.symbolListModel.modifySymbol(11, "Garnet", 14))
        compare(label.text, "Garnet")
        verify(_modelManager.currentProject.symbolListModel.modifySymbol(11, "Mineral", 14))
    }

    function test_pickerChoiceBecomesCurrent() {
        var picker = createTemporaryObject(pickerComponent, testCase, { y: 600 })
        expectResult()
        mouseClick(picker)
        var dialog = _dialogController.customDialog
        verify(dialog !== null)
        compare(dialog.symbolId, 1)
        tryCompare(dialog, "opacity", 1)
        compare(dialog.title, "Select a symbol")
        mouseClick(shownText(dialog, "Cleavage"))
        compare(results, [0])
        compare(_modelManager.currentSymbol, 2)
        compare(named(picker, "pickerName").text, "Cleavage")
        tryCompare(_dialogController, "customDialog", null)
    }

    function test_createSymbol() {
        var dialog = launch(false, 1)
        mouseClick(named(dialog, "createButton"))
        compare(dialog.state, "editSymbol")
        compare(dialog.title, "Edit symbols")
        var save = named(dialog, "saveButton")
        verify(!save.enabled)
        verify(!named(dialog, "deleteButton").visible)
        var field = named(dialog, "nameField")
        field.text = "Bedding"
        verify(save.enabled)
        verify(!named(dialog, "symbolList").parent.enabled)
        mouseClick(save)
        tryCompare(_dialogController, "toastMessage", "Failed to add symbol. Is the name unique?")
        field.text = "Schistosity"
        mouseClick(save)
        compare(_modelManager.currentProject.symbolName(dialog.symbolId), "Schistosity")
        verify(dialog.symbolId > 15)
        verify(!save.enabled)
        // Two taps delete it.
        var created = dialog.symbolId
        var remove = named(dialog, "deleteButton")
        verify(remove.visible && remove.enabled)
        mouseClick(remove)
        mouseClick(remove)
        compare(_modelManager.currentProject.symbolName(created), "")
        compare(dialog.state, "default")
        close(dialog)
    }

    function test_deleteButtonState_data() {
        return [
            { tag: "locked Bedding", symbolId: 1, enabled: false },
            { tag: "Cleavage", symbolId: 2, enabled: true }
        ]
    }

    function test_deleteButtonState(data) {
        var dialog = launch(false, data.symbolId)
        // The title bar's settings button edits the selected symbol.
        dialog.cancelButtonClicked()
        compare(dialog.state, "editSymbol")
        var remove = named(dialog, "deleteButton")
        verify(remove.visible)
        compare(remove.enabled, data.enabled)
        if (data.enabled) {
            named(dialog, "nameField").text = "Renamed"
            verify(!remove.enabled)
            dialog.cancelButtonClicked()
            compare(named(dialog, "nameField").text, "Cleavage")
            verify(remove.enabled)
        }
        dialog.cancelButtonClicked()
        compare(dialog.state, "default")
        close(dialog)
    }

    function test_filterListsOneKind() {
        var dialog = launch(true, 10)
        var list = named(dialog, "symbolList")
        compare(list.count, 6)
        for (var i = 0; i < list.count; ++i) {
            list.currentIndex = i
            compare(list.currentItem.symbolType, 8)
        }
        dialog.filterSymbols = false
        verify(list.count >= 14)
        close(dialog)
    }

    function test_iconGridChoosesTheIconOnly() {
        var dialog = launch(false, 2)
        dialog.cancelButtonClicked()
        compare(dialog.state, "editSymbol")
        var grid = named(dialog, "iconGrid")
        waitForRendering(grid)
        var stored = dialog.storedIconId
        verify(grid.currentIndex >= 0)
        compare(grid.currentIndex, grid.indexOfIcon(stored))
        // Plane icons only, in list order: cell n shows icon n.
        compare(grid.count, 13)
        var cell = stored === 0 ? 1 : 0
        mouseClick(grid, grid.cellWidth * (cell + 0.5), grid.cellHeight / 2)
        compare(dialog.chosenIconId, cell)
        compare(grid.currentIndex, cell)
        compare(_modelManager.currentSymbol, 1)
        verify(named(dialog, "saveButton").enabled)
        // Cancel reverts the choice and the marked cell follows.
        dialog.cancelButtonClicked()
        compare(dialog.chosenIconId, stored)
        compare(grid.currentIndex, grid.indexOfIcon(stored))
        dialog.cancelButtonClicked()
        compare(dialog.state, "default")
        close(dialog)
    }

    function test_gridTapSetsCurrentSymbol() {
        // Cells are sorted by name: Bedding, Cleavage, Fault, ...
        var grid = createTemporaryObject(gridComponent, testCase)
        grid.setSymbol(4)
        compare(grid.currentIndex, 2)
        grid.setSymbol(15)
        compare(grid.currentIndex, -1)
        mouseClick(grid, grid.cellWidth * 1.5, grid.cellHeight / 2)
        compare(grid.currentIndex, 1)
        compare(_modelManager.currentSymbol, 2)
    }

    function test_iconListWithDefaultRole() {
        var proxy = createTemporaryObject(iconProxyComponent, testCase)
        var repeater = createTemporaryObject(repeaterComponent, testCase, { model: proxy })
        compare(repeater.count, 13)
        for (var i = 0; i < repeater.count; ++i)
            compare(repeater.itemAt(i).icon, i)
        compare(proxy.getIndexByIconId(13), -1)
    }
}
