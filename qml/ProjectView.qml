import QtQuick 2.4
import "Utils.js" as Utils

// Stand-in for the map view of the current project: shows its name and lets
// waiting toasts appear.
Rectangle {
    id: projectView

    readonly property string projectName: {
        if (typeof _modelManager === "undefined" || !_modelManager)
            return ""
        var project = _modelManager.currentProject
        return (project && project.name) ? String(project.name) : ""
    }

    color: "#ffffff"

    Text {
        objectName: "projectName"
        anchors.centerIn: parent
        text: projectView.projectName
        font.pixelSize: Math.max(1, Utils.theme("veryLargeText", Utils.dp(28)))
        color: Utils.theme("kivBlue", "#006eb8")
    }

    Component.onCompleted: {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastReady = true
    }
}
