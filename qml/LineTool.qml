import QtQuick 2.4
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// The line tool's panel: one of two control columns (wide or thin), the
// reticule buttons of the point-to-point mode and the vertex menu of edit
// mode. The drawing itself happens in the native tool.
BaseTool {
    id: lineTool
    objectName: "lineTool"

    readonly property var reticule: mapView && mapView.temporaryItem ? mapView.temporaryItem : null
    // "WIDE" or "THIN"; kept in the settings as "LineToolExpandMode".
    property string expandMode: "WIDE"
    property bool reticuleActive: false
    property bool stylusDown: false
    readonly property bool freeHand: manager.penMode === LineToolManager.FreeHand
    readonly property bool pointToPoint: manager.penMode === LineToolManager.PointToPoint
    readonly property bool stylus: manager.penMode === LineToolManager.VirtualStylus
    readonly property bool undoEnabled: (typeof _appManager !== "undefined" && _appManager && _appManager.canUndo)
                                        || manager.numPoints > 1
    readonly property int menuDuration: Utils.theme("lengthLong", 4000)
    readonly property string noUnitText: "Please add a Rock Unit before drawing"
    // A line being placed, not saved yet; leaving the tool drops it.
    readonly property bool pendingWork: manager.numPoints > 0
    readonly property var workDroppedOnLeaving: pendingWork ? ["line"] : []
    // An open edit of the strat column may delete or rename the unit a line
    // would take: drawing waits for its "Done".
    readonly property bool columnEditing: {
        var project = typeof _modelManager !== "undefined" && _modelManager ? _modelManager.currentProject : null
        return !!project && !!project.stratColumnModel && project.stratColumnModel.editing
    }
    readonly property string columnEditingText: "Tap Done in the strat column to draw"

    toolName: "Line"
    iconLabel: "Line"
    imageSrc: "qrc:/qml/images/line.svg"
    panelWidth: expandMode === "THIN" ? Utils.theme("fullToolBarWidth", Utils.dp(54)) * 2
                                      : Utils.theme("panelWidth", Utils.dp(320))

    manager: LineToolManager {
        active: lineTool.shown
        mapView: lineTool.mapView
    }

    function hasRockUnit() {
        return typeof _modelManager !== "undefined" && _modelManager && _modelManager.currentRockUnit !== -1
    }

    function unitColor() {
        return hasRockUnit() ? _modelManager.currentRockUnitColor : "black"
    }

    function toastError(text) {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastError(text)
    }

    function setExpandMode(mode) {
        expandMode = mode
        if (typeof _appManager !== "undefined" && _appManager)
            _appManager.setValue("LineToolExpandMode", mode)
    }

    function hideReticule() {
        if (reticule && reticuleActive)
            reticule.deactivate()
        reticuleActive = false
    }

    // Called on show and on every change of pen mode or edit mode.
    function setupReticule() {
        if (!shown)
            return
        if (manager.editModeEnabled || freeHand || !reticule) {
            hideReticule()
            return
        }
        if (!reticuleActive)
            reticule.activateAtScreenCenter()
        reticuleActive = true
        reticule.symbolId = -1
        reticule.stylusMode = true
        reticule.reticuleColor = unitColor()
        if (stylus)
            stylusDown = manager.numPoints !== 0
    }

    function setPenMode(mode) {
        if (mode === LineToolManager.FreeHand) {
            hideReticule()
            manager.resetPickedPoints()
        }
        stylusDown = false
        manager.penMode = mode
    }

    function addPoint() {
        if (reticule)
            manager.addPickedPoint(reticule.screenPosition, reticule.worldPosition)
    }

    function savePoints() {
        if (reticule)
            manager.savePickedPoints(reticule.screenPosition, reticule.worldPosition)
    }

    function toggleStylus() {
        if (!hasRockUnit() || columnEditing) {
            toastError(hasRockUnit() ? columnEditingText : noUnitText)
            return
        }
        if (!reticule)
            return
        if (!stylusDown) {
            reticule.activateAtWorldLocation(reticule.worldPosition)
            stylusDown = true
            addPoint()
        } else {
            stylusDown = false
            savePoints()
            reticule.setScreenPosition(reticule.screenPosition)
        }
    }

    function undo() {
        if (!freeHand && manager.numPoints > 0) {
            stylusDown = false
            manager.resetPickedPoints()
        } else if (typeof _appManager !== "undefined" && _appManager) {
            _appManager.undo()
        }
    }

    function openLocalities() {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.launchCustomDialog("LocalityDialog.qml")
    }

    onShownChanged: {
        if (shown) {
            setupReticule()
        } else {
            hideReticule()
            stylusDown = false
            vertexMenu.hide()
        }
    }

    Component.onCompleted: {
        if (typeof _appManager !== "undefined" && _appManager)
            expandMode = _appManager.value("LineToolExpandMode", "WIDE") === "THIN" ? "THIN" : "WIDE"
    }

    Connections {
        target: lineTool.manager
        function onPenModeChanged() { lineTool.setupReticule() }
        function onEditModeEnabledChanged() { lineTool.setupReticule() }
        function onNumPointsChanged() {
            if (lineTool.stylus)
                lineTool.stylusDown = lineTool.manager.numPoints !== 0
        }
        function onShowDeleteLinePoint(x, y, lineId, pointIndex, enableSplit) {
            vertexMenu.show(x, y, lineId, pointIndex, enableSplit)
        }
        function onHideDeleteLinePoint() { vertexMenu.hide() }
    }

    Connections {
        target: typeof _modelManager !== "undefined" ? _modelManager : null
        ignoreUnknownSignals: true
        function onCurrentRockUnitChanged() {
            if (lineTool.reticuleActive && lineTool.reticule)
                lineTool.reticule.reticuleColor = lineTool.unitColor()
        }
    }

    // The rubber band follows the reticule and the camera.
    function track() {
        if (shown && pointToPoint && reticule && manager.numPoints > 0)
            manager.trackPickedPoint(reticule.screenPosition, reticule.worldPosition)
    }

    Connections {
        target: lineTool.reticule
        ignoreUnknownSignals: true
        function onScreenPositionChanged() { lineTool.track() }
        function onMoved() {
            if (lineTool.shown && lineTool.stylus && lineTool.stylusDown && !lineTool.columnEditing)
                lineTool.addPoint()
        }
        function onReleased() {
            if (lineTool.shown && lineTool.stylus && lineTool.stylusDown)
                lineTool.reticule.activateAtWorldLocation(lineTool.reticule.worldPosition)
        }
    }

    Connections {
        target: lineTool.mapView
        ignoreUnknownSignals: true
        function onCameraPositionChanged() { lineTool.track() }
    }

    LineToolBarWide {
        id: wideColumn
        objectName: "wideColumn"
        anchors.fill: parent
        visible: lineTool.expandMode !== "THIN"
        panel: lineTool
    }

    LineToolBarThin {
        id: thinColumn
        objectName: "thinColumn"
        anchors.fill: parent
        visible: lineTool.expandMode === "THIN"
        panel: lineTool
    }

    // Beside the reticule: "add", "ok" and the point counter, or the stylus.
    Row {
        id: reticuleButtons
        objectName: "reticuleButtons"
        parent: lineTool.parent
        visible: lineTool.shown && !lineTool.freeHand && lineTool.reticuleActive
        x: lineTool.reticule ? lineTool.reticule.x + lineTool.reticule.width : 0
        y: lineTool.reticule ? lineTool.reticule.y : 0
        spacing: Utils.theme("spacing", Utils.dp(8))

        ActionButton {
            objectName: "stylusButton"
            visible: lineTool.stylus
            symbol: "editIcon"
            fillColor: lineTool.stylusDown ? Utils.theme("kivYellow", "#ffcc00") : "#ffffff"
            onButtonActivated: lineTool.toggleStylus()
        }
        ActionButton {
            objectName: "addPointButton"
            visible: lineTool.pointToPoint
            symbol: "addIcon"
            onButtonActivated: {
                if (!lineTool.hasRockUnit())
                    lineTool.toastError(lineTool.noUnitText)
                else
                    lineTool.addPoint()
            }
        }
        ActionButton {
            objectName: "savePointsButton"
            visible: lineTool.pointToPoint
            symbol: "okIcon"
            enabled: lineTool.manager.numPoints >= 2
            onButtonActivated: lineTool.savePoints()
        }
        Text {
            objectName: "pointCounter"
            anchors.verticalCenter: parent.verticalCenter
            visible: lineTool.pointToPoint && lineTool.manager.numPoints > 0
            text: lineTool.manager.numPoints
            font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
            color: Utils.theme("kivBlue", "#006eb8")
        }
    }

    // "delete" and "split" at a held vertex, for a while. The layer covers
    // the map: a tap beside the buttons only closes them, as a menu does,
    // and keeps the selection.
    ScreenLayer {
        id: vertexMenu
        objectName: "vertexMenuLayer"
        parent: lineTool.parent
        anchors.fill: parent
        visible: false
        z: 100

        property string lineId: ""
        property int pointIndex: -1
        property bool enableSplit: false
        // Room for a glyph over its word.
        readonly property real buttonWidth: Utils.theme("buttonHeight", Utils.dp(40)) * 1.5
        readonly property real buttonHeight: Utils.theme("buttonHeight", Utils.dp(40)) * 1.25

        // At the finger, whole inside the free map area (the tools fill the
        // map, so their coordinates are the map's) and clear of the selected
        // line's balloon: below it, or above it where there is no room.
        function place(atX, atY) {
            var map = lineTool.mapView
            var area = map && map.visibleArea.width > 0 ? map.visibleArea : Qt.rect(0, 0, width, height)
            // Above the position bar where it shows.
            var bottom = area.y + area.height - (map && map.positionBarHeight ? map.positionBarHeight : 0)
            var menuWidth = vertexButtons.width
            var menuHeight = vertexButtons.height
            vertexButtons.x = Math.max(area.x, Math.min(atX, area.x + area.width - menuWidth))
            var left = vertexButtons.x
            var top = Math.max(area.y, Math.min(atY, bottom - menuHeight))
            var balloon = map ? map.calloutBounds : Qt.rect(0, 0, 0, 0)
            var balloonLeft = map ? map.pickedScreenPos.x + balloon.x : 0
            var upper = map ? map.pickedScreenPos.y + balloon.y : 0
            if (balloon.width > 0 && left < balloonLeft + balloon.width && balloonLeft < left + menuWidth
                    && top < upper + balloon.height && upper < top + menuHeight) {
                top = upper + balloon.height + menuHeight <= bottom ? upper + balloon.height
                                                                    : Math.max(area.y, upper - menuHeight)
            }
            vertexButtons.y = top
        }

        function show(atX, atY, id, index, split) {
            lineId = id
            pointIndex = index
            enableSplit = split
            place(atX, atY)
            visible = true
            hideTimer.restart()
        }

        function hide() {
            hideTimer.stop()
            visible = false
        }

        Timer {
            id: hideTimer
            objectName: "vertexMenuTimer"
            interval: lineTool.menuDuration
            onTriggered: vertexMenu.hide()
        }

        CoverArea {
            onClicked: vertexMenu.hide()
        }

        Item {
            id: vertexButtons
            objectName: "vertexMenu"
            width: buttonRow.width
            height: buttonRow.height

            // A tap on a disabled button or between the two keeps the menu.
            CoverArea { }

            Row {
                id: buttonRow
                spacing: Utils.theme("spacing", Utils.dp(8))

                ActionButton {
                    objectName: "deletePointButton"
                    width: vertexMenu.buttonWidth
                    height: vertexMenu.buttonHeight
                    symbol: "deleteIcon"
                    label: "delete"
                    onButtonActivated: {
                        lineTool.manager.deletePointFromLine(vertexMenu.lineId, vertexMenu.pointIndex)
                        vertexMenu.hide()
                    }
                }
                ActionButton {
                    objectName: "splitLineButton"
                    width: vertexMenu.buttonWidth
                    height: vertexMenu.buttonHeight
                    symbol: "splitLine"
                    label: "split"
                    enabled: vertexMenu.enableSplit
                    onButtonActivated: {
                        lineTool.manager.splitLine(vertexMenu.lineId, vertexMenu.pointIndex)
                        vertexMenu.hide()
                    }
                }
            }
        }
    }
}
