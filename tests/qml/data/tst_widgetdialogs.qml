import QtQuick 2.4
import QtTest 1.1

// The colour, text and list dialogs, launched through the real dialog
// controller into the dialog display.
TestCase {
    id: testCase
    visible: true
    name: "WidgetDialogs"
    width: 800
    height: 600
    when: windowShown

    property var display: null
    property var results: []

    SignalSpy { id: pickedSpy }

    // A one-shot receiver of the controller's answer.
    function expectResult() {
        results = []
        var receiver = function(value) {
            results.push(value)
            _dialogController.result.disconnect(receiver)
        }
        _dialogController.result.connect(receiver)
    }

    function launch(file) {
        expectResult()
        _dialogController.launchCustomDialog(file)
        var dialog = _dialogController.customDialog
        verify(dialog !== null, file)
        tryCompare(dialog, "opacity", 1)
        return dialog
    }

    function finish(result) {
        compare(results, [result])
        verify(!_dialogController.customDialogActive)
        tryCompare(_dialogController, "customDialog", null)
    }

    function findText(item, text) {
        if (item.text === text && item.visible)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = findText(item.children[i], text)
            if (found)
                return found
        }
        return null
    }

    function init() {
        display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height })
        verify(display !== null)
    }

    function cleanup() {
        pickedSpy.target = null
        _dialogController.dismissDialog(1)
        display.destroy()
        display = null
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_colorPicker_data() {
        return [
            { tag: "done", done: true, result: 0 },
            { tag: "cancel", done: false, result: 1 }
        ]
    }

    function test_colorPicker(data) {
        var dialog = launch("ColorPickerDialog.qml")
        compare(dialog.title, "Pick a color")
        pickedSpy.signalName = "colorPicked"
        pickedSpy.target = dialog
        pickedSpy.clear()
        dialog.color = "#009cde"
        var hex = findChild(dialog, "hexField")
        compare(hex.text, "#009cde")
        // The window's close waits for a colour typed and not yet taken.
        verify(!display.keepsWindowOpen)

        mouseClick(hex)
        hex.selectAll()
        keyClick(Qt.Key_Backspace)
        var typed = "#62ad2d"
        for (var i = 0; i < typed.length; ++i)
            keyClick(typed.charAt(i))
        compare(hex.text, typed)
        verify(Qt.colorEqual(dialog.picker.color, typed))
        verify(display.keepsWindowOpen)

        if (data.done)
            dialog.doneButtonClicked()
        else
            dialog.cancelButtonClicked()
        finish(data.result)
        compare(pickedSpy.count, data.done ? 1 : 0)
        if (data.done)
            verify(Qt.colorEqual(pickedSpy.signalArguments[0][0], typed))
    }

    function test_colorPickerStartsFromTheColour_data() {
        return [
            { tag: "green", color: "#62ad2d", hue: 95 / 360, saturation: 0.74, value: 0.68 },
            // A grey has no hue: the strip keeps the previous one.
            { tag: "grey keeps the hue", color: "#808080", hue: 95 / 360, saturation: 0, value: 0.5 }
        ]
    }

    function test_colorPickerStartsFromTheColour(data) {
        var dialog = launch("ColorPickerDialog.qml")
        dialog.color = "#62ad2d"
        dialog.color = data.color
        var picker = dialog.picker
        fuzzyCompare(picker.hue, data.hue, 0.005)
        fuzzyCompare(picker.saturation, data.saturation, 0.005)
        fuzzyCompare(picker.brightness, data.value, 0.005)
        verify(Qt.colorEqual(picker.color, data.color))
    }

    function test_textFieldReportsTheEditedText() {
        var dialog = launch("TextFieldDialog.qml")
        pickedSpy.signalName = "accepted"
        pickedSpy.target = dialog
        dialog.text = "Outcrop"
        var edit = findChild(dialog, "textEdit")
        tryVerify(function() { return edit.activeFocus })
        verify(!display.keepsWindowOpen)
        edit.cursorPosition = edit.length
        keyClick(Qt.Key_Space)
        keyClick("B")
        verify(display.keepsWindowOpen)
        dialog.doneButtonClicked()
        finish(0)
        compare(pickedSpy.count, 1)
        compare(pickedSpy.signalArguments[0][0], "Outcrop B")
    }

    Component {
        id: upperDelegate
        Text { text: modelData.toUpperCase(); height: 30 }
    }

    function test_listShowsTheRows_data() {
        return [
            { tag: "default delegate", custom: false, shown: ["Bedding", "Joint", "Fault"] },
            { tag: "own delegate", custom: true, shown: ["BEDDING", "JOINT", "FAULT"] }
        ]
    }

    function test_listShowsTheRows(data) {
        var dialog = launch("ListDialog.qml")
        if (data.custom)
            dialog.delegate = upperDelegate
        dialog.model = ["Bedding", "Joint", "Fault"]
        compare(dialog.listView.count, 3)
        for (var i = 0; i < data.shown.length; ++i)
            tryVerify(function() { return findText(dialog, data.shown[i]) !== null }, 1000, data.shown[i])
        dialog.doneButtonClicked()
        finish(0)
    }
}
