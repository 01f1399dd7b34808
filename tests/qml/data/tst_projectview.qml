import QtQuick 2.4
import QtTest 1.1

// The project screen's page loader, with a stand-in map page.
TestCase {
    id: testCase
    visible: true
    name: "ProjectView"
    width: 800
    height: 600

    function createView() {
        var view = Qt.createComponent("qrc:/qml/ProjectView.qml").createObject(testCase)
        verify(view !== null)
        return view
    }

    function cleanup() {
        _testSupport.setMapViewFile("screens/MapView.qml")
        compare(_testSupport.takeWarnings(), [])
    }

    function test_mapPageLifecycle() {
        var manager = _testSupport.setModelManagerPresent(true)
        var view = createView()
        compare(view.title, "ProjectViewController")
        verify(view.active && view.enabled)
        var loader = findChild(view, "pageLoader")
        var page = loader.components["MapView"]
        verify(page)
        compare(page.projectView, view)
        compare(loader.currentPage, "MapView")
        tryCompare(page, "opacity", 1)
        tryVerify(function() { return page.calls.length === 3 })
        compare(page.calls, ["viewDidLoad", "viewWillAppear", "viewDidAppear"])

        // The current page shown again calls nothing.
        loader.showPage("MapView")
        wait(_ui.defaultAnimationDuration + 50)
        compare(page.calls.length, 3)

        var closes = manager.closes
        view.closeProject(4)
        compare(page.calls[3], "prepareToClose")
        compare(manager.closes, closes + 1)
        view.destroy()
    }

    function test_brokenMapPage() {
        var manager = _testSupport.setModelManagerPresent(true)
        _testSupport.setMapViewFile("screens/BrokenMapView.qml")
        _testSupport.takeDebugLines()
        _dialogController.toastReady = false
        var view = createView()
        verify(_dialogController.toastReady)
        var notReady = _testSupport.takeDebugLines().filter(function(line) {
            return line.indexOf("Component not ready: ") === 0 && line.indexOf("BrokenMapView.qml:5") > 0
        })
        verify(notReady.length > 0)
        var loader = findChild(view, "pageLoader")
        compare(Object.keys(loader.components).length, 0)
        compare(loader.currentPage, "")
        var closes = manager.closes
        view.closeProject(4)
        compare(manager.closes, closes + 1)
        view.destroy()
    }

    function test_mapLogosLoad_data() {
        return [
            { tag: "maker", source: "qrc:/marketing/Resources/KV_white.svg" },
            { tag: "name", source: "qrc:/marketing/Resources/KV_Quarzel_Name.svg" }
        ]
    }

    function test_mapLogosLoad(data) {
        var image = Qt.createQmlObject("import QtQuick 2.4; Image {}", testCase)
        image.source = data.source
        tryCompare(image, "status", Image.Ready)
        verify(image.sourceSize.width > 0)
        image.destroy()
    }
}
