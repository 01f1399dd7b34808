import QtQuick 2.4
import QtTest 1.1

// The root file and the screens it switches between, without a model manager.
TestCase {
    id: testCase
    visible: true
    name: "Main"
    width: 1024
    height: 768
    when: windowShown

    property var root: null

    function screenFile() {
        var source = String(findChild(root, "screenLoader").source)
        return source.substring(source.lastIndexOf("/") + 1)
    }

    function init() {
        _appManager.initialView = "Splash.qml"
        _appManager.userKeyboardControl = false
        var component = Qt.createComponent("qrc:/qml/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        root = component.createObject(testCase)
        verify(root !== null)
    }

    function cleanup() {
        root.destroy()
        root = null
        wait(0)
    }

    function test_defaultSize() {
        compare(root.width, 1024)
        compare(root.height, 768)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_splashLeadsToTheProjectView() {
        compare(screenFile(), "Splash.qml")
        _dialogController.toastReady = false
        tryCompare(_appManager, "initialView", "ProjectView.qml", 1000)
        compare(screenFile(), "ProjectView.qml")
        verify(root.screen !== null)
        // Its map page lets waiting toasts through.
        tryVerify(function() { return _dialogController.toastReady })
        compare(_testSupport.takeWarnings(), [])
    }

    function test_splashLayout() {
        var splash = Qt.createComponent("qrc:/qml/Splash.qml").createObject(testCase,
                { width: 600, height: 480 })
        var logo = findChild(splash, "logo")
        var emblem = findChild(splash, "emblem")
        compare(logo.status, Image.Ready)
        compare(emblem.status, Image.Ready)
        compare(emblem.width, 100)
        compare(emblem.x + emblem.width + emblem.anchors.rightMargin, 600)
        splash.destroy()
        compare(_testSupport.takeWarnings(), [])
    }

    function test_keyboardButtonFollowsTheSetting() {
        var button = findChild(root, "keyboardButton")
        verify(!button.visible)
        _appManager.userKeyboardControl = true
        verify(button.visible)
        verify(button.enabled)
        compare(button.x + button.width + _ui.innerMargin, root.width)
        compare(button.y + button.height + _ui.innerMargin, root.height)
        _appManager.userKeyboardControl = false
        verify(!button.visible)
    }

    function test_loadProjectWithoutModelManager() {
        root.loadProject(3)
        compare(screenFile(), "ProjectView.qml")
        compare(_testSupport.takeWarnings(), [])
    }

    function test_screenSignalsReachTheRoot() {
        tryCompare(_appManager, "initialView", "ProjectView.qml", 1000)
        _appManager.initialView = "TestScreen.qml"
        compare(screenFile(), "TestScreen.qml")
        compare(root.screen.projectId, -1)

        root.screen.closeProject(7)
        compare(root.closedProjectId, 7)
        var loader = findChild(root, "screenLoader")
        tryVerify(function() { return loader.opacity < 1 })
        tryCompare(testCase, "screenFileName", "Home.qml")
        compare(loader.opacity, 1)
        compare(root.screen.projectId, 7)
        compare(_testSupport.takeWarnings(), [])

        // The next screen learns which project was closed.
        _appManager.initialView = "ProjectView.qml"
        _appManager.initialView = "TestScreen.qml"
        compare(root.screen.projectId, 7)
        root.screen.loadProject(4)
        compare(screenFile(), "ProjectView.qml")
        compare(_testSupport.takeWarnings(), [])
    }

    readonly property string screenFileName: root ? screenFile() : ""
}
