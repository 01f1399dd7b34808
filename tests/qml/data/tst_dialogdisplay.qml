import QtQuick 2.4
import QtTest 1.1

// The dialog display against the real dialog controller.
TestCase {
    id: testCase
    visible: true
    name: "DialogDisplay"
    width: 800
    height: 600
    when: windowShown

    property var display: null
    property int screenClicks: 0
    property int screenWheels: 0
    property var results: []

    // Stands for the screen under the dialogs.
    MouseArea {
        anchors.fill: parent
        onClicked: testCase.screenClicks += 1
        onWheel: testCase.screenWheels += 1
    }

    // A one-shot receiver of the controller's answer.
    function expectResult() {
        results = []
        var receiver = function(value) {
            results.push(value)
            _dialogController.result.disconnect(receiver)
        }
        _dialogController.result.connect(receiver)
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

    function child(name) {
        var item = findChild(display, name)
        verify(item !== null, name)
        return item
    }

    function init() {
        screenClicks = 0
        screenWheels = 0
        _dialogController.toastReady = true
        var component = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml")
        compare(component.status, Component.Ready, component.errorString())
        display = component.createObject(testCase, { width: testCase.width, height: testCase.height })
        verify(display !== null)
    }

    function cleanup() {
        _appManager.isDesktopOS = true
        _dialogController.dialogActive = false
        _dialogController.messageBoxActive = false
        _dialogController.customDialogActive = false
        _dialogController.customDialogType = ""
        tryCompare(_dialogController, "toastMessage", "", 5000)
        display.destroy()
        display = null
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_handsItsModelsToTheController() {
        compare(_dialogController.rootItem, display)
        var ok = _dialogController.okButton
        compare(ok.count, 1)
        compare(ok.get(0).label, "OK")
        compare(ok.get(0).result, 0)
        var yesNo = _dialogController.yesNoButtons
        compare(yesNo.count, 2)
        compare(yesNo.get(0).label, "Yes")
        compare(yesNo.get(0).result, 0)
        compare(yesNo.get(1).label, "No")
        compare(yesNo.get(1).result, 1)
    }

    function test_messageBox_data() {
        return [
            { tag: "no model shows OK", yesNo: false, labels: ["OK"], press: "OK", result: 0 },
            { tag: "yes", yesNo: true, labels: ["Yes", "No"], press: "Yes", result: 0 },
            { tag: "no", yesNo: true, labels: ["Yes", "No"], press: "No", result: 1 }
        ]
    }

    function test_messageBox(data) {
        expectResult()
        if (data.yesNo)
            _dialogController.messageBox("Delete it?", "This cannot be undone.", _dialogController.yesNoButtons)
        else
            _dialogController.messageBox("Notice", "Something happened.")

        var messageBox = child("messageBox")
        tryCompare(messageBox, "opacity", 1)
        tryCompare(child("dimmer"), "opacity", 0.75)
        verify(findText(messageBox, data.yesNo ? "Delete it?" : "Notice") !== null)
        verify(findText(messageBox, data.yesNo ? "This cannot be undone." : "Something happened.") !== null)
        var all = ["OK", "Yes", "No"]
        for (var i = 0; i < all.length; ++i)
            compare(findText(messageBox, all[i]) !== null, data.labels.indexOf(all[i]) >= 0, all[i])

        mouseClick(findText(messageBox, data.press))
        compare(results, [data.result])
        verify(!_dialogController.dialogActive)
        verify(!_dialogController.messageBoxActive)
        tryCompare(messageBox, "visible", false)
        tryCompare(child("dimmer"), "opacity", 0)
    }

    function test_dialogBlocksTheScreenBelow() {
        mouseClick(testCase, 10, 10)
        compare(screenClicks, 1)

        _dialogController.messageBox("Notice", "Something happened.")
        tryCompare(child("messageBox"), "opacity", 1)
        mouseClick(testCase, 10, 10)
        mouseWheel(testCase, 10, 10, 0, 120)
        compare(screenClicks, 1)
        compare(screenWheels, 0)
        // The message box does not close on a tap beside it.
        verify(_dialogController.messageBoxActive)
    }

    function test_customDialog() {
        expectResult()
        _dialogController.launchCustomDialog("TestDialog.qml")
        tryVerify(function() { return _dialogController.customDialog !== null })
        var dialog = _dialogController.customDialog
        compare(dialog, child("customDialogLoader").item)
        compare(dialog.title, "Test Dialog")
        verify(dialog.shown)
        tryCompare(dialog, "opacity", 1)

        // A tap on the dialog itself is the dialog's.
        mouseClick(dialog.panel)
        verify(_dialogController.customDialogActive)
        compare(results, [])

        dialog.dismiss(5)
        compare(results, [5])
        verify(!_dialogController.dialogActive)
        verify(!_dialogController.customDialogActive)
        tryCompare(_dialogController, "customDialog", null)
    }

    function test_customDialogClosedByTapBesideIt() {
        expectResult()
        _dialogController.launchCustomDialog("TestDialog.qml")
        tryVerify(function() { return _dialogController.customDialog !== null })
        tryCompare(_dialogController.customDialog, "opacity", 1)
        mouseClick(testCase, 10, 10)
        compare(results, [1])
        compare(screenClicks, 0)
        tryCompare(_dialogController, "customDialog", null)
    }

    function test_customDialogThatCannotLoadIsCancelled() {
        expectResult()
        _dialogController.launchCustomDialog("NoSuchDialog.qml")
        tryCompare(testCase, "results", [1])
        verify(!_dialogController.dialogActive)
        verify(!_dialogController.customDialogActive)
        compare(_dialogController.customDialog, null)
        var warnings = _testSupport.takeWarnings()
        compare(warnings.length, 1)
        verify(warnings[0].indexOf("NoSuchDialog.qml") >= 0, warnings[0])
    }

    function test_customDialogFollowsTheController() {
        _dialogController.launchCustomDialog("TestDialog.qml")
        tryVerify(function() { return _dialogController.customDialog !== null })
        var dialog = _dialogController.customDialog
        // A message box takes over: the custom dialog is no longer shown.
        _dialogController.messageBox("Notice", "Something happened.")
        verify(!dialog.shown)
        verify(!dialog.enabled)
    }

    function test_modalWait_data() {
        return [
            { tag: "working", argument: true, caption: "Working..." },
            { tag: "own caption", argument: "Exporting project", caption: "Exporting project" }
        ]
    }

    function test_modalWait(data) {
        var panel = child("modalWaitPanel")
        verify(!panel.visible)
        _dialogController.modalWait(data.argument)
        // The request is queued: nothing changes before the event loop runs.
        verify(!panel.visible)
        tryCompare(panel, "visible", true)
        compare(child("modalWaitCaption").text, data.caption)
        verify(_dialogController.dialogActive)
        tryCompare(child("dimmer"), "opacity", 0.75)
        mouseClick(testCase, 10, 10)
        compare(screenClicks, 0)

        _dialogController.modalWait(false)
        tryCompare(panel, "visible", false)
        verify(!_dialogController.dialogActive)
    }

    function test_modalWaitEndsUnderAMessageBox() {
        _dialogController.messageBox("Notice", "Something happened.")
        _dialogController.modalWait(true)
        tryCompare(child("modalWaitPanel"), "visible", true)
        _dialogController.modalWait(false)
        tryCompare(child("modalWaitPanel"), "visible", false)
        // The message box is still up, so the background stays blocked.
        verify(_dialogController.dialogActive)
    }

    function test_toastsShowOneAfterAnother() {
        var shown = []
        var toast = child("toast")
        var record = function() { shown.push(child("toastText").text) }
        // A loaded machine may pass the brief full opacity between two polls.
        var opaque = false
        var watch = function() { if (toast.opacity === 1) opaque = true }
        _dialogController.displayToast.connect(record)
        toast.opacityChanged.connect(watch)
        _dialogController.toast("first", "", 50)
        _dialogController.toast("second", "", 50)
        compare(shown, ["first"])
        tryVerify(function() { return opaque }, 3000)
        toast.opacityChanged.disconnect(watch)
        tryCompare(_dialogController, "toastMessage", "second", 3000)
        tryCompare(_dialogController, "toastMessage", "", 3000)
        _dialogController.displayToast.disconnect(record)
        compare(shown, ["first", "second"])
        tryCompare(toast, "visible", false)
    }

    function test_toastStaysForItsDuration() {
        _dialogController.toastOk("saved", 1000)
        compare(child("toastText").text, "saved")
        wait(300)
        // Fade in (250 ms) and part of the stay: still queued.
        compare(_dialogController.toastMessage, "saved")
        verify(child("toast").visible)
        tryCompare(_dialogController, "toastMessage", "", 5000)
    }

    function test_toastWaitsUntilReady() {
        _dialogController.toastReady = false
        _dialogController.toast("early", "", 50)
        wait(100)
        compare(child("toast").opacity, 0)
        compare(_dialogController.toastMessage, "early")
        _dialogController.toastReady = true
        compare(child("toastText").text, "early")
        tryCompare(_dialogController, "toastMessage", "", 3000)
    }

    function test_helpUrlIsALocalFile() {
        var url = display.helpUrl()
        verify(/^file:\/\/\/[^\/]/.test(url), url)
        verify(url.indexOf(_appManager.assetPath()) > 0, url)
        verify(/\/help\/Default\.htm$/.test(url), url)
    }

    function clickBarButton(viewer, label) {
        var button = findText(viewer, label)
        verify(button !== null, label)
        mouseClick(button)
    }

    function pageShows(viewer, heading) {
        return viewer.page.text.indexOf("<h1>" + heading + "</h1>") >= 0
    }

    function test_helpViewer() {
        var folder = _appManager.assetPath() + "/help/"
        verify(_testSupport.writeTextFile(folder + "Default.htm",
                                          "<h1>Start</h1><p><a href=\"second.htm\">more</a></p>"))
        verify(_testSupport.writeTextFile(folder + "second.htm", "<h1>Second</h1>"))
        _appManager.isDesktopOS = false

        display.help()
        var viewer = display.helpViewer
        verify(viewer !== null)
        tryCompare(child("dimmer"), "opacity", 1.0)
        verify(pageShows(viewer, "Start"), viewer.page.text)
        verify(!viewer.canGoBack)

        viewer.page.linkActivated("second.htm")
        verify(pageShows(viewer, "Second"))
        clickBarButton(viewer, "Back")
        verify(pageShows(viewer, "Start"))
        clickBarButton(viewer, "Forward")
        verify(pageShows(viewer, "Second"))
        clickBarButton(viewer, "Back")
        clickBarButton(viewer, "Home")
        verify(pageShows(viewer, "Start"))
        // Going home after going back drops the pages ahead.
        verify(!viewer.canGoForward)
        verify(viewer.canGoBack)

        clickBarButton(viewer, "Close")
        compare(display.helpViewer, null)
        verify(!display.blockOut)
        tryCompare(child("dimmer"), "opacity", 0)
    }

    function test_helpOnDesktopShowsNoViewer_data() {
        return [ { tag: "opened", refused: false, toast: "" },
                 { tag: "no browser", refused: true, toast: "Failed to open link" } ]
    }

    function test_helpOnDesktopShowsNoViewer(data) {
        _appManager.isDesktopOS = true
        _testSupport.refuseLinks(data.refused)
        display.help()
        _testSupport.refuseLinks(false)
        compare(display.helpViewer, null)
        verify(!display.blockOut)
        compare(_testSupport.takeOpenedUrls(), [display.helpUrl()])
        compare(_dialogController.toastMessage, data.toast)
    }
}
