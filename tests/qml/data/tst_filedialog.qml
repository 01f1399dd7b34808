import QtQuick 2.4
import QtTest 1.1

// The file dialog loader with the touch dialog, and the image gallery, on
// folders made for each test.
TestCase {
    id: testCase
    visible: true
    name: "FileDialog"
    width: 800
    height: 600
    when: windowShown

    property string root: ""
    property var loader: null
    property var accepted: []
    property int rejected: 0

    function init() {
        root = _testSupport.makeTemporaryFolder()
        verify(_testSupport.writeFile(root + "/a.csv"))
        verify(_testSupport.writeFile(root + "/b.txt"))
        verify(_testSupport.makeFolder(root + "/sub/deeper"))
        verify(_testSupport.writeFile(root + "/sub/inner.csv"))
        verify(_testSupport.makeFolder(root + "/empty"))
        accepted = []
        rejected = 0
    }

    function cleanup() {
        if (loader)
            loader.destroy()
        loader = null
    }

    function makeLoader(properties) {
        var component = Qt.createComponent("qrc:/qml/Widgets/FileDialogLoader.qml")
        compare(component.status, Component.Ready, component.errorString())
        loader = component.createObject(testCase, properties)
        loader.accepted.connect(function(url) { accepted.push(url.toString()) })
        loader.rejected.connect(function() { rejected += 1 })
        return loader
    }

    // Opens the touch dialog on folder (relative to root).
    function openTouch(properties, folder) {
        properties.useControls = false
        makeLoader(properties)
        loader.open()
        verify(loader.dialog !== null)
        loader.dialog.model.cd(root + folder)
        return loader.dialog
    }

    function findEntry(item, name) {
        // Rows of a folder left behind keep their item until the view lays out.
        if (item.objectName === "entry" && item.entryName === name && item.entryRow >= 0)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = findEntry(item.children[i], name)
            if (found)
                return found
        }
        return null
    }

    function entry(dialog, name) {
        tryVerify(function() { return findEntry(dialog, name) !== null }, 2000, name)
        return findEntry(dialog, name)
    }

    function url(path) { return "file://" + root + path }

    function test_tapOnFileAccepts() {
        var dialog = openTouch({ nameFilters: ["*.csv"] }, "")
        verify(findEntry(dialog, "b.txt") === null)
        mouseClick(entry(dialog, "a.csv"))
        compare(accepted, [url("/a.csv")])
        verify(!dialog.visible)
    }

    function test_tapOnFolderEntersAndBackGoesUp() {
        var dialog = openTouch({}, "")
        var back = findChild(dialog, "backRow")
        mouseClick(entry(dialog, "sub"))
        entry(dialog, "inner.csv")
        mouseClick(back)
        entry(dialog, "a.csv")
        for (var i = 0; i < 30 && back.visible; ++i)
            mouseClick(back, back.width / 2, back.height / 2, Qt.LeftButton, Qt.NoModifier, 300)
        verify(!back.visible)
        verify(!dialog.model.hasParent)
        compare(accepted, [])
    }

    function test_folderSelection() {
        var dialog = openTouch({ selectFolder: true }, "")
        var select = findChild(dialog, "selectButton")
        verify(select.visible)
        verify(findEntry(dialog, "a.csv") === null)
        verify(!select.enabled)
        mouseClick(entry(dialog, "sub"))
        verify(select.enabled)
        compare(accepted, [])
        mouseClick(select)
        compare(accepted, [url("/sub")])
        verify(!dialog.visible)

        loader.open()
        verify(!select.enabled)
        mouseDoubleClickSequence(entry(dialog, "sub"))
        entry(dialog, "deeper")
        compare(accepted, [url("/sub")])
    }

    function test_cancelRejects() {
        var dialog = openTouch({}, "")
        mouseClick(findChild(dialog, "cancelButton"))
        compare(rejected, 1)
        compare(accepted, [])
        verify(!dialog.visible)
    }

    function test_emptyFolderAndReopen() {
        var dialog = openTouch({}, "/empty")
        var empty = findChild(dialog, "emptyText")
        tryVerify(function() { return empty.visible })
        compare(empty.text, "No Matching Files")
        loader.close()
        verify(_testSupport.writeFile(root + "/empty/new.csv"))
        loader.open()
        entry(dialog, "new.csv")
        verify(!empty.visible)
    }

    function test_desktopForm() {
        makeLoader({ useControls: true, title: "Pick", nameFilters: ["Tables (*.csv)"], selectFolder: true })
        loader.open()
        verify(loader.dialog !== null)
        compare(loader.dialog.title, "Pick")
        compare(loader.dialog.nameFilters, ["Tables (*.csv)"])
        verify(loader.dialog.selectFolder)
        verify(loader.dialog.hasOwnProperty("fileUrl"))
        // Qt's own dialog builds its folder model in the background.
        tryVerify(function() { return _testSupport.incubatingObjects() === 0 }, 30000)
        loader.close()
    }

    function test_gallery() {
        verify(_testSupport.writeImage(root + "/album/pic.png"))
        verify(_testSupport.writeFile(root + "/album/notes.csv"))
        verify(_testSupport.makeFolder(root + "/album/trip"))
        var component = Qt.createComponent("qrc:/qml/Dialogs/QMLImageGallery.qml")
        compare(component.status, Component.Ready, component.errorString())
        var gallery = component.createObject(testCase)
        gallery.accepted.connect(function(url) { accepted.push(url.toString()) })
        compare(gallery.title, "Please choose an image")
        gallery.open()
        gallery.model.cd(root + "/album")
        var picture = entry(gallery, "pic.png")
        entry(gallery, "trip")
        verify(findEntry(gallery, "notes.csv") === null)
        compare(picture.picture.source.toString().indexOf("image://gallery/"), 0)
        tryCompare(picture.picture, "status", Image.Ready)
        mouseClick(picture)
        compare(accepted, [url("/album/pic.png")])
        gallery.destroy()
    }
}
