import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The locality dialog and picker over the current project's localities.
TestCase {
    id: testCase
    visible: true
    name: "Locality"
    width: 900
    height: 700
    when: windowShown

    property var display: null
    readonly property var project: _modelManager.currentProject

    function init() {
        display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height })
        verify(display !== null)
        _modelManager.setCurrentLocality(0)
    }

    function cleanup() {
        _dialogController.dismissDialog(1)
        display.destroy()
        display = null
    }

    function openDialog() {
        _dialogController.launchCustomDialog("LocalityDialog.qml")
        var dialog = _dialogController.customDialog
        verify(dialog !== null)
        tryCompare(dialog, "opacity", 1)
        return dialog
    }

    function test_aTapMakesALocalityCurrent() {
        var dialog = openDialog()
        var list = findChild(dialog, "localityList")
        var count = project.numberOfLocalities
        tryCompare(list, "count", count)
        compare(list.itemAtIndex(0).localityId, _modelManager.currentLocality.id)
        verify(list.itemAtIndex(0).current)
        mouseClick(findChild(dialog, "createLocalityButton"))
        compare(project.numberOfLocalities, count + 1)
        tryCompare(list, "count", count + 1)
        // The new locality comes first; the current one is still marked.
        var row = list.itemAtIndex(0)
        verify(!row.current && list.itemAtIndex(1).current)
        var id = row.localityId
        mouseClick(row)
        compare(_modelManager.currentLocality.id, id)
        verify(!_dialogController.customDialogActive)
    }

    function test_pickerShowsTheCurrentLocality() {
        var picker = Qt.createComponent("qrc:/qml/LocalityPicker.qml").createObject(testCase)
        var label = findChild(picker, "pickerLabel")
        compare(label.text, _modelManager.currentLocality.name)
        _modelManager.setCurrentLocality(-1)
        compare(label.text, "No Current Locality")
        picker.state = "CREATING"
        compare(label.text, "Create New Locality")
        var before = project.numberOfLocalities
        mouseClick(picker)
        compare(project.numberOfLocalities, before + 1)
        verify(_modelManager.currentLocality !== null)
        picker.state = ""
        mouseClick(picker)
        compare(_dialogController.customDialogType, "LocalityDialog.qml")
        picker.destroy()
    }
}
