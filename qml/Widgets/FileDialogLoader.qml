import QtQuick 2.4
import QtQuick.Dialogs 1.2
import QtQuick.Window 2.2
import "../Dialogs"
import "../Utils.js" as Utils

// Asks for a file or a folder: the system's dialog on desktops, our own
// full-window dialog on touch devices. The dialog is made on the first open().
Item {
    id: loader

    property var nameFilters: []
    property string title: "Please choose a file"
    property bool selectFolder: false
    property bool useControls: (typeof _appManager !== "undefined" && _appManager) ? _appManager.isDesktopOS : false
    // The dialog once made; null before the first open().
    property var dialog: null

    signal accepted(url fileUrl)
    signal rejected()

    function open() {
        if (!dialog) {
            // The touch dialog covers the whole window, not just this item.
            var host = loader.Window.contentItem ? loader.Window.contentItem : loader
            dialog = useControls ? desktopDialog.createObject(loader) : touchDialog.createObject(host)
        }
        // The folder mode first: switching it may reset the filters.
        dialog.selectFolder = selectFolder
        dialog.nameFilters = nameFilters
        dialog.title = title
        dialog.open()
    }

    function close() {
        if (dialog)
            dialog.close()
    }

    Component.onDestruction: {
        if (dialog && !useControls)
            dialog.destroy()
    }

    Component {
        id: desktopDialog

        FileDialog {
            // Modal, it would keep the window's close from the program, which
            // then could not ask for the dialog to be closed first: the cover
            // holds the window instead.
            modality: Qt.NonModal
            // The system dialog would start in the process's working folder.
            folder: (typeof _appManager !== "undefined" && _appManager)
                    ? Utils.fileUrl(_appManager.documentPath()) : shortcuts.documents
            onAccepted: loader.accepted(fileUrl)
            onRejected: loader.rejected()
        }
    }

    // Over the window while the system's dialog shows, which the window waits for.
    ScreenLayer {
        objectName: "fileDialogCover"
        parent: loader.Window.contentItem ? loader.Window.contentItem : loader
        anchors.fill: parent
        z: 1000
        visible: loader.useControls && loader.dialog !== null && loader.dialog.visible
        keepsWindowOpen: true

        CoverArea { }
    }

    Component {
        id: touchDialog

        TouchFileDialog {
            z: 1000
            onAccepted: loader.accepted(fileUrl)
            onRejected: loader.rejected()
        }
    }
}
