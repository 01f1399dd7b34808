import QtQuick 2.4
import QtQuick.Window 2.2
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// The position bar along the bottom of the map: position, altitude,
// accuracies and age, the location service switch, and setting the position
// by hand (typed, by dragging the temporary item or by a long press).
BaseTool {
    id: locationTool
    toolName: "Location"
    allowCallouts: true
    filterMouseEvents: false

    property var locationManager: (typeof _appManager !== "undefined" && _appManager)
                                  ? _appManager.locationManager : null
    readonly property var temporaryItem: mapView ? mapView.temporaryItem : null
    readonly property int unitType: (typeof _appManager !== "undefined" && _appManager) ? _appManager.unitType : 0
    readonly property bool updating: locationManager ? locationManager.updating : false
    readonly property bool searching: locationManager ? locationManager.searching : false
    property bool isEditing: false
    readonly property int inputMode: locationManager ? locationManager.inputMode : 0
    readonly property point lastKnownCoordinate: locationManager ? locationManager.lastKnownCoordinate
                                                                 : Utils.noPosition()
    // A coordinate field holds keys not yet taken as the position.
    readonly property bool fieldsTyped: latitudeField.typed || longitudeField.typed
    // The altitude field holds keys not yet stored.
    property bool altitudeTyped: false
    property bool refreshing: false
    property string ageText: "???"
    property bool manualPosition: true
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    // The map's pointer area: its presses reach this tool even while another
    // tool (the view tool) consumes them, so a long press can be measured.
    property var mapInput: null
    readonly property real textSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))

    function findNamed(item, name) {
        if (!item)
            return null
        if (item.objectName === name)
            return item
        var children = item.children || []
        for (var i = 0; i < children.length; ++i) {
            var found = findNamed(children[i], name)
            if (found)
                return found
        }
        return null
    }

    function lengthText(metres) {
        return (typeof _appManager !== "undefined" && _appManager)
                ? _appManager.localizedLengthValue(metres) : String(Math.round(metres))
    }

    function lengthValue(metres) {
        return (typeof _appManager !== "undefined" && _appManager)
                ? _appManager.localizedLengthValue(metres, false) : String(Math.round(metres))
    }

    function accuracyText(accuracy) {
        return "±" + lengthText(accuracy < 0 ? 0 : accuracy)
    }

    function validCoordinate() {
        return locationManager ? locationManager.isValidCoordinate(locationManager.lastKnownCoordinate) : false
    }

    // Age, mode mark and the values beside the fields always follow the
    // manager; the fields only when the user is not typing into them.
    function refresh(withFields) {
        if (!locationManager) {
            ageText = "???"
            return
        }
        gpsSwitch.checked = updating
        if (!validCoordinate()) {
            ageText = "???"
            return
        }
        ageText = locationManager.lastUpdateDetails
        manualPosition = !locationManager.validGPSPosition()
        if (!withFields)
            return
        refreshing = true
        var coordinate = locationManager.lastKnownCoordinate
        // A field still typed into keeps its keys.
        if (!latitudeField.typed)
            latitudeField.setAngle(coordinate.y)
        if (!longitudeField.typed)
            longitudeField.setAngle(coordinate.x)
        if (!altitudeTyped)
            showHeldAltitude()
        refreshing = false
    }

    function beginEditing() {
        if (isEditing)
            return
        isEditing = true
        if (temporaryItem)
            temporaryItem.activateForManualGpsLocation()
    }

    function endEditing() {
        if (!isEditing)
            return
        takeTypedInput()
        isEditing = false
        latitudeField.editing = false
        longitudeField.editing = false
        latitudeField.inputItem.focus = false
        longitudeField.inputItem.focus = false
        altitudeInput.focus = false
        if (temporaryItem)
            temporaryItem.handBack()
    }

    function stopRunningUpdates() {
        if (locationManager && locationManager.updating)
            locationManager.stopUpdates()
    }

    // Keys in a coordinate field: the position waits for the field to be left.
    function coordinateTyped(field) {
        if (!locationManager || !isEditing || refreshing)
            return
        stopRunningUpdates()
        field.typed = true
    }

    function showHeldCoordinate(field) {
        var wasRefreshing = refreshing
        refreshing = true
        field.showHeld()
        refreshing = wasRefreshing
    }

    // `said`: this refusal was already told.
    function refuseTypedLocation(fields, said) {
        for (var i = 0; i < fields.length; ++i)
            showHeldCoordinate(fields[i])
        if (!said)
            sayInvalidLocation()
    }

    function sayInvalidLocation() {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastError("Invalid location!")
    }

    // Once while it shows: refused keys typed in a row are one refusal.
    function refuseKey() {
        if (typeof _dialogController !== "undefined" && _dialogController
                && _dialogController.toastMessage !== "Invalid location!")
            sayInvalidLocation()
    }

    // What taking the typed coordinates would do now, without doing it: the
    // half-typed fields it refuses, the typed ones it keeps, and the position
    // it stores (null: the held one stays). A half-typed field is refused when
    // it is left (`left`) or when nothing more can come (`last`), and shows
    // the held value again.
    function typedTake(left, last) {
        var fields = [latitudeField, longitudeField]
        var halfTyped = fields.filter(function(field) {
            return field.typed && !field.blank() && !field.complete() && (last || field === left)
        })
        var refused = function(field) { return halfTyped.indexOf(field) >= 0 }
        var kept = fields.filter(function(field) { return field.typed && !refused(field) })
        var held = validCoordinate()
        // Without a position held an empty field is one not typed yet.
        var emptied = held && kept.some(function(field) { return field.blank() })
        var whole = fields.every(function(field) { return refused(field) ? held : field.complete() })
        var position = null
        if (kept.length > 0 && emptied) {
            position = Qt.point(0, 0)
        } else if (kept.length > 0 && whole) {
            var at = locationManager.lastKnownCoordinate
            var angle = function(field, heldAngle) { return refused(field) ? heldAngle : field.parse(field.text) }
            position = Qt.point(angle(longitudeField, at.x), angle(latitudeField, at.y))
        }
        return { halfTyped: halfTyped, kept: kept, position: position }
    }

    // Where a save would put the typed position now, told to the manager for
    // the hints by the Save buttons.
    readonly property point typedPosition: {
        var take = locationManager && fieldsTyped ? typedTake(null, true) : null
        return take && take.position ? take.position : Utils.noPosition()
    }
    onTypedPositionChanged: if (locationManager) locationManager.typedCoordinate = typedPosition
    Component.onDestruction: if (locationManager) locationManager.typedCoordinate = Utils.noPosition()

    // Typed coordinates become the position once both are whole (or one was
    // emptied, which clears it). A half-typed one is refused when its field is
    // left (`left`) or when nothing more can come (`last`: a save, Done);
    // until then a whole one waits for the other to be typed.
    function takeTypedLocation(left, last) {
        if (!locationManager || refreshing || !fieldsTyped)
            return
        var take = typedTake(left, last)
        if (take.halfTyped.length > 0)
            refuseTypedLocation(take.halfTyped)
        if (!take.position) {
            if (last && take.kept.length > 0)
                refuseTypedLocation(take.kept, take.halfTyped.length > 0)
            return
        }
        latitudeField.typed = false
        longitudeField.typed = false
        stopRunningUpdates()
        locationManager.lastKnownCoordinate = take.position
        if (temporaryItem)
            temporaryItem.activateAtWorldLocation(take.position)
    }

    // Every typed value the bar holds, before a save reads the position or
    // the bar is left.
    function takeTypedInput() {
        storeTypedAltitude()
        takeTypedLocation(null, true)
    }

    // Another tool: typing in the bar is over, and the marker it borrowed
    // goes back, so a refused entry leaves no marker the bar does not show.
    function leaveFields() {
        if (isEditing) {
            endEditing()
            refresh(true)
            return
        }
        takeTypedInput()
        latitudeField.inputItem.focus = false
        longitudeField.inputItem.focus = false
        altitudeInput.focus = false
    }

    function showHeldAltitude() {
        var wasRefreshing = refreshing
        refreshing = true
        altitudeInput.text = locationManager ? lengthValue(locationManager.altitude) : ""
        refreshing = wasRefreshing
    }

    // The altitude typed goes to the manager once the field is left: a half
    // typed number is not an altitude. Text that is no number is refused and
    // the field shows the altitude held again.
    function storeTypedAltitude() {
        if (!altitudeTyped)
            return
        altitudeTyped = false
        if (!locationManager || altitudeInput.text === lengthValue(locationManager.altitude))
            return
        if (!_appManager.isLengthText(altitudeInput.text)) {
            showHeldAltitude()
            if (typeof _dialogController !== "undefined" && _dialogController)
                _dialogController.toastError("Invalid altitude")
            return
        }
        locationManager.altitude = _appManager.modelLengthValue(altitudeInput.text)
    }

    function actionClicked() {
        if (isEditing) {
            endEditing()
            refresh(true)
            return
        }
        manager.snapToCurrentLocation()
        if (temporaryItem)
            temporaryItem.resetLocation()
    }

    shown: locationManager !== null
    onShownChanged: {
        if (!shown)
            endEditing()
    }
    // A bar along the bottom, right of the tool bar's column; not a side panel.
    anchors.top: undefined
    anchors.bottom: parent ? parent.bottom : undefined
    anchors.bottomMargin: 0
    x: leftInset
    width: parent ? parent.width - leftInset : 0
    height: Utils.theme("buttonHeight", Utils.dp(40)) + 2 * margin
    color: Utils.theme("panelColor", "#f2f2f2")

    manager: LocationToolManager {
        active: locationTool.shown && locationTool.isEditing
        mapView: locationTool.mapView
        // The pressed point replaces what was typed.
        onLongPressAccepted: {
            latitudeField.typed = false
            longitudeField.typed = false
            locationTool.refresh(true)
        }
    }

    Component.onCompleted: {
        mapInput = findNamed(mapView, "mapInput")
        refresh(true)
    }
    onInputModeChanged: refresh(true)
    onUnitTypeChanged: refresh(true)
    onUpdatingChanged: refresh(true)
    onSearchingChanged: refresh(true)

    Connections {
        target: locationTool.locationManager
        ignoreUnknownSignals: true
        function onLastKnownCoordinateUpdated() { locationTool.refresh(true) }
        // A save or a project close is about to read the held position.
        function onPendingInputRequested() { locationTool.takeTypedInput() }
    }

    // Closing the window ends the program: typed values are taken first.
    Connections {
        target: locationTool.Window.window
        ignoreUnknownSignals: true
        function onClosing() { locationTool.takeTypedInput() }
    }

    Connections {
        target: locationTool.mapInput
        ignoreUnknownSignals: true
        function onPressed(mouse) { locationTool.manager.mousePressed(mouse.x, mouse.y, mouse.button) }
    }

    Connections {
        target: locationTool.temporaryItem
        ignoreUnknownSignals: true
        function onMoved() {
            if (!locationTool.isEditing || !locationTool.locationManager)
                return
            latitudeField.typed = false
            longitudeField.typed = false
            locationTool.locationManager.lastKnownCoordinate = locationTool.temporaryItem.worldPosition
            locationTool.stopRunningUpdates()
        }
        function onReleased() {
            if (!locationTool.isEditing || !locationTool.locationManager)
                return
            var position = locationTool.temporaryItem.worldPosition
            locationTool.locationManager.lastKnownCoordinate = position
            locationTool.temporaryItem.activateAtWorldLocation(position)
            locationTool.stopRunningUpdates()
        }
    }

    TextMetrics {
        id: ageRoom
        font.pixelSize: locationTool.textSize
        text: Qt.formatTime(new Date(2000, 0, 1, 20, 58, 58), Qt.locale().timeFormat(Locale.ShortFormat))
    }

    // Every part keeps its width whatever the service does, so the fields
    // stay under the finger that taps them.
    Row {
        id: bar
        anchors.fill: parent
        anchors.margins: locationTool.margin
        spacing: locationTool.margin

        Text {
            id: gpsIndicator
            objectName: "gpsIndicator"
            height: parent.height
            // Icon glyphs are a square em.
            width: font.pixelSize
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: Utils.icon(locationTool.searching ? "gpsSearchingIcon"
                                                    : locationTool.updating ? "gpsOnIcon" : "gpsOffIcon")
            font.family: Utils.iconFontFamily()
            font.pixelSize: Math.max(1, height * 0.6)
            color: Utils.theme("normalIconColor", "#006eb8")
        }

        // The switch, or while searching the stop button, in one slot.
        Item {
            objectName: "serviceSlot"
            height: parent.height
            width: Math.max(gpsColumn.implicitWidth, stopButton.implicitWidth)

            Column {
                id: gpsColumn
                anchors.verticalCenter: parent.verticalCenter
                visible: !locationTool.searching
                Text {
                    text: "GPS"
                    font.pixelSize: Math.max(1, Utils.theme("microText", Utils.dp(12)))
                    color: Utils.theme("kivGrey", "#565757")
                }
                SmallSwitch {
                    id: gpsSwitch
                    objectName: "gpsSwitch"
                    onClicked: {
                        if (locationTool.locationManager)
                            locationTool.locationManager.updating = checked
                        checked = locationTool.updating
                    }
                }
            }

            ActionButton {
                id: stopButton
                objectName: "stopButton"
                height: parent.height
                visible: locationTool.searching
                symbol: "cancelIcon"
                onButtonActivated: locationTool.stopRunningUpdates()
            }
        }

        Text {
            objectName: "modeMark"
            height: parent.height
            // Icon glyphs are a square em.
            width: font.pixelSize
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: Utils.icon(locationTool.manualPosition ? "manual" : "online")
            font.family: Utils.iconFontFamily()
            font.pixelSize: Math.max(1, height * 0.5)
            color: Utils.theme("normalIconColor", "#006eb8")
        }

        CoordinateField {
            id: latitudeField
            objectName: "latitudeField"
            latitude: true
            height: parent.height
            locationManager: locationTool.locationManager
            onInputFocusChanged: if (inputFocus) locationTool.beginEditing()
            onTextChanged: if (inputFocus) locationTool.coordinateTyped(latitudeField)
            onTypingEnded: locationTool.takeTypedLocation(latitudeField, false)
            onKeyRefused: locationTool.refuseKey()
            onOrdinalChanged: { locationTool.beginEditing(); locationTool.takeTypedLocation(null, false) }
        }

        CoordinateField {
            id: longitudeField
            objectName: "longitudeField"
            latitude: false
            height: parent.height
            locationManager: locationTool.locationManager
            onInputFocusChanged: if (inputFocus) locationTool.beginEditing()
            onTextChanged: if (inputFocus) locationTool.coordinateTyped(longitudeField)
            onTypingEnded: locationTool.takeTypedLocation(longitudeField, false)
            onKeyRefused: locationTool.refuseKey()
            onOrdinalChanged: { locationTool.beginEditing(); locationTool.takeTypedLocation(null, false) }
        }

        Rectangle {
            width: Utils.dp(70)
            height: parent.height
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
            border.width: 1
            border.color: Utils.theme("listSeparatorColor", "#cccccc")

            TextInput {
                id: altitudeInput
                objectName: "altitudeInput"
                anchors.fill: parent
                anchors.leftMargin: Utils.dp(4)
                anchors.rightMargin: Utils.dp(4)
                // A long number scrolls inside its box, never over the fields.
                clip: true
                verticalAlignment: TextInput.AlignVCenter
                font.pixelSize: locationTool.textSize
                inputMethodHints: Qt.ImhFormattedNumbersOnly
                onActiveFocusChanged: if (activeFocus) locationTool.beginEditing()
                onTextChanged: if (activeFocus && !locationTool.refreshing) locationTool.altitudeTyped = true
                // Return or the focus leaving; no validator, so text that is
                // no number still ends here and is refused aloud.
                onEditingFinished: locationTool.storeTypedAltitude()
            }
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            Text {
                objectName: "horizontalAccuracy"
                text: "H " + locationTool.accuracyText(locationTool.locationManager
                                                       ? locationTool.locationManager.horizontalAccuracy : -1)
                font.pixelSize: locationTool.textSize
                color: Utils.theme("kivGrey", "#565757")
            }
            Text {
                objectName: "verticalAccuracy"
                text: "V " + locationTool.accuracyText(locationTool.locationManager
                                                       ? locationTool.locationManager.verticalAccuracy : -1)
                font.pixelSize: locationTool.textSize
                color: Utils.theme("kivGrey", "#565757")
            }
        }

        Text {
            objectName: "ageText"
            height: parent.height
            // Room for a time from the start: the first fix keeps the button after it in place.
            width: Math.max(implicitWidth, ageRoom.advanceWidth)
            verticalAlignment: Text.AlignVCenter
            text: locationTool.ageText
            font.pixelSize: locationTool.textSize
            color: Utils.theme("kivGrey", "#565757")
        }

        ActionButton {
            objectName: "actionButton"
            height: parent.height
            symbol: locationTool.isEditing ? "okIcon" : "locationIcon"
            onButtonActivated: locationTool.actionClicked()
        }
    }
}
