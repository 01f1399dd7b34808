import QtQuick 2.4
import QtQuick.Window 2.2
import "Dialogs"
import "Widgets"
import "Utils.js" as Utils

// The root of the window: the current screen, the dialogs above it and the
// on-screen keyboard button above everything.
Item {
    id: root

    // The project the last closed screen showed; -1 before any was closed.
    property int closedProjectId: -1
    // The user chose to drop the unsaved work: the next close goes ahead.
    property bool discardConfirmed: false
    property bool askingToClose: false

    readonly property alias screen: screenLoader.item
    readonly property alias dialogDisplay: dialogDisplay

    width: 1024
    height: 768

    function hasModelManager() {
        return typeof _modelManager !== "undefined" && _modelManager !== null
    }

    function loadProject(id) {
        if (hasModelManager())
            _modelManager.setCurrentProject(id)
        screenLoader.source = "ProjectView.qml"
    }

    function closeProject(id) {
        closedProjectId = id
        closeFade.restart()
    }

    function showInitialView() {
        if (typeof _appManager !== "undefined" && _appManager)
            screenLoader.source = _appManager.initialView
    }

    // Asked by the window before it closes. Unsaved work is only dropped when
    // the user says so; what the screens store on closing is stored then.
    function mayClose() {
        var unsaved = screen && screen.unsavedWork ? screen.unsavedWork() : ""
        var window = root.Window.window
        // A file dialog's answer would go nowhere, a dialog's unconfirmed input be lost.
        if (window && typeof window.keptOpen === "function" && window.keptOpen()
                && typeof _dialogController !== "undefined" && _dialogController) {
            _dialogController.toastError(unsaved === "" ? "Close the dialog first"
                                                        : "Unsaved changes: close the dialog first")
            return false
        }
        if (discardConfirmed || unsaved === "") {
            discardConfirmed = false
            return true
        }
        if (typeof _dialogController === "undefined" || !_dialogController)
            return true
        if (askingToClose)
            return false
        // Another dialog's answer must not be taken for this one.
        if (_dialogController.dialogActive) {
            _dialogController.toastError("Unsaved changes: close the dialog first")
            return false
        }
        askingToClose = true
        Utils.askToDiscard(unsaved, function(discard) {
            root.askingToClose = false
            if (!discard) {
                if (root.screen && root.screen.keepWork)
                    root.screen.keepWork()
                return
            }
            root.discardConfirmed = true
            // Once the dialog has let go of its answer.
            Qt.callLater(root.closeWindow)
        })
        return false
    }

    function closeWindow() {
        if (root.Window.window)
            root.Window.window.close()
    }

    Loader {
        id: screenLoader
        objectName: "screenLoader"
        anchors.fill: parent

        onLoaded: {
            if (item.closeProject)
                item.closeProject.connect(root.closeProject)
            if (item.loadProject)
                item.loadProject.connect(root.loadProject)
            if (item.projectId !== undefined)
                item.projectId = root.closedProjectId
        }
    }

    SequentialAnimation {
        id: closeFade
        NumberAnimation {
            target: screenLoader
            property: "opacity"
            from: 1
            to: 0
            duration: Utils.theme("defaultAnimationDuration", 200)
        }
        ScriptAction {
            script: {
                screenLoader.source = "Home.qml"
                screenLoader.opacity = 1
            }
        }
    }

    Connections {
        target: typeof _appManager !== "undefined" ? _appManager : null
        function onInitialViewChanged() { root.showInitialView() }
    }

    DialogDisplay {
        id: dialogDisplay
        anchors.fill: parent
        Component.onCompleted: root.showInitialView()
    }

    ActionButton {
        id: keyboardButton
        objectName: "keyboardButton"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: Utils.theme("innerMargin", Utils.dp(8))
        width: Utils.theme("buttonWidth", Utils.dp(33))
        height: Utils.theme("buttonHeight", Utils.dp(40))
        symbol: "keyboardIcon"
        visible: typeof _appManager !== "undefined" && _appManager !== null
                 && _appManager.userKeyboardControl
        enabled: visible
        onButtonActivated: _appManager.requestOnScreenKeyboard()
    }
}
