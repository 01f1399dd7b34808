import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import "../"
import "../Widgets"
import "ProjectTool"
import "."
import "../Utils.js" as Utils

// The current project's own fields. Every edit saves all four texts, once,
// however the field is left; a refused save puts the edited field back to
// what the project holds.
BaseTool {
    id: projectTool
    toolName: "Project Properties"
    iconLabel: "Project"
    imageSrc: "qrc:/qml/images/project.svg"

    property var project: (typeof _modelManager !== "undefined" && _modelManager)
                          ? _modelManager.currentProject : null
    property var locationManager: (typeof _appManager !== "undefined" && _appManager)
                                  ? _appManager.locationManager : null
    property bool waitingForDeclination: false
    // A project without a declination shows 0; unless the user gives one,
    // saving the other fields must keep it without.
    property bool declinationGiven: false
    // The merge picker covers the fields while it is open.
    property bool picking: false
    readonly property real labelWidth: Utils.dp(90)
    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40))

    manager: ProjectToolManager {
        active: projectTool.shown
        mapView: projectTool.mapView
    }

    function declinationText(value) {
        return (value === undefined || value === null || value === Utils.noValue) ? (0).toFixed(3) : Number(value).toFixed(3)
    }

    function load() {
        nameField.text = project ? project.name : ""
        declinationField.text = declinationText(project ? project.declination : Utils.noValue)
        declinationGiven = false
        prefixField.text = project ? project.localityBaseName : ""
        descriptionField.text = project ? project.description : ""
        keepTexts()
    }

    // The texts as stored, as the fields give them back (the text edit
    // turns some characters into others): a field left as it was saves nothing.
    property var storedTexts: []
    function texts() {
        return [nameField.text, declinationField.text, prefixField.text, descriptionField.text]
    }
    function keepTexts() { storedTexts = texts() }
    function differs() {
        // A declination given as the 0 shown for none is a change too.
        if (declinationGiven && project && project.declination === Utils.noValue)
            return true
        var now = texts()
        for (var i = 0; i < now.length; ++i) {
            if (now[i] !== storedTexts[i])
                return true
        }
        return false
    }

    // Ends typing as Return does, whichever way the screen is left.
    function commit() {
        var inplace = [nameField, declinationField, prefixField]
        for (var i = 0; i < inplace.length; ++i) {
            if (inplace[i].editing)
                inplace[i].finish(true)
        }
        // The description's own end of editing saves it.
        if (descriptionField.textItem.activeFocus)
            descriptionField.textItem.focus = false
        if (differs())
            save(descriptionField)
    }

    function restore(field) {
        if (!project)
            return
        if (field === nameField)
            field.text = project.name
        else if (field === declinationField) {
            field.text = declinationText(project.declination)
            declinationGiven = false
        } else if (field === prefixField)
            field.text = project.localityBaseName
        else if (field === descriptionField)
            field.text = project.description
    }

    // A declination the user gives is a number from -180 to 180; the stored
    // mark for none (999) is none the user can give.
    function declinationRefused() {
        var text = declinationField.text.trim()
        var value = Number(text)
        return declinationGiven && (text === "" || !isFinite(value) || value < -180 || value > 180)
    }

    function save(field) {
        if (!differs())
            return true
        var declination = (!declinationGiven && project && project.declination === Utils.noValue) ? String(Utils.noValue)
                                                                                        : declinationField.text
        var refused = declinationRefused()
        if (!refused && manager.save(nameField.text, declination, prefixField.text, descriptionField.text)) {
            keepTexts()
            return true
        }
        _dialogController.toastError(refused ? "Invalid declination" : "Failed to save project")
        restore(field)
        // No field shows a declination that is not stored.
        if (refused)
            restore(declinationField)
        keepTexts()
        return false
    }

    function requestDeclination() {
        if (!locationManager)
            return
        // As long as the location manager's own update interval.
        var interval = locationManager.updateInterval()
        declinationWait.interval = interval > 0 ? interval : 30000
        waitingForDeclination = true
        locationManager.startDeclinationUpdates()
        // Without a location service nothing will come.
        if (waitingForDeclination && !locationManager.updating)
            declinationFailed()
    }

    // The wait ended without a value: the button comes back, the user is told.
    function declinationFailed() {
        if (!waitingForDeclination)
            return
        waitingForDeclination = false
        _dialogController.toastError("No position for the declination.")
    }

    function exportProject() {
        commit()
        if (!project || project.numberOfLocalities === 0)
            _dialogController.toastError("Cannot export empty project")
        else
            _dialogController.launchCustomDialog("ExportProjectDialog.qml")
    }

    onShownChanged: {
        if (shown)
            load()
        else {
            commit()
            waitingForDeclination = false
            picking = false
        }
    }
    onProjectChanged: load()

    // Closing the window ends the program: what was typed is saved first.
    Connections {
        target: projectTool.Window.window
        ignoreUnknownSignals: true
        function onClosing() { projectTool.commit() }
    }

    Connections {
        target: projectTool.waitingForDeclination ? projectTool.locationManager : null
        ignoreUnknownSignals: true
        function onDeclinationChanged(declination) {
            // Checked here too: a retargeted Connections may still deliver.
            if (!projectTool.waitingForDeclination || declination === Utils.noValue)
                return
            projectTool.waitingForDeclination = false
            declinationField.text = Number(declination).toFixed(3)
            projectTool.declinationGiven = true
            projectTool.save(declinationField)
        }
        // A position that comes while waiting gives the declination.
        function onLastKnownCoordinateUpdated() { projectTool.locationManager.startDeclinationUpdates() }
        function onUpdatingChanged(updating) {
            if (!updating)
                projectTool.declinationFailed()
        }
        function onUpdateTimeout() { projectTool.declinationFailed() }
    }

    Timer {
        id: declinationWait
        running: projectTool.waitingForDeclination
        onTriggered: projectTool.declinationFailed()
    }

    Text {
        id: title
        objectName: "title"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        height: projectTool.rowHeight
        verticalAlignment: Text.AlignVCenter
        text: projectTool.toolName
        font.bold: true
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
    }

    ActionButton {
        id: exportButton
        objectName: "exportButton"
        anchors.right: parent.right
        anchors.verticalCenter: title.verticalCenter
        anchors.rightMargin: Utils.theme("spacing", Utils.dp(8))
        width: Utils.theme("buttonWidth", Utils.dp(33)) * 1.2
        height: width
        symbol: "exportDataIcon"
        onButtonActivated: projectTool.exportProject()
    }

    Flickable {
        id: flick
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Utils.theme("spacing", Utils.dp(8))
        contentHeight: fields.height
        clip: true

        Column {
            id: fields
            width: flick.width
            spacing: Utils.theme("spacing", Utils.dp(8))

            Row {
                height: projectTool.rowHeight
                FieldLabel { width: projectTool.labelWidth; text: "Name" }
                InplaceTextField {
                    id: nameField
                    objectName: "nameField"
                    width: fields.width - projectTool.labelWidth
                    onAccepted: projectTool.save(nameField)
                }
            }
            Row {
                height: projectTool.rowHeight
                FieldLabel { width: projectTool.labelWidth; text: "Created" }
                Text {
                    objectName: "createdText"
                    height: parent.height
                    verticalAlignment: Text.AlignVCenter
                    text: projectTool.project ? projectTool.project.timeString() : ""
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                }
            }
            Row {
                height: projectTool.rowHeight
                FieldLabel { width: projectTool.labelWidth; text: "Declination" }
                InplaceTextField {
                    id: declinationField
                    objectName: "declinationField"
                    width: fields.width - projectTool.labelWidth - compassButton.width
                    onAccepted: {
                        projectTool.declinationGiven = true
                        projectTool.save(declinationField)
                    }
                }
                ActionButton {
                    id: compassButton
                    objectName: "compassButton"
                    width: projectTool.rowHeight
                    height: width
                    symbol: "compassIcon"
                    enabled: projectTool.locationManager !== null && !projectTool.waitingForDeclination
                    onButtonActivated: projectTool.requestDeclination()
                }
            }
            Row {
                height: projectTool.rowHeight
                FieldLabel { width: projectTool.labelWidth; text: "Locality\nPrefix" }
                InplaceTextField {
                    id: prefixField
                    objectName: "prefixField"
                    width: fields.width - projectTool.labelWidth
                    onAccepted: projectTool.save(prefixField)
                }
            }
            Row {
                height: projectTool.rowHeight
                FieldLabel { width: projectTool.labelWidth; text: "Folder" }
                Text {
                    objectName: "folderText"
                    width: fields.width - projectTool.labelWidth
                    height: parent.height
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideMiddle
                    text: projectTool.project ? projectTool.project.pathDisplayString : ""
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                }
            }
            BlockHeader {
                width: fields.width
                text: "Description"
            }
            ExpandableTextArea {
                id: descriptionField
                objectName: "descriptionField"
                width: fields.width
                onEditingFinished: projectTool.save(descriptionField)
            }
            ActionButton {
                objectName: "mergeButton"
                width: fields.width
                height: projectTool.rowHeight
                label: "Merge Project"
                enabled: projectTool.project !== null
                onButtonActivated: {
                    projectTool.commit()
                    projectTool.picking = true
                }
            }
        }
    }

    Rectangle {
        anchors.fill: parent
        visible: projectTool.picking
        color: "#ffffff"
        // Nothing under the picker takes a tap.
        MouseArea { anchors.fill: parent }

        Loader {
            objectName: "mergePicker"
            anchors.fill: parent
            active: projectTool.picking
            sourceComponent: ProjectToolImporter { onDone: projectTool.picking = false }
        }
    }
}
