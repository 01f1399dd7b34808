import QtQuick 2.4
import quarzel.touch 1.0
import "../Widgets"
import "../Utils.js" as Utils

// Exports the current project as an exchange archive, a KMZ file or CSV
// files, and shares (or reveals) the result.
BaseDialog {
    id: dialog

    property bool hasExportedSuccessfully: false
    readonly property alias buttonsModel: buttonsModel
    readonly property var formats: ["Strand (.kiv)", "Google Earth (.kmz)", "CSV"]

    title: "Export Project"
    hasDoneButton: false
    // The export reads the project without a lock: no going back to editing
    // while it runs.
    canceledOnTouchOutside: !activityIndicator.running

    function setBusy(busy) {
        buttonsModel.setProperty(0, "available", !busy)
        buttonsModel.setProperty(1, "available", !busy)
        buttonsModel.setProperty(2, "available", hasExportedSuccessfully)
    }

    function startExport() {
        setBusy(true)
        var project = _modelManager.currentProject
        switch (formatSelector.activeButton) {
        case 0: _modelManager.exportProjectToKIV(project, activityIndicator); break
        case 1: _modelManager.exportProjectToKML(project, activityIndicator); break
        default: _modelManager.exportProjectToCSV(project, activityIndicator); break
        }
    }

    // Nothing may be there to open the folder or take the files: say so.
    function share() {
        var shown
        switch (formatSelector.activeButton) {
        case 0: shown = _modelManager.shareKIV(); break
        case 1: shown = _modelManager.shareKMZ(); break
        default: shown = _modelManager.shareCSV(); break
        }
        if (!shown)
            _dialogController.toastError(_appManager.isDesktopOS ? "Failed to open folder" : "Failed to share export")
    }

    // Success first: a task flagged cancelled may still have run to its end.
    function exportCompleted(task) {
        if (task.successful) {
            _dialogController.toastOk("Export Successful")
            hasExportedSuccessfully = true
        } else if (task.cancelled) {
            _dialogController.toastInfo("Export was cancelled")
            dismiss(0)
            return
        } else {
            _dialogController.toastError("Failed to Export to " + formats[formatSelector.activeButton] + " file")
            hasExportedSuccessfully = false
        }
        setBusy(false)
    }

    Component.onCompleted: {
        if (_appManager.isDesktopOS)
            buttonsModel.setProperty(2, "label", "Reveal")
    }

    ListModel {
        id: buttonsModel
        ListElement { label: "Cancel"; result: 0; available: true }
        ListElement { label: "Export"; result: 1; available: true }
        ListElement { label: "Share"; result: 2; available: false }
    }

    Column {
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttonBar.top
        spacing: Utils.theme("spacing", Utils.dp(8))

        SegmentedButton {
            id: formatSelector
            objectName: "formatSelector"
            anchors.left: parent.left
            anchors.right: parent.right
            buttons: dialog.formats
            onActiveButtonChanged: {
                dialog.hasExportedSuccessfully = false
                dialog.setBusy(false)
            }
        }

        Text {
            objectName: "hint"
            anchors.left: parent.left
            anchors.right: parent.right
            visible: !activityIndicator.running
            wrapMode: Text.Wrap
            font.italic: true
            font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
            color: Utils.theme("kivGrey", "#565757")
            text: formatSelector.activeButton === 2 ? "Files will be stored inside the project folder"
                                                    : "File is stored alongside the project folder"
        }

        ProgressIndicator {
            id: activityIndicator
            objectName: "activityIndicator"
            anchors.horizontalCenter: parent.horizontalCenter
            width: Utils.dp(120)
            height: width
            visible: running

            function onCompleted(task) {
                dialog.exportCompleted(task)
            }
        }
    }

    DialogButtonBar {
        id: buttonBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: implicitHeight
        model: buttonsModel
        onButtonClicked: {
            if (result === 1)
                dialog.startExport()
            else if (result === 2)
                dialog.share()
            else
                dialog.dismiss(0)
        }
    }
}
