import QtQuick 2.4
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// Measures a plane or a lineation with the clinometer, or a sighting with the
// compass, and saves it at the temporary item's position.
BaseTool {
    id: clinoTool

    readonly property var compassClino: (typeof _appManager !== "undefined" && _appManager)
                                        ? _appManager.compassClino : null
    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    readonly property var temporaryItem: mapView ? mapView.temporaryItem : null
    property int mode: ClinoToolManager.CompassMode
    readonly property bool clinoMode: mode === ClinoToolManager.ClinoMode
    // False while the reading is frozen by a tap on the instrument.
    property bool measuring: true
    // While the sensors deliver the reading the dial's symbols turn with the
    // device; a reading frozen or typed by hand shows north up, as the map
    // and the notebook do.
    readonly property bool followsDevice: measuring && !!compassClino && compassClino.deviceUpdating
    readonly property bool isPlane: project ? project.symbolIsPlane(_modelManager.currentSymbol) : true
    readonly property bool usesStrike: isPlane && typeof _appManager !== "undefined" && _appManager !== null
                                       && _appManager.angleConvention === 1
    readonly property bool hasRockUnit: _modelManager.currentRockUnit !== -1
    // While the strat column is being edited its outline marks the unit to
    // edit, not the one a reading would take: readings wait for "Done".
    readonly property bool unitChosen: hasRockUnit && !stratColumn.editing
    readonly property bool headingLocked: compass.isHeadingLocked
    // A reading held or set by hand, or a comment: only Save stores them.
    readonly property bool pendingWork: !measuring || headingLocked || commentField.text !== ""
    readonly property string dipLabel: isPlane ? "dip" : "plunge"
    readonly property string azimuthLabel: usesStrike ? "strike" : "azimuth"
    readonly property var locations: (typeof _appManager !== "undefined" && _appManager)
                                     ? _appManager.locationManager : null
    // Where a save puts the reading now: the point the marker shows, else
    // the position the bar holds. Read afresh by the save; the hint follows
    // every change of it (pans and zooms included).
    function savePlace() {
        return temporaryItem ? temporaryItem.savePlace : Utils.heldPlace()
    }
    readonly property bool positionKnown: !!locations && locations.isValidCoordinate(savePlace().location)
    // Why Save waits, first reason first; empty when it may save.
    readonly property string saveWaitsFor: {
        if ((clinoMode || unitSwitch.checked) && !unitChosen)
            return stratColumn.editing ? "Tap Done in the strat column to save" : "Pick a rock unit to save"
        if (!positionKnown)
            return "Set a position to save"
        if (clinoMode) {
            if (clino.isUpdating)
                return "Tap the clinometer or type a reading to save"
            if (dipField.text === "")
                return "Type a " + dipLabel + " to save"
            if (azimuthField.text === "")
                return (usesStrike ? "Type a " : "Type an ") + azimuthLabel + " to save"
            return ""
        }
        if (!headingLocked)
            return "Tap the compass or type a heading to save"
        if (headingField.text === "")
            return "Type a heading to save"
        return ""
    }
    readonly property bool canSave: saveWaitsFor === ""

    toolName: "Compass Clino"
    iconLabel: "Clino"
    imageSrc: "qrc:/qml/images/clino.svg"
    needSensors: true

    manager: ClinoToolManager {
        active: clinoTool.shown
        mapView: clinoTool.mapView
        onLongPress: {
            if (clinoTool.temporaryItem)
                clinoTool.temporaryItem.setScreenPosition(position)
        }
    }

    // The source computes only what is shown.
    function updateEmitFlags() {
        if (!compassClino)
            return
        compassClino.emitBearingUpdates = shown
        compassClino.emitPlaneUpdates = shown && measuring
        compassClino.emitLineUpdates = shown && measuring && !isPlane
    }

    function refreshReadings() {
        if (measuring)
            showReadings()
    }

    function showReadings() {
        if (!compassClino)
            return
        dipField.text = _ui.formatDip(isPlane ? compassClino.dip : compassClino.plunge)
        azimuthField.text = isPlane ? _ui.formatPlaneAzimuth(compassClino.dipAzimuth)
                                    : _ui.formatAzimuth(compassClino.plungeAzimuth)
    }

    function refreshHeading() {
        if (compassClino)
            headingField.text = _ui.formatAzimuth(headingLocked ? compass.heading : compassClino.bearing)
    }

    // A typed heading moves the dial's heading at each key; the field keeps
    // the text being typed. The first key locks the heading, also in a field
    // that kept the focus after a save: no later bearing overwrites the keys.
    property bool typingHeading: false
    function typeHeading() {
        var value = _ui.reading(headingField.text)
        typingHeading = true
        if (!headingLocked)
            compass.lockHeading()
        if (isFinite(value))
            compass.setHeading((value % 360 + 360) % 360)
        typingHeading = false
    }

    function setMeasuring(value) {
        measuring = value
        if (value && temporaryItem)
            temporaryItem.resetSensors()
        refreshReadings()
    }

    // Typing stops the updates at once: no reading overwrites the keys, and
    // Save needs no tap on the dial. The dial shows each key's reading, as
    // the compass does a typed heading.
    function startTyping(isDip) {
        setMeasuring(false)
        if (isDip)
            writeDip()
        else
            writeAzimuth()
    }

    // The source's reading for the current symbol, as it is now.
    function sourceDip() { return isPlane ? compassClino.dip : compassClino.plunge }
    function sourceAzimuth() { return isPlane ? compassClino.dipAzimuth : compassClino.plungeAzimuth }

    // A reading typed by hand freezes the instrument and goes to the source,
    // unless the source holds it already to the shown whole degree.
    function writeDip() {
        setMeasuring(false)
        var value = parseFloat(dipField.text)
        // A dip beyond the dial is refused by Save; the dial keeps the last one.
        if (compassClino && value >= 0 && value <= 90 && Math.round(sourceDip()) !== value)
            setSourceDip(value)
    }

    function writeAzimuth() {
        setMeasuring(false)
        var value = isPlane ? parseFloat(_ui.parsePlaneAzimuth(azimuthField.text)) : parseFloat(azimuthField.text)
        if (compassClino && isFinite(value) && Math.round(sourceAzimuth()) !== value)
            setSourceAzimuth(value)
    }

    // A reading set by hand, typed or on the dial, is the source's until the
    // sensors deliver again: the map's marker and a resumed dial show it.
    function setSourceDip(value) {
        if (isPlane)
            compassClino.dip = value
        else
            compassClino.plunge = value
    }

    function setSourceAzimuth(value) {
        var current = sourceAzimuth()
        // The symbol on the dial turns with the direction set.
        if (isPlane) {
            compassClino.planeSymbolRotation += value - current
            compassClino.dipAzimuth = value
        } else {
            compassClino.lineSymbolRotation += value - current
            compassClino.plungeAzimuth = value
        }
    }

    function save() {
        Utils.takePendingInput()
        var at = savePlace()
        if (clinoMode) {
            var azimuth = isPlane ? _ui.parsePlaneAzimuth(azimuthField.text) : azimuthField.text
            manager.saveOrientation(dipField.text, azimuth, commentField.text, at.location, at.gps)
        } else {
            manager.saveSighting(headingField.text, commentField.text, unitSwitch.checked, at.location, at.gps)
        }
    }

    function handleSaved(success, message) {
        if (!success) {
            _dialogController.toast(message, _ui.icons.cancelIcon, _ui.lengthLong)
            return
        }
        setMeasuring(true)
        if (!clinoMode)
            compass.unlockHeading()
        commentField.text = ""
    }

    // The marker as this screen shows it: the data symbol, or the locked
    // heading's sighting.
    function showMarker() {
        temporaryItem.activateForDataLocation()
        sightingShown = false
        showSighting()
    }

    // The locked heading shows as the default sighting symbol where it goes.
    property bool sightingShown: false
    function showSighting() {
        if (!temporaryItem || !shown)
            return
        if (!clinoMode && headingLocked && project) {
            temporaryItem.symbolId = project.symbolIconId(project.getDefaultSightingId())
            temporaryItem.symbolDip = 45
            temporaryItem.symbolAzimuth = compass.heading
            temporaryItem.symbolColor = unitSwitch.checked ? _modelManager.currentRockUnitColor : "black"
            sightingShown = true
        } else if (sightingShown) {
            // Back to the current symbol and the sensors, where the user placed it.
            var placed = !temporaryItem.lockedToGps
            // A copy: the property itself follows the marker back to the GPS.
            var at = Qt.point(temporaryItem.worldPosition.x, temporaryItem.worldPosition.y)
            temporaryItem.activateForDataLocation()
            if (placed)
                temporaryItem.activateForMoveData(at)
            sightingShown = false
        }
    }

    onShownChanged: {
        updateEmitFlags()
        if (temporaryItem) {
            if (shown) {
                showMarker()
            } else {
                temporaryItem.deactivate()
                sightingShown = false
            }
        }
        refreshReadings()
        refreshHeading()
    }
    onMeasuringChanged: updateEmitFlags()
    onIsPlaneChanged: {
        updateEmitFlags()
        // Also when frozen: the fields show what the dial shows for the new symbol.
        showReadings()
    }
    onHeadingLockedChanged: {
        if (!typingHeading)
            refreshHeading()
        showSighting()
    }
    onModeChanged: showSighting()
    Connections {
        target: clinoTool.manager
        function onSaveSuccessful(success, message) { clinoTool.handleSaved(success, message) }
    }
    Connections {
        target: clinoTool.temporaryItem
        ignoreUnknownSignals: true
        function onHandedBack() {
            if (clinoTool.shown)
                clinoTool.showMarker()
        }
    }

    Connections {
        target: clinoTool.compassClino
        ignoreUnknownSignals: true
        function onDipChanged() { clinoTool.refreshReadings() }
        function onPlungeChanged() { clinoTool.refreshReadings() }
        function onDipAzimuthChanged() { clinoTool.refreshReadings() }
        function onPlungeAzimuthChanged() { clinoTool.refreshReadings() }
        // A locked heading's field shows the heading, not the bearing.
        function onBearingChanged() {
            if (!clinoTool.headingLocked)
                clinoTool.refreshHeading()
        }
    }

    Rectangle {
        id: header
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: Utils.theme("buttonHeight", Utils.dp(40))
        color: Utils.theme("kivBlue", "#006eb8")

        LocalityPicker {
            id: localityPicker
            objectName: "localityPicker"
            anchors { left: parent.left; top: parent.top; bottom: parent.bottom; margins: Utils.dp(4) }
            width: parent.width * 0.55
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        }
        Text {
            anchors { left: localityPicker.right; right: parent.right; verticalCenter: parent.verticalCenter }
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: clinoTool.toolName
            color: "#ffffff"
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
        }
    }

    Item {
        id: modeRow
        anchors { top: header.bottom; left: parent.left; right: parent.right; margins: Utils.dp(8) }
        height: instrumentButtonSize

        readonly property real instrumentButtonSize: Utils.dp(64)

        SegmentedButton {
            id: modeButton
            objectName: "modeButton"
            anchors { left: parent.left; verticalCenter: parent.verticalCenter }
            buttons: ["Compass", "Clino"]
            activeButton: clinoTool.mode
            onClicked: clinoTool.mode = index
        }

        // The small instrument of the other mode switches to it.
        ButtonCompassItem {
            objectName: "compassButton"
            anchors.right: parent.right
            width: modeRow.instrumentButtonSize
            height: width
            visible: clinoTool.clinoMode
            bearing: clinoTool.compassClino ? clinoTool.compassClino.bearing : -1
            onClicked: clinoTool.mode = ClinoToolManager.CompassMode
        }
        ButtonClinoItem {
            objectName: "clinoButton"
            anchors.right: parent.right
            width: modeRow.instrumentButtonSize
            height: width
            visible: !clinoTool.clinoMode
            dip: clinoTool.compassClino ? clinoTool.compassClino.dip : 0
            azimuth: clinoTool.compassClino ? clinoTool.compassClino.planeSymbolRotation : 0
            onClicked: clinoTool.mode = ClinoToolManager.ClinoMode
        }
    }

    // The dial keeps its size; the strat column, widened, covers it instead
    // of pushing it and the fields aside.
    Item {
        id: instrumentRow
        anchors { top: modeRow.bottom; left: parent.left; right: parent.right; margins: Utils.dp(8) }
        height: width - stratColumn.collapsedWidth - spacing

        readonly property real spacing: Utils.dp(4)

        Item {
            width: parent.height
            height: width
            CompassItem {
                id: compass
                objectName: "compass"
                anchors.fill: parent
                visible: !clinoTool.clinoMode
                bearing: clinoTool.compassClino ? clinoTool.compassClino.bearing : 0
                declination: clinoTool.project ? clinoTool.project.declination : Utils.noValue
                onHeadingChanged: {
                    if (!clinoTool.typingHeading)
                        clinoTool.refreshHeading()
                    clinoTool.showSighting()
                }
            }
            ClinoItem {
                id: clino
                objectName: "clino"
                anchors.fill: parent
                visible: clinoTool.clinoMode
                isUpdating: clinoTool.measuring
                dip: clinoTool.compassClino
                     ? (clinoTool.isPlane ? clinoTool.compassClino.dip : clinoTool.compassClino.plunge) : 0
                azimuth: clinoTool.compassClino
                         ? (clinoTool.isPlane ? clinoTool.compassClino.dipAzimuth
                                              : clinoTool.compassClino.plungeAzimuth) : 0
                planeSymbolRotation: !clinoTool.compassClino ? 0
                                     : clinoTool.followsDevice ? clinoTool.compassClino.planeSymbolRotation
                                                               : clinoTool.compassClino.dipAzimuth
                lineSymbolRotation: !clinoTool.compassClino ? 0
                                    : clinoTool.followsDevice ? clinoTool.compassClino.lineSymbolRotation
                                                              : clinoTool.compassClino.plungeAzimuth
                iconId: clinoTool.project ? clinoTool.project.symbolIconId(_modelManager.currentSymbol) : 0
                onClicked: clinoTool.setMeasuring(!clinoTool.measuring)
                // Set by hand on the dial while frozen. A reading the source
                // still sends comes through the binding: it leaves the field
                // as typed.
                onDipChanged: {
                    if (clinoTool.measuring || !clinoTool.compassClino || dip === clinoTool.sourceDip())
                        return
                    dipField.text = _ui.formatDip(dip)
                    clinoTool.setSourceDip(dip)
                }
                onAzimuthChanged: {
                    if (clinoTool.measuring || !clinoTool.compassClino || azimuth === clinoTool.sourceAzimuth())
                        return
                    azimuthField.text = clinoTool.isPlane ? _ui.formatPlaneAzimuth(azimuth)
                                                          : _ui.formatAzimuth(azimuth)
                    clinoTool.setSourceAzimuth(azimuth)
                }
            }
        }

        StratColumn {
            id: stratColumn
            objectName: "stratColumn"
            anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
            width: Math.min(implicitWidth, parent.width)
            z: 1
            picksCurrentUnit: true
            enabled: clinoTool.clinoMode || unitSwitch.checked
            opacity: enabled ? 1 : 0.4
        }
    }

    Grid {
        id: fields
        anchors { top: instrumentRow.bottom; left: parent.left; right: parent.right; margins: Utils.dp(8) }
        columns: 2
        spacing: Utils.dp(6)
        verticalItemAlignment: Grid.AlignVCenter

        Text {
            visible: clinoTool.clinoMode
            text: "symbol"
        }
        SymbolPicker {
            id: symbolPicker
            objectName: "symbolPicker"
            visible: clinoTool.clinoMode
        }
        Text {
            objectName: "dipLabel"
            visible: clinoTool.clinoMode
            text: clinoTool.dipLabel
        }
        ExpandableTextField {
            id: dipField
            objectName: "dipField"
            visible: clinoTool.clinoMode
            onTextEdited: clinoTool.startTyping(true)
            onAccepted: clinoTool.writeDip()
        }
        Text {
            objectName: "azimuthLabel"
            visible: clinoTool.clinoMode
            text: clinoTool.azimuthLabel
        }
        ExpandableTextField {
            id: azimuthField
            objectName: "azimuthField"
            visible: clinoTool.clinoMode
            onTextEdited: clinoTool.startTyping(false)
            onAccepted: clinoTool.writeAzimuth()
        }
        Text {
            visible: !clinoTool.clinoMode
            text: "heading"
        }
        ExpandableTextField {
            id: headingField
            objectName: "headingField"
            visible: !clinoTool.clinoMode
            // A typed heading replaces the locked one.
            onTextEdited: clinoTool.typeHeading()
            onAccepted: clinoTool.typeHeading()
            // Left: the field shows the heading as the dial does.
            onEditingFinished: clinoTool.refreshHeading()
            // A tap holds the bearing of the moment; the field still takes the focus.
            MouseArea {
                anchors.fill: parent
                onPressed: {
                    compass.lockHeading()
                    mouse.accepted = false
                }
            }
        }
        Text {
            visible: !clinoTool.clinoMode
            text: "Assign Unit"
        }
        Switch {
            id: unitSwitch
            objectName: "unitSwitch"
            visible: !clinoTool.clinoMode
            width: Utils.dp(50)
            height: Utils.dp(26)
            onCheckedChanged: clinoTool.showSighting()
        }
        Text { text: "comment" }
        ExpandableTextField {
            id: commentField
            objectName: "commentField"
        }
    }

    ActionButton {
        id: saveButton
        objectName: "saveButton"
        anchors { top: fields.bottom; right: parent.right; margins: Utils.dp(8) }
        width: Utils.theme("buttonWidth", Utils.dp(33)) * 2.5
        height: Utils.theme("buttonHeight", Utils.dp(40))
        label: "Save"
        enabled: clinoTool.canSave
        onButtonActivated: clinoTool.save()
    }
    Text {
        objectName: "saveHint"
        anchors { left: parent.left; right: saveButton.left; verticalCenter: saveButton.verticalCenter
                  margins: Utils.dp(8) }
        visible: text !== ""
        text: clinoTool.saveWaitsFor
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignRight
        font.pixelSize: Utils.theme("smallText", Utils.dp(14))
        color: Utils.theme("kivGrey", "#565757")
    }
}
