import QtQuick 2.4
import quarzel.touch 1.0
import "Utils.js" as Utils

// The map's temporary marker: a reticle with the symbol about to be recorded.
// Its placement rules live in the controller; this item draws it, centres
// itself on the controller's screen position and lets the user drag it.
Item {
    id: item

    property var mapView: null
    readonly property alias worldPosition: controller.worldPosition
    readonly property alias screenPosition: controller.screenPosition
    readonly property alias lockedToGps: controller.lockedToGps
    readonly property alias lockedToWorldPosition: controller.lockedToWorldPosition
    // Where a save would put a datum now ("location", "gps"), read afresh at
    // each access; every save and the hint by its button read this.
    readonly property alias savePlace: controller.savePlace
    // How the marker stood when the position bar borrowed it, while the bar
    // holds it: see handBack().
    property var lent: null
    property real minimumX: 0
    property real maximumX: parent ? parent.width : 0
    property real minimumY: 0
    property real maximumY: parent ? parent.height : 0
    property int symbolId: currentSymbolIconId()
    property color symbolColor: currentRockUnitColor()
    property real symbolDip: 45
    property real symbolAzimuth: 0
    property bool stylusMode: false
    property color reticuleColor: _ui.kivLightBlue
    property bool isPlane: currentSymbolIsPlane()
    property real sensorDip: 0
    property real sensorPlunge: 0
    property real sensorDipAzimuth: 0
    property real sensorPlungeAzimuth: 0

    signal pressed(real x, real y, int buttons)
    signal moved(real x, real y, int buttons)
    signal released(real x, real y, int buttons, bool longPress)
    // The position bar is done with the marker: the tool that showed it
    // shows it again.
    signal handedBack()

    function currentSymbolIconId() {
        var project = _modelManager ? _modelManager.currentProject : null
        return project ? project.symbolIconId(_modelManager.currentSymbol) : -1
    }

    function currentSymbolIsPlane() {
        var project = _modelManager ? _modelManager.currentProject : null
        return project ? project.symbolIsPlane(_modelManager.currentSymbol) : false
    }

    function currentRockUnitColor() {
        return _modelManager ? _modelManager.rockUnitColor(_modelManager.currentRockUnit) : "black"
    }

    function show() {
        controller.visible = true
    }

    // A copy: the property read itself would follow the position.
    function heldCoordinate() {
        var location = _appManager ? _appManager.locationManager : null
        var held = location ? location.lastKnownCoordinate : Utils.noPosition()
        return Qt.point(held.x, held.y)
    }

    function activateForManualGpsLocation() {
        if (!lent)
            lent = { shown: controller.visible, placed: !controller.lockedToGps,
                     screen: Qt.point(controller.screenPosition.x, controller.screenPosition.y),
                     held: heldCoordinate() }
        stylusMode = false
        symbolId = -1
        symbolColor = "black"
        controller.setLockedToGps(true)
        show()
    }

    function activateForDataLocation() {
        lent = null
        stylusMode = false
        symbolId = Qt.binding(currentSymbolIconId)
        symbolColor = Qt.binding(currentRockUnitColor)
        resetSensors()
        controller.setLockedToGps(true)
        show()
    }

    function activateForMoveData(pt) {
        lent = null
        controller.setLockedToGps(false)
        controller.setWorldPosition(pt)
        show()
    }

    function activateAtScreenCenter() {
        lent = null
        controller.activateAtScreenCenter()
        show()
    }

    function activateAtWorldLocation(pt) {
        controller.setWorldPosition(pt)
        show()
    }

    // The position bar gives the marker back, unless a tool has taken it
    // meanwhile. A place the user chose on the map stays chosen unless the
    // bar set another position.
    function handBack() {
        var was = lent
        if (!was)
            return
        lent = null
        deactivate()
        if (!was.shown)
            return
        handedBack()
        var held = heldCoordinate()
        if (was.placed && controller.visible && held.x === was.held.x && held.y === was.held.y)
            setScreenPosition(was.screen)
    }

    // A tool that goes while the position bar holds the marker leaves it to
    // the bar, which hides it when it gives it back.
    function deactivate() {
        if (lent) {
            lent.shown = false
            return
        }
        controller.visible = false
        symbolId = -1
        symbolColor = "black"
    }

    function resetSensors() {
        symbolDip = Qt.binding(function() { return item.isPlane ? item.sensorDip : item.sensorPlunge })
        symbolAzimuth = Qt.binding(function() {
            return item.isPlane ? item.sensorDipAzimuth : item.sensorPlungeAzimuth
        })
    }

    function resetLocation() {
        var location = _appManager ? _appManager.locationManager : null
        if (location && location.isValidCoordinate(location.lastKnownCoordinate))
            controller.setLockedToGps(true)
    }

    function setScreenPosition(position) {
        controller.setLockedToGps(false)
        controller.setLockedToWorldPosition(false)
        controller.setScreenPosition(position)
    }

    function centre() {
        return Qt.point(x + width * 0.5, y + height * 0.5)
    }

    width: _ui.buttonWidth * 3
    height: width
    opacity: controller.visible ? 1 : 0
    visible: opacity > 0

    Behavior on opacity {
        NumberAnimation { duration: _ui.defaultAnimationDuration }
    }
    // Only a marker the user moves from elsewhere glides; one that tracks a
    // point or a finger follows at once.
    Behavior on x {
        enabled: !item.stylusMode && !controller.lockedToGps && !controller.lockedToWorldPosition
                 && !handleArea.pressed
        NumberAnimation { duration: 200 }
    }
    Behavior on y {
        enabled: !item.stylusMode && !controller.lockedToGps && !controller.lockedToWorldPosition
                 && !handleArea.pressed
        NumberAnimation { duration: 200 }
    }

    Component.onCompleted: {
        var clino = _appManager ? _appManager.compassClino : null
        if (!clino)
            return
        sensorDip = Qt.binding(function() { return clino.dip })
        sensorPlunge = Qt.binding(function() { return clino.plunge })
        sensorDipAzimuth = Qt.binding(function() { return clino.dipAzimuth })
        sensorPlungeAzimuth = Qt.binding(function() { return clino.plungeAzimuth })
    }

    TemporaryItemController {
        id: controller
        objectName: "controller"
        mapView: item.mapView
        onScreenPositionChanged: {
            item.x = screenPosition.x - item.width * 0.5
            item.y = screenPosition.y - item.height * 0.5
        }
    }

    // Cross-hair: light bars under thin dark lines.
    Rectangle {
        anchors.centerIn: parent
        width: 3
        height: _ui.buttonWidth * 2
        color: "#66ffffff"
    }
    Rectangle {
        anchors.centerIn: parent
        width: _ui.buttonWidth * 2
        height: 3
        color: "#66ffffff"
    }
    Rectangle {
        anchors.centerIn: parent
        width: 1
        height: _ui.buttonWidth * 2
        color: "#AA000000"
    }
    Rectangle {
        anchors.centerIn: parent
        width: _ui.buttonWidth * 2
        height: 1
        color: "#AA000000"
    }

    Rectangle {
        id: handle
        objectName: "handle"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        width: _ui.toolBarWidth
        height: width
        radius: width * 0.5
        color: "white"
        opacity: 0.4

        MouseArea {
            id: handleArea
            anchors.fill: parent
            drag.target: item
            drag.threshold: 0.2
            drag.minimumX: item.minimumX
            drag.maximumX: item.maximumX - item.width
            drag.minimumY: item.minimumY
            drag.maximumY: item.maximumY - item.height
            onPressed: {
                controller.setLockedToGps(false)
                controller.setLockedToWorldPosition(false)
                item.pressed(controller.screenPosition.x, controller.screenPosition.y, mouse.button)
            }
            onPositionChanged: {
                var centre = item.centre()
                controller.setScreenPosition(centre)
                item.moved(centre.x, centre.y, mouse.buttons)
            }
            onReleased: item.released(controller.screenPosition.x, controller.screenPosition.y, mouse.button, false)
        }
    }

    Rectangle {
        id: ring
        objectName: "ring"
        anchors.centerIn: parent
        width: _ui.buttonWidth * 2
        height: width
        radius: width * 0.5
        color: "transparent"
        border.width: Utils.dp(2)
        border.color: item.stylusMode ? item.reticuleColor
                                      : (controller.lockedToGps ? _ui.kivLightBlue : _ui.kivRed)
    }

    SymbolItem {
        id: symbol
        objectName: "symbol"
        readonly property bool isNote: item.symbolId === Project.Annotation
        width: _ui.toolBarWidth
        height: width
        // A note's marker hangs from its corner, so the point stays visible.
        x: isNote ? parent.width * 0.5 - width * 0.175 : (parent.width - width) * 0.5
        y: isNote ? parent.height * 0.5 - width * 0.175 : (parent.height - height) * 0.5
        visible: item.symbolId !== -1
        iconId: item.symbolId
        color: item.symbolColor
        dip: item.symbolDip
        azimuth: item.symbolAzimuth
    }
}
