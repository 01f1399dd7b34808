import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml"

// The notebook panel on the real models and image tool, beside a stand-in
// for the map view.
TestCase {
    id: testCase
    visible: true
    name: "DataTool"
    width: 900
    height: 700
    when: windowShown

    property var panel: null
    readonly property point here: Qt.point(7.0, 46.0)

    Item {
        id: map
        property int viewFilter: 7
        property string selectedItemId: ""
        property int refreshes: 0
        property alias temporaryItem: reticule
        function clearPickedItemList() {}
        function refreshCallout() { ++refreshes }

        Item {
            id: reticule
            property point worldPosition: Qt.point(7.0, 46.0)
            readonly property var savePlace: ({ location: worldPosition, gps: lockedToGps })
            property point screenPosition: Qt.point(0, 0)
            property bool lockedToGps: false
            property bool lockedToWorldPosition: false
            property color symbolColor: "black"
            property int symbolId: -1
            property real symbolDip: 0
            property real symbolAzimuth: 0
            visible: false
            function activateForDataLocation() { visible = true }
            function activateForMoveData(pt) { worldPosition = pt; lockedToWorldPosition = true; visible = true }
            function setScreenPosition(p) { lockedToWorldPosition = false; screenPosition = p }
            function deactivate() { visible = false }
        }
    }

    ClinoToolManager { id: clino }
    LocalityManager { id: localityManager }

    function field(name) { return findChild(panel, name) }
    function rows() { return panel.dataModel.rowCount() }
    function clearToasts() {
        while (_dialogController.toastMessage !== "")
            _dialogController.dismissToast()
    }

    function init() {
        _dialogController.toastReady = true
        clearToasts()
        map.viewFilter = 7
        map.selectedItemId = ""
        reticule.worldPosition = here
        panel = Qt.createComponent("qrc:/qml/DataTool.qml").createObject(testCase,
                { height: testCase.height, mapView: map })
        verify(panel !== null)
        panel.setActive(true)
        verify(panel.dataToolManager.active && panel.dataModel !== null)
    }

    function cleanup() {
        _storage.unlock()
        panel.setActive(false)
        panel.destroy()
        panel = null
        clearToasts()
    }

    // Adds a note through the entry panel; whether it was saved.
    function addNote(text) {
        panel.addMenuChosen("Note")
        verify(panel.entryOpen && panel.imageTool.active && !panel.dataToolManager.active)
        compare(panel.manager, panel.imageTool)
        field("entryText").text = text
        mouseClick(field("entry_Save"))
        return !panel.entryOpen
    }

    // Selects the first row of that kind (and comment, when given).
    function selectRow(kind, comment) {
        var list = panel.list
        for (var i = 0; i < list.count; ++i) {
            list.currentIndex = i
            var row = current()
            if (row.dataType === kind && (comment === undefined || row.comment === comment))
                return row
        }
        fail("no " + kind + " row")
    }

    function current() { return panel.currentRow() }

    function test_filterFollowsTheMap_data() {
        return [
            { tag: "data", filter: 2, button: "Data", label: "Data" },
            { tag: "notes", filter: 1, button: "Notes", label: "Notes & Photos" },
            { tag: "lines", filter: 4, button: "Lines", label: "Lines" },
            { tag: "other", filter: 3, button: "All", label: "All" }
        ]
    }

    function test_filterFollowsTheMap(row) {
        map.viewFilter = row.filter
        panel.filterRowShown = true
        verify(field("filter_" + row.button).selected)
        compare(findChild(field("dataToolBar"), "toolBarButton_" + row.label).text, row.label)
    }

    function test_theLinesButtonNarrowsTheList() {
        verify(addNote("Not a line"))
        panel.filterRowShown = true
        // The map half (filter 4) is the native test's: the stand-in is no map.
        mouseClick(field("filter_Lines"))
        for (var i = 0; i < rows(); ++i)
            verify(["Line", "Locality"].indexOf(panel.dataModel.get(i).dataType) >= 0)
        wait(Qt.styleHints.mouseDoubleClickInterval + 50)
        mouseClick(field("filter_All"))
        selectRow("Annotation", "Not a line")
    }

    // A refused note stays in its panel; the message says why when it can.
    // Without a position Save waits, and says so, until the marker has one.
    function test_aNoteIsSavedOnlyAtAValidPlace_data() {
        return [
            { tag: "valid place", place: here, locked: false, message: "" },
            { tag: "no position", place: Qt.point(999, 999), locked: false, message: "", waits: true },
            { tag: "the first view's centre", place: Qt.point(0, 0), locked: false, message: "", waits: true },
            { tag: "storage locked", place: here, locked: true, message: "Failed to save note" }
        ]
    }

    function test_aNoteIsSavedOnlyAtAValidPlace(row) {
        verify(addNote("Contact exposed"))
        verify(!field("saveHint").visible)
        var before = rows()
        reticule.worldPosition = row.place
        if (row.locked)
            _storage.lock()
        compare(addNote("Second"), row.message === "" && !row.waits)
        _storage.unlock()
        compare(_dialogController.toastMessage, row.message)
        compare(field("saveHint").visible, !!row.waits)
        compare(field("entry_Save").isEnabled, panel.entryOpen && !row.waits)
        if (row.waits) {
            compare(field("saveHint").text, "Set a position to save")
            compare(rows(), before)
            // A pan or a long press gives the marker a place: Save is offered.
            reticule.worldPosition = here
            verify(!field("saveHint").visible)
            mouseClick(field("entry_Save"))
            verify(!panel.entryOpen)
        }
        if (row.message === "") {
            compare(rows(), before + 1)
            return
        }
        compare(rows(), before)
        verify(panel.entryOpen)
        compare(field("entryText").text, "Second")
        mouseClick(field("entry_Discard"))
        verify(!panel.entryOpen)
        compare(field("entryText").text, "")
        compare(String(panel.imageTool.imageSource), "")
    }

    // Closing the window stores a new note's text only while its panel shows
    // it at a valid place; any other new entry is work to ask about first.
    function test_closingDropsOnlyStoredEntries_data() {
        return [
            { tag: "nothing typed", text: "", image: "", place: here, shown: true, pending: false },
            { tag: "typed at a valid place", text: "Dyke", image: "", place: here, shown: true, pending: false },
            { tag: "typed, no place", text: "Dyke", image: "", place: Qt.point(999, 999), shown: true, pending: true },
            { tag: "typed, panel hidden", text: "Dyke", image: "", place: here, shown: false, pending: true },
            { tag: "picture without text", text: "", image: "file:///photo.jpg", place: here, shown: true,
              pending: true }
        ]
    }

    function test_closingDropsOnlyStoredEntries(row) {
        panel.addMenuChosen("Note")
        reticule.worldPosition = row.place
        field("entryText").text = row.text
        panel.imageTool.imageSource = row.image
        panel.setActive(row.shown)
        compare(panel.entryPending(true), row.pending)
        // Leaving the page any other way stores no new entry.
        compare(panel.entryPending(false), row.text !== "" || row.image !== "")
        compare(panel.entryStoredOnClose(), row.text !== "" && !row.pending)
    }

    function test_cellsByKind() {
        verify(addNote("A note cell"))
        _modelManager.currentSymbol = 1
        _modelManager.currentRockUnit = 3
        clino.saveOrientation("30", "120", "", here, false)
        panel.updateModel()
        selectRow("Annotation", "A note cell")
        compare(findChild(panel.list.currentItem.cell, "comment").text, "A note cell")
        selectRow("Plane")
        compare(findChild(panel.list.currentItem.cell, "angles").text, "Dip: 30°  Azimuth: 120°")
        _appManager.angleConvention = 1
        compare(findChild(panel.list.currentItem.cell, "angles").text, "Dip: 30°  Strike: 030°")
        _appManager.angleConvention = 0

        var project = _modelManager.currentProject
        var lineSymbol = 0
        while (project.symbolType(lineSymbol) !== 8)
            verify(++lineSymbol < 500, "a lineation symbol")
        _modelManager.currentSymbol = lineSymbol
        clino.saveOrientation("25", "200", "", here, false)
        panel.updateModel()
        selectRow("Lineation")
        verify(findChild(panel.list.currentItem.cell, "angles").text.indexOf("Plunge: ") === 0)
    }

    // A photo's heading shows only inside [0, 360).
    function test_imageCellHeading_data() {
        return [
            { tag: "0", heading: 0, text: "Heading: 0°" },
            { tag: "359", heading: 359, text: "Heading: 359°" },
            { tag: "360", heading: 360, text: "" },
            { tag: "none", heading: -1, text: "" }
        ]
    }

    function test_imageCellHeading(row) {
        // Any picture file does: the project keeps a copy.
        var picture = Qt.resolvedUrl("../../../qml/images/notebook.svg")
        verify(panel.imageTool.saveImage(picture, row.heading, "Heading " + row.tag, here, false))
        panel.updateModel()
        selectRow("Image", "Heading " + row.tag)
        var heading = findChild(panel.list.currentItem.cell, "heading")
        compare(heading.visible, row.text !== "")
        if (row.text !== "")
            compare(heading.text, row.text)
    }

    ListModel {
        id: strangeRows
        ListElement { dataType: "Mystery" }
    }

    function test_aRowOfUnknownKindSaysSo() {
        panel.list.model = strangeRows
        var cell = findChild(panel.list, "unhandled")
        verify(cell !== null)
        compare(cell.text, "Unhandled data type: Mystery")
    }

    function test_selectionTiesListAndMap() {
        verify(addNote("Tied"))
        var row = selectRow("Annotation", "Tied")
        var id = row.dataId
        compare(map.selectedItemId, id)
        compare(panel.state, "DETAIL")
        compare(panel.width, 2 * panel.basePanelWidth)
        var locality = selectRow("Locality")
        compare(map.selectedItemId, locality.localityId)

        map.selectedItemId = id
        compare(current().dataId, id)
        panel.list.currentIndex = -1
        compare(map.selectedItemId, "")
        compare(panel.state, "DEFAULT")
    }

    function test_noteSaves() {
        verify(addNote("Before"))
        selectRow("Annotation", "Before")
        var refreshes = map.refreshes
        verify(panel.details.view.save("After"))
        compare(current().comment, "After")
        verify(map.refreshes > refreshes)

        _storage.lock()
        verify(!panel.details.view.save("Blocked"))
        compare(_dialogController.toastMessage, "Update failed!")
        compare(_dialogController.toastDuration, 4000)
        compare(current().comment, "After")
        compare(findChild(panel.details.view, "commentInput").text, "After")
    }

    // How many toasts said that; all are dismissed.
    function takeToasts(message) {
        var count = 0
        while (_dialogController.toastMessage !== "") {
            if (_dialogController.toastMessage === message)
                ++count
            _dialogController.dismissToast()
        }
        return count
    }

    SignalSpy { id: saves; signalName: "dataListChanged" }

    // Text typed and left, here by clearing the selection, is saved as Return
    // saves it: once; a failed save says so once and keeps what was stored.
    function test_leftTextIsSavedOnce_data() {
        return [
            { tag: "note", kind: "Annotation", field: "comment", locked: false },
            { tag: "note, storage locked", kind: "Annotation", field: "comment", locked: true },
            { tag: "locality name", kind: "Locality", field: "name", locked: false },
            { tag: "locality description, storage locked", kind: "Locality", field: "description", locked: true },
            // Shown as typed; untouched it stays as stored, an edit stores text, not markup.
            { tag: "note with markup", kind: "Annotation", field: "comment", locked: false,
              note: "a <b>thin</b> bed" },
            { tag: "note with markup, left unchanged", kind: "Annotation", field: "comment", locked: false,
              note: "a <b>thin</b> bed", typed: "" }
        ]
    }

    function test_leftTextIsSavedOnce(row) {
        var note = row.note !== undefined ? row.note : "Typed"
        var typed = row.typed !== undefined ? row.typed : "<&"
        verify(addNote(note))
        var entry = selectRow(row.kind, row.kind === "Annotation" ? note : undefined)
        var stored = row.kind === "Locality" ? (row.field === "name" ? entry.localityName : entry.comment)
                                              : entry.comment
        var input = findChild(findChild(panel.details.view, row.field), "commentInput")
        compare(input.getText(0, input.length), stored)
        mouseClick(input)
        verify(input.activeFocus)
        keyClick(Qt.Key_End, Qt.ControlModifier)
        for (var i = 0; i < typed.length; ++i)
            keyClick(typed[i])
        compare(input.text, stored + typed)
        saves.signalName = row.kind === "Locality" ? "localityListChanged" : "dataListChanged"
        saves.target = _modelManager.currentProject
        saves.clear()
        takeToasts("")
        if (row.locked)
            _storage.lock()
        panel.list.currentIndex = -1
        compare(takeToasts("Update failed!"), row.locked && typed !== "" ? 1 : 0)
        _storage.unlock()
        compare(saves.count, row.locked || typed === "" ? 0 : 1)
        var index = panel.dataModel.indexForId(row.kind === "Locality" ? entry.localityId : entry.dataId)
        var now = panel.dataModel.get(index)
        compare(row.field === "name" ? now.localityName : now.comment, row.locked ? stored : stored + typed)
    }

    // A tap from one field into the next saves the first and types on in the next.
    function test_typingGoesOnInTheNextField() {
        verify(addNote("Beside a locality"))
        var entry = selectRow("Locality")
        var name = findChild(findChild(panel.details.view, "name"), "commentInput")
        mouseClick(name)
        keyClick(Qt.Key_End, Qt.ControlModifier)
        keyClick("n")
        mouseClick(findChild(findChild(panel.details.view, "description"), "commentInput"))
        compare(current().localityName, entry.localityName + "n")
        var description = findChild(findChild(panel.details.view, "description"), "commentInput")
        verify(description.activeFocus)
        keyClick("d")
        keyClick(Qt.Key_Return)
        compare(current().comment, entry.comment + "d")
        compare(current().localityName, entry.localityName + "n")
        verify(!findChild(findChild(panel.details.view, "description"), "commentInput").activeFocus)
    }

    function test_aMovedNoteKeepsOrChangesItsPlace() {
        verify(addNote("Moving"))
        var row = selectRow("Annotation", "Moving")
        var moves = panel.details.view.moveButtons
        var place = Qt.point(row.longitude, row.latitude)
        moves.click(0)
        compare(panel.state, "DETAIL_SMALL")
        compare(moves.get(0).label, "Done")
        moves.click(0)
        compare(panel.state, "DETAIL")
        compare(moves.latitude(), -999)
        verify(panel.details.view.save("Unmoved"))
        compare(Qt.point(current().longitude, current().latitude), place)

        // The map moving under an item still on the entry moves nothing.
        moves = panel.details.view.moveButtons
        moves.click(0)
        reticule.screenPosition = Qt.point(20, 30)
        moves.click(0)
        compare(moves.latitude(), -999)

        moves.click(0)
        reticule.worldPosition = Qt.point(7.01, 46.02)
        reticule.setScreenPosition(Qt.point(40, 50))
        moves.click(0)
        fuzzyCompare(current().latitude, 46.02, 1e-6)
        fuzzyCompare(current().longitude, 7.01, 1e-6)
    }

    function test_deleteNeedsAConfirmation() {
        verify(addNote("Doomed"))
        var before = rows()
        selectRow("Annotation", "Doomed")
        var deletes = panel.details.view.deleteButtons
        deletes.click()
        compare(deletes.get(0).label, "Confirm")
        tryCompare(deletes.get(0), "label", "Delete", 5000)

        _storage.lock()
        deletes.click()
        deletes.click()
        compare(_dialogController.toastMessage, "Could not delete data")
        compare(current().comment, "Doomed")
        _storage.unlock()
        clearToasts()

        deletes = panel.details.view.deleteButtons
        deletes.click()
        deletes.click()
        compare(_dialogController.toastMessage, "Deleted data")
        compare(rows(), before - 1)
        compare(panel.list.currentIndex, -1)
    }

    function test_aLocalityWithDataAsksFirst() {
        verify(addNote("Keeps the locality"))
        selectRow("Locality")
        var before = rows()
        var deletes = panel.details.view.deleteButtons
        deletes.click()
        deletes.click()
        compare(_dialogController.messageBoxTitle, "Delete this locality?")
        var storedLocalities = _storage.storedRows("localities")
        _dialogController.dismissDialog(1)
        compare(rows(), before)
        compare(current().dataType, "Locality")
        compare(_storage.storedRows("localities"), storedLocalities)

        var id = current().localityId
        panel.details.view.deleteButtons.click()
        panel.details.view.deleteButtons.click()
        _dialogController.dismissDialog(0)
        compare(_dialogController.toastMessage, "Deleted locality")
        compare(panel.dataModel.indexForId(id), -1)
        compare(rows(), 0)
        compare(_storage.storedRows("localities"), storedLocalities - 1)
    }

    function test_anEmptyLocalityGoesWithoutAsking_data() {
        return [
            { tag: "deleted", locked: false, toast: "Deleted locality", removed: 1 },
            { tag: "storage locked", locked: true, toast: "Could not delete locality", removed: 0 }
        ]
    }

    function test_anEmptyLocalityGoesWithoutAsking(row) {
        localityManager.createLocality()
        panel.updateModel()
        var list = panel.list
        for (list.currentIndex = 0; list.currentIndex < list.count; ++list.currentIndex) {
            if (current().dataType === "Locality" && current().empty)
                break
        }
        verify(list.currentIndex < list.count)
        var id = current().localityId
        var stored = _storage.storedRows("localities")
        if (row.locked)
            _storage.lock()
        panel.details.view.deleteButtons.click()
        panel.details.view.deleteButtons.click()
        // No question first: the toast comes at once.
        compare(_dialogController.toastMessage, row.toast)
        _storage.unlock()
        compare(_storage.storedRows("localities"), stored - row.removed)
        compare(panel.dataModel.indexForId(id) >= 0, !row.removed)
    }

    function test_accuracyRows_data() {
        return [
            { tag: "GPS 5 and 8", horizontal: 5, vertical: 8, shown: true, text: "±8" },
            { tag: "unknown accuracy", horizontal: -1, vertical: -1, shown: false, text: "" }
        ]
    }

    function test_accuracyRows(row) {
        var location = _appManager.locationManager
        location.horizontalAccuracy = row.horizontal
        location.verticalAccuracy = row.vertical
        reticule.lockedToGps = true
        var saved = addNote("Accuracy " + row.tag)
        reticule.lockedToGps = false
        verify(saved)
        selectRow("Annotation", "Accuracy " + row.tag)
        var details = findChild(panel.details, "locationDetails")
        verify(findChild(details, "location_Latitude:") !== null)
        var vertical = findChild(details, "location_Vertical Ac.:")
        compare(vertical.visible, row.shown)
        if (row.shown)
            compare(vertical.value, row.text)
    }

    // An entry stored without a position (the "none" coordinate) shows no
    // latitude or longitude rather than a place far south.
    function test_locationRows_data() {
        return [
            { tag: "a position", latitude: 46.5, longitude: 7.25, shown: true },
            { tag: "the none coordinate", latitude: 999, longitude: 999, shown: false }
        ]
    }

    function test_locationRows(row) {
        var details = Qt.createQmlObject('import "qrc:/qml/DataTool"; LocationDetails {}', testCase)
        details.row = { latitude: row.latitude, longitude: row.longitude, altitude: 0,
                        horizontalAccuracy: -1, verticalAccuracy: -1 }
        for (var name of ["location_Latitude:", "location_Longitude:"]) {
            var item = findChild(details, name)
            verify(item !== null)
            compare(item.visible, row.shown)
        }
        details.destroy()
    }
}
