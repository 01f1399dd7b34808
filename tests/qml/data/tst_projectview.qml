import QtQuick 2.4
import QtTest 1.1

// The project view stand-in and project loading with and without a model
// manager. The tests run in name order: the first finds no model manager.
TestCase {
    id: testCase
    visible: true
    name: "ProjectView"
    width: 800
    height: 600

    function createView() {
        var view = Qt.createComponent("qrc:/qml/ProjectView.qml").createObject(testCase,
                { width: 800, height: 600 })
        verify(view !== null)
        return view
    }

    function cleanup() {
        compare(_testSupport.takeWarnings(), [])
    }

    function test_1_withoutModelManager() {
        verify(typeof _modelManager === "undefined")
        _dialogController.toastReady = false
        var view = createView()
        compare(findChild(view, "projectName").text, "")
        verify(_dialogController.toastReady)
        view.destroy()
    }

    function test_2_projectName_data() {
        return [
            { tag: "null model manager", present: false, project: null, text: "" },
            { tag: "no current project", present: true, project: null, text: "" },
            { tag: "named project", present: true, project: "Glen Coe", text: "Glen Coe" },
            { tag: "unnamed project", present: true, project: "", text: "" }
        ]
    }

    function test_2_projectName(data) {
        var manager = _testSupport.setModelManagerPresent(data.present)
        if (manager)
            manager.currentProject = data.project === null ? null : _testSupport.createProject(data.project)
        var view = createView()
        compare(findChild(view, "projectName").text, data.text)
        view.destroy()
    }

    function test_3_followsTheCurrentProject() {
        var manager = _testSupport.setModelManagerPresent(true)
        var project = _testSupport.createProject("First")
        manager.currentProject = project
        var view = createView()
        var label = findChild(view, "projectName")
        compare(label.text, "First")
        project.name = "Renamed"
        compare(label.text, "Renamed")
        manager.currentProject = _testSupport.createProject("Second")
        compare(label.text, "Second")
        view.destroy()
    }

    function test_4_loadProjectSetsTheCurrentProject() {
        var manager = _testSupport.setModelManagerPresent(true)
        _appManager.initialView = "ProjectView.qml"
        var root = Qt.createComponent("qrc:/qml/main.qml").createObject(testCase)
        root.loadProject(12)
        compare(manager.lastRequestedProject, 12)
        verify(String(findChild(root, "screenLoader").source).indexOf("ProjectView.qml") >= 0)
        root.destroy()
    }
}
