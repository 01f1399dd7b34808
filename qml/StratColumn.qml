import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// The current project's strat column. "DEFAULT" shows the colours,
// "EXPANDED" the names for a while, "EDITING" the editor, "HIDDEN" nothing.
// An edit is saved when the column leaves the editor for "DEFAULT" or
// "EXPANDED" (or by "Done") and dropped when it is hidden. A name being
// typed belongs to the edit: it is kept however the editor is left, and a
// column that goes out of sight, out of the window or away saves the edit,
// or drops it when it cannot be saved.
Rectangle {
    id: column

    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    readonly property var stratModel: project ? project.stratColumnModel : null
    readonly property bool editing: state === "EDITING"
    // Id of the selected unit; -1 for none.
    property int selectedUnit: -1
    // Set where the column chooses the unit the next reading or line is
    // saved with: outside the editor it then outlines the model manager's
    // current rock unit, whatever changed it.
    property bool picksCurrentUnit: false
    readonly property int currentUnit: (typeof _modelManager !== "undefined" && _modelManager)
                                       ? _modelManager.currentRockUnit : -1
    readonly property int outlinedUnit: picksCurrentUnit && !editing ? currentUnit : selectedUnit
    readonly property real margin: Utils.theme("margin", Utils.dp(10))
    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40))
    readonly property real collapsedWidth: rowHeight * 2
    readonly property int animationDuration: Utils.theme("defaultAnimationDuration", 200)
    // Set when a failed save sends the column back into the editor: the edit
    // goes on with its working copy instead of starting afresh.
    property bool resumeEdit: false
    // Set from entering the editor until its edit is saved or dropped.
    property bool ownsEdit: false
    // Where storing a unit rebuilds the screen around the column: an object
    // that outlives it, with a signal unitStored(int), that hands the unit
    // "+" stored, or the one outlined when "Done" stored the edit, on to the
    // column made anew.
    property var survivor: null

    // Set while "Done" saves: the save can rebuild the panel around the
    // column, whose going must not save the same edit again.
    property bool saving: false
    // The name field being typed into, or null.
    property var typedField: null

    // Asks every row typing a name to stop, keeping or dropping the text.
    signal typingEnds(bool keep)
    // The selected unit, once the project holds it and the edit is through:
    // a unit outlined in the editor is offered once "Done" stores the edit.
    signal unitChosen(int unit)

    onSelectedUnitChanged: if (!editing) offerUnit()
    onEditingChanged: if (!editing) offerUnit()

    // The height that shows the header, `rows` whole units and "+".
    function heightFor(rows) {
        return (rows + 2) * rowHeight + 2 * margin
    }

    function toastError(text) {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastError(text)
    }

    // Saves the working copy; on failure says so and answers false. The
    // unit the editor outlined is the one taken after the save: the current
    // one where the column picks it, not the one the save fell back to.
    function saveEdit() {
        saving = true
        var saved = false
        try {
            saved = stratModel.save()
        } finally {
            saving = false
        }
        if (!saved)
            toastError("Could not save the strat column.")
        else if (picksCurrentUnit && isStored(selectedUnit))
            _modelManager.currentRockUnit = selectedUnit
        else if (survivor && isStored(selectedUnit))
            survivor.unitStored(selectedUnit)
        return saved
    }

    // "Done": a valid working copy, with the name being typed, is saved and
    // the editor closes; otherwise it stays open with the edit as it is.
    function done() {
        if (!stratModel || !editing || saving)
            return
        typingEnds(true)
        var problem = stratModel.validWorkingCopy()
        if (problem !== "")
            toastError(problem)
        else if (saveEdit())
            state = "DEFAULT"
    }

    // Ends the edit other than by "Done": a valid working copy is saved, one
    // that is not is dropped and the user told why, so that no column goes
    // on showing units that are not stored. A column still in sight whose
    // save fails goes back into the editor with the edit as it is.
    function endEdit(inSight) {
        typingEnds(true)
        if (stratModel.isChanged()) {
            var problem = stratModel.validWorkingCopy()
            if (problem !== "") {
                toastError(problem)
            } else if (!saveEdit() && inSight) {
                resumeEdit = true
                Qt.callLater(function() { column.state = "EDITING" })
                return
            }
        }
        ownsEdit = false
        stratModel.cancelEdit()
    }

    // A column going away leaves nobody to finish its edit.
    function finishUnseen() {
        if (!stratModel || !editing || saving)
            return
        endEdit(false)
        state = "DEFAULT"
    }

    function offerUnit() {
        if (isStored(selectedUnit))
            unitChosen(selectedUnit)
    }

    function isStored(id) {
        return !!project && id > 0 && project.hasRockUnit(id)
    }

    // Outside the editor a tapped unit becomes the current one.
    function pick(id) {
        selectedUnit = id
        if (!editing && isStored(id) && typeof _modelManager !== "undefined" && _modelManager)
            _modelManager.currentRockUnit = id
    }

    // The new unit is selected; outside the editor, where the column picks
    // the current unit, it becomes current as well.
    function addUnit() {
        if (!project || !stratModel)
            return
        // Another column's open edit would take the unit into its copy only.
        if (!editing && stratModel.editing) {
            toastError("Could not add unit")
            return
        }
        var id = project.addHorizon()
        if (id === -1 || (!editing && !isStored(id))) {
            toastError("Could not add unit")
            return
        }
        // In the editor the new row is outlined, and so scrolled into view.
        if (editing) {
            selectedUnit = id
            return
        }
        if (survivor) {
            survivor.unitStored(id)
            return
        }
        if (picksCurrentUnit)
            pick(id)
        else
            selectedUnit = id
    }

    function askDelete() {
        if (!stratModel || selectedUnit === -1)
            return
        var name = stratModel.unitNameById(selectedUnit)
        var unit = selectedUnit
        _dialogController.messageBox("Delete " + name,
                                     "Are you sure you want to delete " + name
                                     + "?\n\nYou will have to manually reassign a new rock unit to all data associated with this rock unit.",
                                     _dialogController.yesNoButtons)
        _dialogController.result.connect(function(result) {
            if (result === 0 && column.project)
                column.selectedUnit = column.project.removeHorizonById(unit)
        })
    }

    function openTypePicker(row, unitType, anchorItem) {
        var top = column
        while (top.parent)
            top = top.parent
        typeLayer.parent = top
        typePicker.row = row
        typePicker.unitType = unitType
        var point = anchorItem.mapToItem(typeLayer, 0, anchorItem.height)
        var bottom = column.mapToItem(typeLayer, 0, column.height).y
        typePicker.x = Math.max(0, Math.min(point.x, typeLayer.width - typePicker.width))
        typePicker.y = Math.min(point.y, bottom - typePicker.height)
        typeLayer.visible = true
    }

    function openColorPicker(row, colour) {
        _dialogController.launchCustomDialog("ColorPickerDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.color = colour
        dialog.colorPicked.connect(function(picked) {
            if (column.stratModel)
                column.stratModel.setUnitColor(row, picked)
        })
    }

    // Closing the window ends the program, and a hidden or removed column
    // leaves nobody to finish its edit: it is done as "Done" does. The name
    // being typed joins the edit first, as a press elsewhere does, so that a
    // close that would drop it asks.
    Connections {
        target: column.Window.window
        ignoreUnknownSignals: true
        function onCloseRequested() { column.typingEnds(true) }
        function onClosing() { column.finishUnseen() }
    }
    // Once the change that hid it is through: its panel may be in the midst
    // of its own state change.
    onVisibleChanged: if (!visible && editing) Qt.callLater(column.finishUnseen)

    // A press anywhere else in the window (the map, another panel, a tool
    // button) ends the typing, keeping the text, and goes on to what lies
    // under it: the map takes no focus from the field by itself.
    MouseArea {
        objectName: "typingEnder"
        parent: column.Window.contentItem ? column.Window.contentItem : column
        anchors.fill: parent
        z: 1000000
        enabled: column.typedField !== null
        acceptedButtons: Qt.AllButtons
        onPressed: {
            var field = column.typedField
            if (field && !field.contains(mapToItem(field, mouse.x, mouse.y)))
                column.typingEnds(true)
            mouse.accepted = false
        }
    }
    Component.onDestruction: finishUnseen()
    Connections {
        target: column.survivor
        ignoreUnknownSignals: true
        function onUnitStored(unit) {
            if (!column.editing)
                column.selectedUnit = unit
        }
    }

    state: "DEFAULT"
    states: [
        State { name: "DEFAULT" },
        State { name: "EXPANDED" },
        State { name: "EDITING" },
        State { name: "HIDDEN" }
    ]

    onStateChanged: {
        importer.visible = false
        typeLayer.visible = false
        if (!stratModel)
            return
        if (state === "EDITING") {
            ownsEdit = true
            if (resumeEdit) {
                resumeEdit = false
            } else {
                stratModel.startEdit()
                // The outline stays where it was.
                if (picksCurrentUnit)
                    selectedUnit = currentUnit
            }
        } else if (!ownsEdit) {
            // Not this column's edit: another column sharing the model may be
            // editing, and a column made or collapsed here leaves it alone.
            return
        } else if (state === "HIDDEN") {
            ownsEdit = false
            stratModel.cancelEdit()
        } else if (!saving) {
            endEdit(true)
        }
    }

    visible: state !== "HIDDEN"
    implicitWidth: state === "DEFAULT" ? collapsedWidth : Utils.theme("panelWidth", Utils.dp(320))
    color: "#ffffff"
    border.color: Utils.theme("listSeparatorColor", "#cccccc")

    Timer {
        interval: 10 * column.animationDuration
        running: column.state === "EXPANDED"
        onTriggered: column.state = "DEFAULT"
    }

    Rectangle {
        id: header
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: column.rowHeight
        color: Utils.theme("kivBlue", "#006eb8")

        Text {
            objectName: "headerTitle"
            anchors { left: parent.left; leftMargin: column.margin; right: editButton.left
                      rightMargin: column.margin / 2; verticalCenter: parent.verticalCenter }
            elide: Text.ElideRight
            visible: column.state !== "DEFAULT"
            text: column.editing ? "Edit Strat Column" : "Strat Column"
            color: "#ffffff"
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
        }
        ActionButton {
            id: editButton
            objectName: "doneButton"
            anchors { right: parent.right; rightMargin: column.margin / 2; verticalCenter: parent.verticalCenter }
            visible: column.state !== "DEFAULT"
            height: parent.height * 0.8
            width: Utils.theme("buttonWidth", Utils.dp(33)) * 2
            label: column.editing ? "Done" : "Edit"
            onButtonActivated: column.editing ? column.done() : (column.state = "EDITING")
        }
        MouseArea {
            anchors.fill: parent
            enabled: column.state === "DEFAULT"
            onClicked: column.state = "EXPANDED"
        }
    }

    // Beside the list and "+", down to the bottom: the buttons shrink to
    // fit a short column rather than run into "+".
    Column {
        id: tools
        objectName: "editTools"
        visible: column.editing
        anchors { right: parent.right; top: header.bottom; margins: column.margin / 2 }
        readonly property real side: Math.max(1, Math.min(column.rowHeight,
                (column.height - header.height - column.margin - 2 * spacing) / 3))
        width: visible ? side : 0
        spacing: column.margin / 2

        ActionButton {
            objectName: "deleteUnitButton"
            width: tools.side; height: width
            symbol: "deleteIcon"
            enabled: column.selectedUnit !== -1
            onButtonActivated: column.askDelete()
        }
        ActionButton {
            objectName: "restoreButton"
            width: tools.side; height: width
            symbol: "restoreIcon"
            onButtonActivated: {
                column.typingEnds(false)
                if (column.stratModel)
                    column.stratModel.revert()
            }
        }
        ActionButton {
            objectName: "importButton"
            width: tools.side; height: width
            symbol: "importDataIcon"
            // A second tap closes the panel without importing.
            onButtonActivated: importer.visible = !importer.visible
        }
    }

    ListView {
        id: units
        objectName: "unitList"
        anchors { left: parent.left; right: tools.left; top: header.bottom; margins: column.margin / 2 }
        // Whole rows only: no sliver of the next one above "+".
        readonly property real room: addButton.y - column.margin / 2 - y
        height: room >= column.rowHeight ? Math.floor(room / column.rowHeight + 0.001) * column.rowHeight
                                         : Math.max(0, room)
        clip: true
        interactive: dragArea.dragFrom === -1
        model: column.stratModel

        property alias dragArea: dragArea

        // A short column scrolls to the outlined unit.
        function showOutlined() {
            for (var row = 0; column.stratModel && row < count; ++row) {
                if (column.stratModel.unitIdAt(row) === column.outlinedUnit) {
                    positionViewAtIndex(row, ListView.Contain)
                    return
                }
            }
        }
        onCountChanged: Qt.callLater(showOutlined)
        onHeightChanged: Qt.callLater(showOutlined)
        Connections {
            target: column
            function onOutlinedUnitChanged() { Qt.callLater(units.showOutlined) }
        }

        delegate: Rectangle {
            id: row
            objectName: "unitRow"
            width: units.width
            height: column.rowHeight
            readonly property bool selected: model.unitId === column.outlinedUnit
            color: selected ? Utils.theme("listHighlightColor", "#ffffff") : "#ffffff"
            border.color: selected ? Utils.theme("kivBlue", "#006eb8") : "transparent"
            opacity: dragArea.dragFrom === index ? 0.5 : 1

            MouseArea {
                anchors.fill: parent
                onClicked: column.pick(model.unitId)
            }

            Text {
                id: handle
                objectName: "dragHandle"
                visible: column.editing
                anchors { left: parent.left; verticalCenter: parent.verticalCenter }
                width: visible ? column.rowHeight * 0.6 : 0
                horizontalAlignment: Text.AlignHCenter
                text: Utils.icon("grabHandleIcon")
                font.family: Utils.iconFontFamily()
                font.pixelSize: column.rowHeight * 0.45
                color: Utils.theme("kivGrey", "#565757")

                MouseArea {
                    anchors.fill: parent
                    // Inside a scrolling panel the drag stays with the row.
                    preventStealing: true
                    onPressed: dragArea.begin(index)
                    onPositionChanged: dragArea.follow(mapToItem(units.contentItem, mouse.x, mouse.y).y)
                    onReleased: dragArea.finish()
                    onCanceled: dragArea.cancel()
                }
            }
            Rectangle {
                id: swatch
                objectName: "unitSwatch"
                anchors { left: handle.right; leftMargin: column.margin / 2; verticalCenter: parent.verticalCenter }
                width: column.rowHeight * 0.7
                height: width
                radius: Utils.dp(3)
                color: model.unitColor
                border.color: "#888888"

                MouseArea {
                    anchors.fill: parent
                    enabled: column.editing
                    onClicked: column.openColorPicker(index, model.unitColor)
                }
            }
            // Collapsed, the name still tells the units apart: in a narrow
            // column on two lines, as "Unit" alone would not.
            Text {
                objectName: "unitNameLabel"
                visible: column.state === "DEFAULT"
                anchors { left: swatch.right; leftMargin: Utils.dp(2); right: parent.right; verticalCenter: parent.verticalCenter }
                elide: Text.ElideRight
                text: model.unitName
                textFormat: Text.PlainText
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                maximumLineCount: 2
                font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)) * 0.75)
                color: Utils.theme("kivGrey", "#565757")
            }
            InplaceTextField {
                id: nameField
                objectName: "unitNameField"
                visible: column.state !== "DEFAULT"
                enabled: column.editing
                anchors { left: swatch.right; leftMargin: column.margin / 2; right: typeButton.left; verticalCenter: parent.verticalCenter }
                text: model.unitName
                onAccepted: if (column.stratModel) column.stratModel.setUnitName(index, text)
                onEditingChanged: {
                    if (editing)
                        column.typedField = nameField
                    else if (column.typedField === nameField)
                        column.typedField = null
                }
                Component.onDestruction: if (column.typedField === nameField) column.typedField = null
                Connections {
                    target: column
                    function onTypingEnds(keep) { nameField.finish(keep) }
                }
            }
            ActionButton {
                id: typeButton
                objectName: "unitTypeButton"
                visible: column.state !== "DEFAULT"
                enabled: column.editing
                anchors { right: parent.right; rightMargin: column.margin / 2; verticalCenter: parent.verticalCenter }
                width: visible ? column.rowHeight * 0.8 : 0
                height: width
                label: model.unitType
                onButtonActivated: column.openTypePicker(index, model.unitType, typeButton)
            }
        }

        // The row being dragged by its handle and where it would land.
        Item {
            id: dragArea
            property int dragFrom: -1
            property int dragTo: -1

            function begin(row) { dragFrom = row; dragTo = row }
            function follow(contentY) {
                if (dragFrom === -1)
                    return
                var at = units.indexAt(units.width / 2, contentY)
                if (at !== -1)
                    dragTo = at
            }
            function finish() {
                if (dragFrom !== -1 && dragTo !== dragFrom && column.stratModel)
                    column.stratModel.move(dragFrom, dragTo)
                cancel()
            }
            function cancel() { dragFrom = -1; dragTo = -1 }
        }
    }

    Text {
        objectName: "emptyHint"
        anchors { left: units.left; right: units.right; bottom: addButton.top; margins: column.margin / 4 }
        visible: units.count === 0
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: "Add a rock unit"
        font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)) * 0.85)
        color: Utils.theme("kivGrey", "#565757")
    }

    ActionButton {
        id: addButton
        objectName: "addUnitButton"
        anchors { left: parent.left; right: tools.left; bottom: parent.bottom; margins: column.margin / 2 }
        height: column.rowHeight
        symbol: "addIcon"
        onButtonActivated: column.addUnit()
    }

    // Over the whole window while the picker shows: a tap beside it only
    // closes it, and neither taps nor the wheel reach the map.
    Item {
        id: typeLayer
        objectName: "unitTypeLayer"
        anchors.fill: parent
        visible: false
        z: 1000

        CoverArea {
            onClicked: typeLayer.visible = false
        }

        UnitTypePicker {
            id: typePicker
            objectName: "unitTypePicker"
            property int row: -1
            onUnitTypePicked: {
                if (column.stratModel)
                    column.stratModel.setUnitType(row, unitType)
                typeLayer.visible = false
            }
        }
    }

    StratColumnImporter {
        id: importer
        objectName: "stratColumnImporter"
        visible: false
        z: 10
        anchors { left: parent.left; right: tools.left; top: header.bottom; bottom: parent.bottom }
        stratModel: column.stratModel
        onClosed: visible = false
    }
}
