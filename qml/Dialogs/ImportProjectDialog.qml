import QtQuick 2.4
import quarzel.touch 1.0
import "../Widgets"
import "../Utils.js" as Utils

// Merges another project into the current one.
BaseDialog {
    id: dialog

    property string projectName: ""
    property string projectDescription: ""
    property int numberOfLocalities: 0
    property string fileSize: ""
    property int projectId: -1
    readonly property alias buttonsModel: buttonsModel
    readonly property bool busy: !buttonsModel.get(1).available

    title: "Merge Project: " + projectName
    hasDoneButton: false
    // The merge writes the current project from its worker: the dialog stays
    // until it ends.
    canceledOnTouchOutside: false

    function setBusy(isBusy) {
        buttonsModel.setProperty(0, "available", !isBusy)
        buttonsModel.setProperty(1, "available", !isBusy)
    }

    function startMerge() {
        setBusy(true)
        if (!_modelManager.importIntoCurrentProject(projectId, importImages.checked, importMaps.checked,
                                                    activityIndicator)) {
            _dialogController.toastError("Failed to import")
            setBusy(false)
        }
    }

    function importCompleted(task) {
        setBusy(false)
        if (task.successful) {
            _dialogController.toastOk("Import Successful")
            dismiss(0)
        } else if (task.cancelled) {
            _dialogController.toastInfo("Import was cancelled")
            dismiss(0)
        } else {
            _dialogController.toastError("Failed to import")
        }
    }

    ListModel {
        id: buttonsModel
        ListElement { label: "Cancel"; result: 0; available: true }
        ListElement { label: "Merge"; result: 1; available: true }
    }

    Column {
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttonBar.top
        spacing: Utils.theme("spacing", Utils.dp(8))

        Text {
            anchors.left: parent.left
            anchors.right: parent.right
            wrapMode: Text.Wrap
            text: dialog.projectDescription
        }
        Text {
            text: "Number of Localities: " + dialog.numberOfLocalities
        }
        Text {
            text: "On Disk Size: " + dialog.fileSize
        }

        Row {
            spacing: Utils.theme("spacing", Utils.dp(8))
            Switch {
                id: importImages
                objectName: "importImages"
                width: Utils.dp(50)
                height: Utils.dp(28)
            }
            Text { anchors.verticalCenter: parent.verticalCenter; text: "Import Images" }
        }
        Row {
            spacing: Utils.theme("spacing", Utils.dp(8))
            Switch {
                id: importMaps
                objectName: "importMaps"
                width: Utils.dp(50)
                height: Utils.dp(28)
            }
            Text { anchors.verticalCenter: parent.verticalCenter; text: "Import Maps" }
        }

        ProgressIndicator {
            id: activityIndicator
            objectName: "activityIndicator"
            anchors.horizontalCenter: parent.horizontalCenter
            // Wide enough for "Tap to Cancel" inside its ring.
            width: Utils.dp(160)
            height: width
            visible: running

            function onCompleted(task) {
                dialog.importCompleted(task)
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
                dialog.startMerge()
            else
                dialog.dismiss(0)
        }
    }
}
