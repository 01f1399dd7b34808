import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// Announces a newer build: the versions and its notes, then either the
// download page or a reminder on a later day.
BaseDialog {
    id: dialog

    readonly property var app: (typeof _appManager !== "undefined") ? _appManager : null

    function getNewVersion() {
        var url = app ? app.newBuildUrl : ""
        dismiss(0)
        Utils.openLink(url)
    }

    function remindLater() {
        dismiss(1)
        if (app)
            app.newBuildRemindLater()
    }

    title: "Updated Quarzel Available"
    hasDoneButton: false

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: buttonRow.top
        anchors.margins: Utils.theme("margin", Utils.dp(10))
        clip: true
        spacing: Utils.theme("spacing", Utils.dp(8))

        Repeater {
            model: [
                { label: "You have version:", value: dialog.app ? dialog.app.buildNumber : "", name: "buildNumber" },
                { label: "New version available:", value: dialog.app ? dialog.app.newBuildNumber : "", name: "newBuildNumber" },
                { label: "Notes:", value: dialog.app ? dialog.app.newBuildNotes : "", name: "newBuildNotes" }
            ]
            delegate: Column {
                width: parent.width
                Text {
                    text: modelData.label
                    font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                    color: Utils.theme("kivBlue", "#006eb8")
                }
                Text {
                    objectName: modelData.name
                    width: parent.width
                    wrapMode: Text.Wrap
                    text: modelData.value
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                }
            }
        }
    }

    Row {
        id: buttonRow
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: Utils.theme("margin", Utils.dp(10))
        spacing: Utils.theme("spacing", Utils.dp(8))

        ActionButton {
            objectName: "getNewVersionButton"
            width: Utils.theme("buttonWidth", Utils.dp(33)) * 5
            label: "Get New Version"
            onButtonActivated: dialog.getNewVersion()
        }
        ActionButton {
            objectName: "remindLaterButton"
            width: Utils.theme("buttonWidth", Utils.dp(33)) * 5
            label: "Remind Me Later"
            onButtonActivated: dialog.remindLater()
        }
    }
}
