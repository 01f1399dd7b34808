import QtQuick 2.4
import QtTest 1.1

TestCase {
    id: testCase
    name: "ExportProjectDialog"
    width: 1024
    height: 768
    visible: true
    when: windowShown

    property var dialog: null

    SignalSpy { id: dismissSpy; signalName: "dismiss" }

    function buttons(item, found) {
        if (item.label !== undefined && item.buttonActivated !== undefined)
            found[item.label] = item
        for (var i = 0; i < item.children.length; ++i)
            buttons(item.children[i], found)
        return found
    }

    function button(label) {
        var found = buttons(dialog, {})[label]
        verify(found !== undefined, label)
        return found
    }

    function tap(item) {
        mouseClick(item, item.width / 2, item.height / 2)
    }

    function chooseFormat(index) {
        findChild(dialog, "formatSelector").activeButton = index
    }

    function openDialog(desktop) {
        _appManager.isDesktopOS = desktop
        _modelManager.clear()
        _dialogController.clear()
        var component = Qt.createComponent("qrc:/qml/Dialogs/ExportProjectDialog.qml")
        verify(component.status === Component.Ready, component.errorString())
        dialog = component.createObject(testCase,
                    { width: testCase.width, height: testCase.height, shown: true })
        verify(dialog !== null)
        dismissSpy.clear()
        dismissSpy.target = dialog
        tryCompare(dialog, "opacity", 1)
    }

    function cleanup() {
        _modelManager.refuseShares = false
        dismissSpy.target = null
        if (dialog)
            dialog.destroy()
        dialog = null
    }

    function exportAs(index) {
        chooseFormat(index)
        tap(button("Export"))
    }

    function test_start() {
        openDialog(false)
        compare(dialog.title, "Export Project")
        compare(dialog.hasDoneButton, false)
        verify(!button("Share").enabled)
        verify(button("Export").enabled)
        compare(findChild(dialog, "hint").text, "File is stored alongside the project folder")
        chooseFormat(2)
        compare(findChild(dialog, "hint").text, "Files will be stored inside the project folder")
        cleanup()
        openDialog(true)
        verify(!button("Reveal").enabled)
    }

    function test_export_data() {
        return [
            { tag: "KIV", index: 0, call: "exportProjectToKIV", share: "shareKIV" },
            { tag: "KMZ", index: 1, call: "exportProjectToKML", share: "shareKMZ" },
            { tag: "CSV", index: 2, call: "exportProjectToCSV", share: "shareCSV" },
            { tag: "KMZ, revealed", index: 1, call: "exportProjectToKML", share: "shareKMZ", desktop: true },
            { tag: "KIV, no file manager", index: 0, call: "exportProjectToKIV", share: "shareKIV", desktop: true,
              refused: true, toast: "toastError:Failed to open folder" },
            { tag: "CSV, nothing to share with", index: 2, call: "exportProjectToCSV", share: "shareCSV",
              refused: true, toast: "toastError:Failed to share export" }
        ]
    }

    function test_export(data) {
        var share = data.desktop ? "Reveal" : "Share"
        openDialog(!!data.desktop)
        _modelManager.refuseShares = !!data.refused
        exportAs(data.index)
        compare(_modelManager.calls, [data.call])
        compare(_modelManager.lastProject, _modelManager.currentProject)
        compare(_modelManager.lastProgress, findChild(dialog, "activityIndicator"))
        verify(!button("Cancel").enabled)
        verify(!button("Export").enabled)
        verify(!button(share).enabled)

        findChild(dialog, "activityIndicator").onCompleted({ successful: true, cancelled: false })
        compare(_dialogController.calls, ["toastOk:Export Successful"])
        verify(dialog.hasExportedSuccessfully)
        verify(button(share).enabled)
        verify(button("Export").enabled)
        tap(button(share))
        compare(_modelManager.calls, [data.call, data.share])
        compare(_dialogController.calls, data.toast ? ["toastOk:Export Successful", data.toast]
                                                    : ["toastOk:Export Successful"])
        compare(dismissSpy.count, 0)
    }

    function test_completion_data() {
        return [
            { tag: "successful, flagged cancelled", successful: true, cancelled: true,
              toast: "toastOk:Export Successful", share: true, closed: false },
            { tag: "failed", successful: false, cancelled: false,
              toast: "toastError:Failed to Export to Google Earth (.kmz) file", share: false, closed: false },
            { tag: "cancelled", successful: false, cancelled: true,
              toast: "toastInfo:Export was cancelled", share: false, closed: true }
        ]
    }

    function test_completion(data) {
        openDialog(false)
        exportAs(1)
        findChild(dialog, "activityIndicator").onCompleted({ successful: data.successful, cancelled: data.cancelled })
        compare(_dialogController.calls, [data.toast])
        compare(dialog.hasExportedSuccessfully, data.share)
        compare(button("Share").enabled, data.share)
        compare(dismissSpy.count, data.closed ? 1 : 0)
        if (data.closed)
            compare(dismissSpy.signalArguments[0][0], 0)
    }

    function test_formatChangeDisablesShare() {
        openDialog(false)
        exportAs(1)
        findChild(dialog, "activityIndicator").onCompleted({ successful: true, cancelled: false })
        verify(button("Share").enabled)
        chooseFormat(2)
        verify(!dialog.hasExportedSuccessfully)
        verify(!button("Share").enabled)
        verify(button("Export").enabled)
        verify(button("Cancel").enabled)
    }

    function test_cancelCloses() {
        openDialog(false)
        tap(button("Cancel"))
        compare(dismissSpy.count, 1)
        compare(dismissSpy.signalArguments[0][0], 0)
    }

    function test_noOutsideCloseWhileRunning() {
        openDialog(false)
        verify(dialog.canceledOnTouchOutside)
        var indicator = findChild(dialog, "activityIndicator")
        indicator.running = true
        verify(!dialog.canceledOnTouchOutside)
        verify(!findChild(dialog, "hint").visible)
        verify(indicator.visible)
        indicator.running = false
        verify(dialog.canceledOnTouchOutside)
    }
}
