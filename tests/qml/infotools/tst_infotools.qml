import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml/Tools"

// The project panel's save, refusal and export paths; the stereonet panel's
// filter state and statistics line.
TestCase {
    id: testCase
    visible: true
    name: "InfoTools"
    width: 700
    height: 800
    when: windowShown

    readonly property var project: _modelManager.currentProject
    property var panel: null

    function named(item, objectName) {
        if (item.objectName === objectName)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = named(item.children[i], objectName)
            if (found)
                return found
        }
        return null
    }

    function open(file) {
        panel = Qt.createComponent("qrc:/qml/Tools/" + file).createObject(testCase, { height: testCase.height })
        verify(panel !== null)
        panel.setActive(true)
        waitForRendering(panel)
    }

    function editField(name, text) {
        var field = named(panel, name)
        field.edit()
        named(field, "input").text = text
        field.finish(true)
        return field
    }

    function init() {
        _dialogController.toastReady = true
        _dialogController.dismissToast()
        project.name = "Test"
        project.declination = 999
    }

    function cleanup() {
        panel.destroy()
        panel = null
    }

    function test_declinationWithoutValueShowsZero() {
        open("ProjectTool.qml")
        compare(named(panel, "declinationField").text, "0.000")
    }

    function test_editSavesAllFieldsAndKeepsNoDeclination() {
        open("ProjectTool.qml")
        editField("nameField", "Renamed")
        compare(project.name, "Renamed")
        compare(project.declination, 999)
        editField("declinationField", "-12.25")
        compare(project.declination, -12.25)
    }

    function test_refusalRestoresTheField_data() {
        return [{ tag: "name", field: "nameField", text: "", restored: "Test" },
                { tag: "declination", field: "declinationField", text: "500", restored: "0.000" }]
    }

    function test_refusalRestoresTheField(data) {
        open("ProjectTool.qml")
        ignoreWarning(data.tag === "name" ? "Invalid project name!" : "Unable to parse declination!")
        var field = editField(data.field, data.text)
        tryCompare(_dialogController, "toastMessage", "Failed to save project")
        compare(field.text, data.restored)
        compare(project.name, "Test")
    }

    function test_exportOpensTheDialog() {
        open("ProjectTool.qml")
        verify(project.numberOfLocalities > 0)
        named(panel, "exportButton").buttonActivated()
        compare(_dialogController.customDialogType, "ExportProjectDialog.qml")
    }

    function test_configureEntersFiltering() {
        open("StereoNetTool.qml")
        var button = named(panel, "configureButton")
        compare(button.label, "Configure")
        button.buttonActivated()
        compare(panel.state, "FILTERING")
        compare(button.label, "Done")
        button.buttonActivated()
        compare(panel.state, "")
    }

    function test_statisticsLine() {
        open("StereoNetTool.qml")
        verify(panel.statisticsText.indexOf("Mean Resultant Plane: ") === 0)
        verify(panel.manager.dataModel !== null)
    }
}
