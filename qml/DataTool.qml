import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import "DataTool"
import "Widgets"
import "Utils.js" as Utils

// The field notebook: every entry of the project grouped by locality, the
// selected one in detail beside the list, and a panel for new notes, photos,
// screenshots and sketches.
BaseTool {
    id: dataTool

    readonly property var dataModel: dataToolManager.dataModel
    readonly property alias imageTool: imageToolManager
    readonly property alias dataToolManager: dataToolManager
    readonly property alias list: listSide.list
    readonly property alias details: details
    readonly property var reticule: mapView && mapView.temporaryItem ? mapView.temporaryItem : null
    readonly property real basePanelWidth: Utils.theme("panelWidth", Utils.dp(320))
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property int mapFilter: mapView ? mapView.viewFilter : 7
    property bool entryOpen: false
    property bool filterRowShown: false
    property bool menuOpen: false
    property bool selectionTied: false
    property string entryText: ""
    // A new entry goes where the marker stands: Save waits while that is no
    // position. Follows every announced change of the place.
    readonly property bool entryPlaceKnown: {
        var locations = typeof _appManager !== "undefined" && _appManager ? _appManager.locationManager : null
        return !!reticule && !!locations && locations.isValidCoordinate(reticule.savePlace.location)
    }

    signal editLineButtonClicked()
    signal showSketchTool(var dataId)

    toolName: "Notebook"
    iconLabel: "Notebook"
    imageSrc: "qrc:/qml/images/notebook.svg"
    clip: true
    state: "DEFAULT"

    // The map's gestures go to the native tool at work: the image tool's
    // long press places a new entry.
    manager: entryOpen ? imageToolManager : dataToolManager

    DataToolManager {
        id: dataToolManager
        mapView: dataTool.mapView
        onActiveChanged: dataTool.dataToolActiveChanged(active)
        onLongPress: {
            if (dataTool.reticule && dataTool.reticule.visible)
                dataTool.reticule.setScreenPosition(position)
        }
    }

    ImageToolManager {
        id: imageToolManager
        mapView: dataTool.mapView
        onLongPress: if (dataTool.reticule) dataTool.reticule.setScreenPosition(position)
        onImageSourceChanged: {
            if (String(imageSource) !== "")
                dataTool.openEntry()
            else
                dataTool.closeEntry()
        }
        onActiveChanged: {
            if (active)
                return
            if (camera.shown)
                camera.cancel()
            if (dataTool.reticule)
                dataTool.reticule.deactivate()
        }
    }

    // Back from the position bar: the new entry's marker shows again.
    Connections {
        target: dataTool.reticule
        ignoreUnknownSignals: true
        function onHandedBack() {
            if (dataTool.shown && dataTool.entryOpen)
                dataTool.openEntry()
        }
    }

    // The selection follows the entry, not its row: every save and delete
    // rebuilds the rows, and a rebuilt or reordered list may hold another
    // entry at the same row.
    property string heldId: ""
    property bool resetting: false
    function holdSelection() {
        heldId = list.currentIndex >= 0 ? selectedId() : ""
        resetting = true
        details.show(-1, null)
    }
    function restoreSelection() {
        list.currentIndex = heldId !== "" ? dataModel.indexForId(heldId) : -1
        resetting = false
        currentRowChanged()
    }
    Connections {
        target: dataTool.dataModel
        function onModelAboutToBeReset() { dataTool.holdSelection() }
        function onModelReset() { dataTool.restoreSelection() }
        function onLayoutAboutToBeChanged() { dataTool.holdSelection() }
        function onLayoutChanged() { dataTool.restoreSelection() }
        function onDataChanged(topLeft) {
            if (topLeft.row === dataTool.list.currentIndex)
                dataTool.details.show(dataTool.list.currentIndex, dataTool.currentRow())
        }
    }

    // A new map selection selects its row.
    Connections {
        target: dataTool.selectionTied ? dataTool.mapView : null
        ignoreUnknownSignals: true
        function onSelectedItemIdChanged() {
            var index = dataTool.dataModel ? dataTool.dataModel.indexForId(dataTool.mapView.selectedItemId) : -1
            if (index !== dataTool.list.currentIndex && dataTool.mapView.selectedItemId !== dataTool.selectedId()) {
                dataTool.leaveEntryThen(function() { dataTool.list.currentIndex = index },
                                        function() { dataTool.mapView.selectedItemId = dataTool.selectedId() })
            }
        }
    }

    // Closing the window ends the program: what was typed is saved first,
    // a new entry's text too while its panel shows where it goes. A new entry
    // that cannot be stored (a full disk) keeps the program open with it.
    Connections {
        target: dataTool.Window.window
        ignoreUnknownSignals: true
        function onClosing(close) {
            dataTool.details.commit()
            if (dataTool.shown && dataTool.entryOpen && dataTool.entryText !== "" && !dataTool.saveEntry())
                close.accepted = false
        }
    }

    onShownChanged: {
        applyActive()
        if (!shown)
            menuOpen = false
    }
    onEntryOpenChanged: applyActive()

    // One native tool at a time: the image tool while an entry is open.
    function applyActive() {
        if (!shown) {
            imageToolManager.active = false
            dataToolManager.active = false
        } else if (entryOpen) {
            dataToolManager.active = false
            imageToolManager.active = true
        } else {
            imageToolManager.active = false
            dataToolManager.active = true
        }
    }

    function dataToolActiveChanged(active) {
        if (active) {
            list.currentIndex = dataModel && mapView ? dataModel.indexForId(mapView.selectedItemId) : -1
            selectionTied = true
            if (mapView)
                mapView.clearPickedItemList()
            return
        }
        state = "DEFAULT"
        selectionTied = false
        list.currentIndex = -1
        if (reticule)
            reticule.deactivate()
    }

    function updateModel() {
        if (dataModel)
            dataModel.updateData()
    }

    function viewImage() {
        if (details.view && details.view.viewImage)
            details.view.viewImage()
    }

    function openPreview(source) {
        preview.source = source
        preview.shown = true
    }

    // A copy of the current row's values: the list's own row objects go
    // away whenever the rows are rebuilt.
    function currentRow() {
        return dataModel && list.currentIndex >= 0 ? dataModel.get(list.currentIndex) : null
    }

    // Deletes the way the entry's kind asks, keeping the list where it was
    // scrolled; a failure restores the selection.
    function deleteEntry(kind, dataId, localityId, empty) {
        if (kind === "Locality" && !empty) {
            var answered = function(option) {
                _dialogController.result.disconnect(answered)
                if (option === 0)
                    dataTool.runDelete(kind, dataId, localityId)
            }
            _dialogController.result.connect(answered)
            _dialogController.messageBox("Delete this locality?",
                                         "This locality contains data. Deleting this locality will also delete "
                                         + "the data. This cannot be undone!\n\nAre you sure you want to continue?",
                                         _dialogController.yesNoButtons)
            return
        }
        runDelete(kind, dataId, localityId)
    }

    function runDelete(kind, dataId, localityId) {
        var contentY = list.contentY
        var selected = kind === "Locality" ? localityId : dataId
        clearSelection()
        var ok, done, failed
        if (kind === "Locality") {
            ok = dataModel.deleteLocality(localityId)
            done = "Deleted locality"
            failed = "Could not delete locality"
        } else if (kind === "Line") {
            ok = dataModel.deleteLine(dataId)
            done = "Deleted line"
            failed = "Could not delete line"
        } else {
            ok = dataModel.deletePointData(dataId)
            done = "Deleted data"
            failed = "Could not delete data"
        }
        if (ok) {
            _dialogController.toastOk(done)
        } else {
            list.currentIndex = dataModel.indexForId(selected)
            _dialogController.toastError(failed)
        }
        list.contentY = Math.min(contentY, Math.max(0, list.contentHeight - list.height))
    }

    // Leaving the selected entry ends its form, and with it an edit of the
    // form's strat column that cannot be stored: the user is asked first, as
    // before a tool switch. `kept` runs when the answer keeps the edit.
    function leaveEntryThen(go, kept) {
        var refused = details.view ? Utils.refusedStratEdit() : ""
        if (refused === "" || typeof _dialogController === "undefined" || !_dialogController) {
            go()
            return
        }
        Utils.askToDiscard(Utils.unsavedText([refused]), function(discard) {
            if (discard)
                go()
            else if (kept)
                kept()
        })
    }

    // A tapped row is selected, the selected one let go.
    function rowTapped(index) {
        leaveEntryThen(function() { list.currentIndex = list.currentIndex === index ? -1 : index })
    }

    function clearSelection() {
        list.currentIndex = -1
    }

    function selectedId() {
        var row = currentRow()
        if (!row)
            return ""
        return row.dataType === "Locality" ? row.localityId : row.dataId
    }

    function currentRowChanged() {
        if (resetting)
            return
        var index = list.currentIndex
        if (selectionTied && mapView) {
            // An empty id clears the map's selection and callout too.
            mapView.selectedItemId = selectedId()
        }
        details.show(index, currentRow())
        if (index >= 0) {
            closeEntry()
            state = "DETAIL"
        } else {
            state = "DEFAULT"
            if (shown && (entryText !== "" || hasImage()))
                openEntry()
        }
    }

    function hasImage() {
        return String(imageToolManager.imageSource) !== ""
    }

    // Whether closing the window stores the new entry's text (see onClosing)
    // rather than refusing it for want of a place. Asked when needed: the
    // marker's place is not always announced.
    function entryStoredOnClose() {
        var locations = typeof _appManager !== "undefined" && _appManager ? _appManager.locationManager : null
        return shown && entryOpen && entryText !== "" && !!reticule && !!locations
                && locations.isValidCoordinate(reticule.savePlace.location)
    }

    // A new entry that is dropped when the page goes: by the window's
    // closing unless that stores it, by any other way always.
    function entryPending(windowClosing) {
        return (entryText !== "" || hasImage()) && !(windowClosing && entryStoredOnClose())
    }

    function openEntry() {
        if (!entryOpen) {
            entryOpen = true
            list.currentIndex = -1
        }
        if (reticule) {
            reticule.activateForDataLocation()
            reticule.symbolColor = "black"
            reticule.symbolId = hasImage() ? Project.Image : Project.Annotation
        }
    }

    function closeEntry() {
        if (!entryOpen)
            return
        entryOpen = false
        if (reticule)
            reticule.deactivate()
    }

    function discardEntry() {
        entryText = ""
        entryPanel.text = ""
        imageToolManager.clearImageSource()
        closeEntry()
    }

    function saveEntry() {
        Utils.takePendingInput()
        var place = reticule ? reticule.savePlace : { location: Utils.noPosition(), gps: false }
        var at = place.location
        if (imageToolManager.save(entryPanel.text, at, place.gps)) {
            discardEntry()
            return true
        }
        _dialogController.toastError(imageToolManager.failedSaveText("Failed to save note", at))
        return false
    }

    function filterName(filter) {
        switch (filter) {
        case 1: return "Notes & Photos"
        case 2: return "Data"
        case 4: return "Lines"
        }
        return "All"
    }

    function filterButton(filter) {
        switch (filter) {
        case 1: return "Notes"
        case 2: return "Data"
        case 4: return "Lines"
        }
        return "All"
    }

    // A filter rebuilds the rows and so the entry's form: what was typed is
    // saved first.
    function applyFilterButton(name) {
        leaveEntryThen(function() { dataTool.applyFilter(name) })
    }

    function applyFilter(name) {
        details.commit()
        if (name === "Data")
            dataToolManager.showPointDataOnly()
        else if (name === "Notes")
            dataToolManager.showNotesOnly()
        else if (name === "Lines")
            dataToolManager.showLinesOnly()
        else
            dataToolManager.showAll()
    }

    // Another current locality or a new one rebuilds the rows: what was
    // typed is stored first.
    function openLocalityDialog() {
        details.commit()
        _dialogController.launchCustomDialog("LocalityDialog.qml")
    }

    function chooseFromGallery() {
        imageToolManager.imageHeading = -1
        if (_appManager.useQmlImageGallery) {
            _dialogController.launchCustomDialog("QMLImageGallery.qml")
            var gallery = _dialogController.customDialog
            if (gallery)
                gallery.accepted.connect(function(fileUrl) { imageToolManager.imageSource = fileUrl })
        } else if (_appManager.isDesktopOS) {
            fileDialog.open()
        } else {
            imageToolManager.pickPhoto()
        }
    }

    // Each choice leaves the selected entry, so a strat column edit of its
    // form that cannot be stored is asked about first.
    function addMenuChosen(entry) {
        menuOpen = false
        leaveEntryThen(function() { dataTool.addChosen(entry) })
    }

    function addChosen(entry) {
        switch (entry) {
        case "Note":
            openEntry()
            break
        case "Photo":
            discardEntry()
            Qt.callLater(camera.start)
            break
        case "Gallery":
            chooseFromGallery()
            break
        case "Screenshot":
            if (imageToolManager.takeMapScreenShot())
                openEntry()
            else
                _dialogController.toastError("Failed to get map image")
            break
        case "Sketch":
            showSketchTool("")
            break
        }
    }

    states: [
        State { name: "DEFAULT"; PropertyChanges { target: dataTool; width: basePanelWidth } },
        State { name: "DETAIL"; PropertyChanges { target: dataTool; width: 2 * basePanelWidth } },
        State {
            name: "DETAIL_SMALL"
            PropertyChanges {
                target: dataTool
                width: 2 * basePanelWidth
                x: shown ? leftInset - basePanelWidth / 1.3 : -width - 1
            }
        }
    ]

    DataListPanel {
        id: listSide
        width: basePanelWidth
        height: parent.height
        tool: dataTool
    }

    Item {
        id: detailSide
        x: basePanelWidth
        width: basePanelWidth
        height: parent.height
        visible: dataTool.state !== "DEFAULT"

        ToolToolBar {
            id: detailBar
            objectName: "detailToolBar"
            width: parent.width
            leftModel: details.leftModel
            rightModel: details.rightModel
            onLeftMenuButtonClicked: details.leftClicked(index, button)
            onRightMenuButtonClicked: details.rightClicked(index, button)
        }

        DataViewDetails {
            id: details
            objectName: "details"
            anchors.top: detailBar.bottom
            anchors.bottom: parent.bottom
            width: parent.width
            tool: dataTool
            list: dataTool.list
            onMoveStarted: dataTool.state = "DETAIL_SMALL"
            onMoveEnded: dataTool.state = dataTool.list.currentIndex >= 0 ? "DETAIL" : "DEFAULT"
        }
    }

    AddMenu {
        objectName: "addMenuLayer"
        // Over the whole map page: a tap on the map beside the menu only closes it.
        parent: dataTool.mapView ? dataTool.mapView : dataTool
        anchors.fill: parent
        z: 100
        tool: dataTool
        menuTop: listSide.y + listSide.toolBar.height
        menuRight: listSide.x + listSide.width
        menuWidth: basePanelWidth / 2
    }

    EntryPanel {
        id: entryPanel
        objectName: "entryPanel"
        visible: dataTool.entryOpen
        width: basePanelWidth
        height: parent.height
        color: dataTool.color
        tool: dataTool
    }

    CameraControllerLoader {
        id: camera
        objectName: "camera"
        parent: dataTool.mapView ? dataTool.mapView : dataTool
        anchors.fill: parent
        z: 100
        onCaptured: {
            shutdown()
            // A bearing counts only while the sensors deliver one.
            var clino = _appManager.compassClino
            imageToolManager.imageHeading = clino && clino.deviceUpdating ? clino.bearing : -1
            imageToolManager.setCameraImage(imagePath)
            dataTool.openEntry()
        }
        onDeviceIdChanged: imageToolManager.deviceId = deviceId
    }

    FileDialogLoader {
        id: fileDialog
        objectName: "fileDialog"
        title: "Please choose an image file"
        nameFilters: ["Image files (*.jpg *.png)"]
        useControls: true
        onAccepted: imageToolManager.imageSource = fileUrl
    }

    // The full-screen picture over the dialog layer.
    ImagePreview {
        id: preview
        objectName: "preview"
        parent: _dialogController.rootItem ? _dialogController.rootItem : dataTool
        anchors.fill: parent
        z: 1000
    }
}
