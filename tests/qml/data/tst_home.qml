import QtQuick 2.4
import QtTest 1.1

// The home screen over a real model manager and documents folder, reached
// by closing a project in the root.
TestCase {
    id: testCase
    visible: true
    name: "Home"
    width: 1024
    height: 768
    when: windowShown

    property var root: null
    property var manager: null

    function screenFile() {
        var source = String(findChild(root, "screenLoader").source)
        return source.substring(source.lastIndexOf("/") + 1)
    }

    // A new model manager with that many projects; closes closedId (else the
    // current project) and waits for the home screen.
    function showHome(projectCount, closedId) {
        if (projectCount > 0)
            manager = _testSupport.useRealModelManager(projectCount)
        _appManager.initialView = "ProjectView.qml"
        root = Qt.createComponent("qrc:/qml/main.qml").createObject(testCase)
        var id = closedId !== undefined ? closedId : manager.currentProject.qmlId()
        root.closeProject(id)
        tryCompare(testCase, "screenFileName", "Home.qml")
        tryCompare(findChild(root, "screenLoader"), "opacity", 1)
        return root.screen
    }

    function card(home, index) {
        home.grid.currentIndex = index
        return home.grid.currentItem
    }

    function cleanup() {
        if (root)
            root.destroy()
        root = null
        wait(0)
        _dialogController.toastReady = false
        compare(_testSupport.takeWarnings(), [])
    }

    function test_closedProjectIsCurrentAndAnotherLoads() {
        manager = _testSupport.useRealModelManager(1)
        var second = manager.createProject()
        manager.createProject()
        var home = showHome(0, second)
        compare(home.projectId, second)
        compare(home.grid.count, 3)
        compare(home.grid.currentIndex, home.projectModel.getIndexFromProjectId(second))
        compare(home.grid.currentItem.cardProjectId, second)
        verify(findChild(home.grid.currentItem, "currentBar").visible)

        var other = card(home, (home.grid.currentIndex + 1) % 3)
        var otherId = other.cardProjectId
        verify(otherId !== second)
        mouseClick(findChild(other, "loadButton"))
        compare(screenFile(), "ProjectView.qml")
        compare(_modelManager.currentProject.qmlId(), otherId)
    }

    function test_deleteAsksAndOnlyTheAnswerDeletes() {
        var home = showHome(3)
        var current = home.grid.currentItem
        var name = current.cardName
        var folder = _testSupport.documentPath() + "/" + name.replace("Project ", "project") + ".qz"
        verify(_testSupport.exists(folder), folder)
        var del = findChild(current, "deleteButton")
        verify(del.enabled)

        del.deleteActivated()
        compare(_dialogController.messageBoxTitle, "Delete " + name + "?")
        compare(_dialogController.messageBoxMessage, "Deleting a project removes it from the disk. This cannot be undone!\n\nAre you sure you want to continue?")
        _dialogController.dismissDialog(1)
        compare(home.grid.count, 3)
        verify(_testSupport.exists(folder))

        // A later, unrelated question answered with its first button.
        _dialogController.messageBox("Other", "Something else", _dialogController.yesNoButtons)
        _dialogController.dismissDialog(0)
        compare(home.grid.count, 3)

        del.deleteActivated()
        _dialogController.dismissDialog(0)
        compare(home.grid.count, 2)
        verify(!_testSupport.exists(folder))
    }

    function test_singleProjectCannotBeDeleted() {
        var home = showHome(1)
        compare(home.grid.count, 1)
        verify(!findChild(home.grid.currentItem, "deleteButton").enabled)
    }

    function test_createProjectLoadsTheNextNumber() {
        var home = showHome(2)
        mouseClick(findChild(home, "createButton"))
        verify(_testSupport.exists(_testSupport.documentPath() + "/project3.qz"))
        compare(screenFile(), "ProjectView.qml")
        compare(_modelManager.currentProject.name, "Project 3")
    }

    function test_importReportsTheOutcome_data() {
        return [
            { tag: "project folder", valid: true, toast: "Project imported", count: 2 },
            { tag: "folder without main.db", valid: false, toast: "Failed to import project", count: 1 }
        ]
    }

    function test_importReportsTheOutcome(data) {
        var home = showHome(1)
        var folder = data.valid ? _testSupport.makeExternalProject("Away") : _testSupport.makeTemporaryFolder()
        var loader = findChild(home, "fileDialog")
        compare(loader.title, "Select a project folder (*.qz)")
        verify(loader.selectFolder)
        loader.accepted("file://" + folder)
        compare(home.grid.count, data.count)
        _dialogController.toastReady = true
        tryCompare(_dialogController, "toastMessage", data.toast)
    }

    function test_cardImageAndExitButton() {
        var home = showHome(2)
        var withPhoto = card(home, 0).cardProjectId
        verify(_testSupport.addLocality(withPhoto, "IMG_1.jpeg"))
        // Re-read: the list learns of new data only on its next change.
        _modelManager.createProject()
        var index = home.projectModel.getIndexFromProjectId(withPhoto)
        var photoSource = String(card(home, index).imageSource)
        verify(photoSource.indexOf("image://default/") === 0, photoSource)
        verify(photoSource.indexOf("IMG_1.jpeg") > 0, photoSource)
        var plain = card(home, index === 0 ? 1 : 0)
        verify(String(plain.imageSource).indexOf("images/mountains.svg") >= 0, plain.imageSource)

        var exit = findChild(home, "exitButton")
        _appManager.isDesktopOS = true
        verify(exit.visible)
        _appManager.isDesktopOS = false
        verify(!exit.visible)
        _appManager.isDesktopOS = true
    }

    // "Created on" and the whole date, on every card at both window sizes.
    function test_createdDateShownWhole_data() {
        return [{ tag: "1024x768", width: 1024, height: 768 }, { tag: "1280x800", width: 1280, height: 800 }]
    }

    function test_createdDateShownWhole(data) {
        var home = showHome(2)
        root.width = data.width
        root.height = data.height
        for (var i = 0; i < home.grid.count; ++i) {
            var created = findChild(card(home, i), "createdText")
            verify(/^Created on .+ \d{4} \d\d:\d\d$/.test(created.text), created.text)
            waitForRendering(created)
            verify(!created.truncated, created.text)
            verify(created.contentWidth <= created.width, created.text)
        }
    }

    readonly property string screenFileName: root ? screenFile() : ""
}
