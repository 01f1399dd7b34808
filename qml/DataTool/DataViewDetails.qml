import QtQuick 2.4
import "../Utils.js" as Utils

// The selected entry in detail: a form for its kind whose changes are saved
// at once, with its tool-bar buttons and where it was recorded.
Item {
    id: detailView

    property var tool: null
    property var list: null
    property int index: -1
    property var row: null
    readonly property var view: loader.item
    readonly property var leftModel: view ? view.leftModel : null
    readonly property var rightModel: view ? view.rightModel : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    signal moveStarted()
    signal moveEnded()

    function componentFor(kind) {
        switch (kind) {
        case "Plane": case "Lineation": case "Sighting": return pointDetails
        case "Annotation": return noteDetails
        case "Line": return lineDetails
        case "Image": return imageDetails
        case "Locality": return localityDetails
        }
        return null
    }

    // Called for every new current row.
    function show(newIndex, newRow) {
        stopPending()
        // The temporary item is the notebook's only while its list is in use:
        // rows rebuilt behind another tool must leave that tool's marker alone.
        if (tool && tool.reticule && tool.manager && tool.manager.active)
            tool.reticule.deactivate()
        loader.sourceComponent = null
        index = newIndex
        row = newRow
        loader.sourceComponent = newRow ? componentFor(newRow.dataType) : null
    }

    function stopPending() {
        if (!view)
            return
        if (view.moveButtons)
            view.moveButtons.finish()
        view.deleteButtons.stopConfirmation()
    }

    function leftClicked(buttonIndex, button) {
        if (view) {
            view.deleteButtons.stopConfirmation()
            view.leftClicked(buttonIndex, button)
        }
    }

    function rightClicked(buttonIndex, button) {
        if (view) {
            if (view.moveButtons)
                view.moveButtons.finish()
            view.rightClicked(buttonIndex, button)
        }
    }

    // Reports a save's outcome; a failed one puts the stored values back.
    function saved(ok) {
        if (!ok) {
            _dialogController.toast("Update failed!", _ui.icons.cancelIcon, _ui.lengthLong)
            if (view)
                view.reset()
        }
        if (tool && tool.mapView)
            tool.mapView.refreshCallout()
        return ok
    }

    Flickable {
        anchors.fill: parent
        contentHeight: content.height
        clip: true

        Column {
            id: content
            x: detailView.margin
            width: parent.width - 2 * detailView.margin
            spacing: detailView.margin
            Loader {
                id: loader
                width: parent.width
            }
            LocationDetails {
                objectName: "locationDetails"
                width: parent.width
                row: detailView.row
                visible: detailView.row !== null && detailView.row.dataType !== "Line"
            }
        }
    }

    Component { id: pointDetails; PointDetails { details: detailView } }
    Component { id: noteDetails; NoteDetails { details: detailView } }
    Component { id: lineDetails; LineDetails { details: detailView } }
    Component { id: imageDetails; ImageDetails { details: detailView } }
    Component { id: localityDetails; LocalityDetails { details: detailView } }
}
