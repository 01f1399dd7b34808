import QtQuick 2.4
import QtTest 1.1

TestCase {
    id: testCase
    name: "ImportProjectDialog"
    width: 1024
    height: 768
    visible: true
    when: windowShown

    property var dialog: null

    SignalSpy { id: dismissSpy; signalName: "dismiss" }

    function button(label, item) {
        item = item || dialog
        if (item.label === label && item.buttonActivated !== undefined)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = button(label, item.children[i])
            if (found)
                return found
        }
        return null
    }

    function tap(item) {
        mouseClick(item, item.width / 2, item.height / 2)
    }

    function openDialog(projectId) {
        _modelManager.clear()
        _dialogController.clear()
        var component = Qt.createComponent("qrc:/qml/Dialogs/ImportProjectDialog.qml")
        verify(component.status === Component.Ready, component.errorString())
        dialog = component.createObject(testCase, { width: testCase.width, height: testCase.height, shown: true,
                                                    projectName: "North", projectId: projectId })
        verify(dialog !== null)
        dismissSpy.clear()
        dismissSpy.target = dialog
        tryCompare(dialog, "opacity", 1)
        compare(dialog.title, "Merge Project: North")
    }

    function cleanup() {
        dismissSpy.target = null
        if (dialog)
            dialog.destroy()
        dialog = null
    }

    function test_unknownProjectFails() {
        openDialog(77)
        tap(button("Merge"))
        compare(_modelManager.calls, ["import:77,0,0"])
        compare(_dialogController.calls, ["toastError:Failed to import"])
        verify(button("Merge").enabled)
        verify(button("Cancel").enabled)
        compare(dismissSpy.count, 0)
    }

    function test_completion_data() {
        return [
            { tag: "cancelled", successful: false, cancelled: true, toast: "toastInfo:Import was cancelled", closed: 1 },
            { tag: "successful", successful: true, cancelled: false, toast: "toastOk:Import Successful", closed: 1 },
            { tag: "failed", successful: false, cancelled: false, toast: "toastError:Failed to import", closed: 0 }
        ]
    }

    function test_completion(data) {
        openDialog(1)
        tap(button("Merge"))
        verify(!button("Merge").enabled)
        verify(!button("Cancel").enabled)
        findChild(dialog, "activityIndicator").onCompleted({ successful: data.successful, cancelled: data.cancelled })
        compare(_dialogController.calls, [data.toast])
        compare(dismissSpy.count, data.closed)
        verify(button("Merge").enabled)
    }

    function test_touchOutsideWhileRunning() {
        openDialog(1)
        tap(button("Merge"))
        findChild(dialog, "activityIndicator").running = true
        mouseClick(testCase, 2, 2)
        compare(dismissSpy.count, 0)
        verify(dialog.visible)
    }
}
