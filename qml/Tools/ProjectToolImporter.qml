import QtQuick 2.4
import quarzel.touch 1.0
import "../Widgets"
import "../Utils.js" as Utils

// Picks the project to merge into the current one.
Item {
    id: panel

    signal done()

    function openImport(project) {
        _dialogController.launchCustomDialog("ImportProjectDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.projectName = project.name
        dialog.projectDescription = project.description
        dialog.numberOfLocalities = project.numLocalities
        dialog.fileSize = project.fileSize
        dialog.projectId = project.projectId
    }

    Text {
        id: heading
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        font.bold: true
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
        text: "Pick Other Project"
    }

    ListView {
        id: list
        objectName: "projectList"
        anchors.top: heading.bottom
        anchors.bottom: doneButton.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        clip: true
        model: ProjectListModel { excludeCurrentProject: true }
        delegate: Rectangle {
            width: list.width
            height: Utils.theme("buttonHeight", Utils.dp(40))
            color: mouseArea.pressed ? Utils.theme("pressedButtonColor", "#009cde") : "transparent"
            Text {
                anchors.verticalCenter: parent.verticalCenter
                anchors.left: parent.left
                anchors.right: parent.right
                elide: Text.ElideRight
                text: model.name
                textFormat: Text.PlainText
                maximumLineCount: 1
            }
            MouseArea {
                id: mouseArea
                anchors.fill: parent
                onClicked: panel.openImport(model)
            }
        }
    }

    Text {
        objectName: "emptyText"
        anchors.top: heading.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        visible: list.count === 0
        wrapMode: Text.Wrap
        color: Utils.theme("kivGrey", "#565757")
        text: "There is no other project to merge."
    }

    ActionButton {
        id: doneButton
        objectName: "doneButton"
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        width: Utils.dp(120)
        height: Utils.theme("buttonHeight", Utils.dp(40))
        label: "Done"
        onButtonActivated: panel.done()
    }
}
