import QtQuick 2.4

// "Move": shows the temporary item where the entry is, drawn as the entry;
// "Done" ends the move. Any drag of the item in between counts as moved.
ListModel {
    id: buttons

    property var tool: null
    property var row: null
    property int moveIndex: 0
    property bool moving: false
    property bool moved: false
    property point startPosition: Qt.point(0, 0)
    // Out of any coordinate's range on purpose: the save then keeps the
    // stored position.
    readonly property real unmoved: -999
    property point movedTo: Qt.point(unmoved, unmoved)
    readonly property var reticule: tool && tool.mapView ? tool.mapView.temporaryItem : null

    signal moveStarted()
    // moved: whether the entry left its place.
    signal moveEnded(bool moved)

    ListElement { iconName: ""; label: "Move"; isPrimaryAction: false; primaryColor: ""; enabled: true }

    function isMoveButton(index) { return index === moveIndex }

    function drawAsEntry() {
        var kind = row.dataType
        if (kind === "Plane" || kind === "Lineation" || kind === "Sighting") {
            reticule.symbolColor = row.unitColor
            reticule.symbolId = row.iconId
            reticule.symbolDip = kind === "Sighting" ? 0 : row.dip
            reticule.symbolAzimuth = row.azimuth
        } else {
            reticule.symbolColor = "black"
            reticule.symbolId = kind === "Locality" ? -1 : row.iconId
            reticule.symbolDip = 0
            reticule.symbolAzimuth = 0
        }
    }

    function start() {
        if (!reticule || !row)
            return
        reticule.activateForMoveData(Qt.point(row.longitude, row.latitude))
        drawAsEntry()
        startPosition = reticule.screenPosition
        moved = false
        movedTo = Qt.point(unmoved, unmoved)
        moving = true
        setProperty(moveIndex, "label", "Done")
        setProperty(moveIndex, "isPrimaryAction", true)
        moveStarted()
    }

    // Ends a pending move; answers whether the entry moved.
    function finish() {
        if (!moving)
            return false
        moving = false
        setProperty(moveIndex, "label", "Move")
        setProperty(moveIndex, "isPrimaryAction", false)
        if (moved && reticule)
            movedTo = reticule.worldPosition
        if (reticule)
            reticule.deactivate()
        moveEnded(moved)
        return moved
    }

    function click(index) {
        if (!isMoveButton(index))
            return false
        if (moving)
            finish()
        else
            start()
        return true
    }

    // Where the entry goes: the item's world position after a move.
    function latitude() { return moved ? movedTo.y : unmoved }
    function longitude() { return moved ? movedTo.x : unmoved }

    // Only the user's drag or long press counts: while the item still sits
    // on the entry, a camera change (the map snapping to the selection) moves
    // it on the screen without moving the entry.
    property Connections tracker: Connections {
        target: buttons.moving ? buttons.reticule : null
        function onScreenPositionChanged() {
            var now = buttons.reticule.screenPosition
            if (!buttons.reticule.lockedToWorldPosition
                    && (now.x !== buttons.startPosition.x || now.y !== buttons.startPosition.y))
                buttons.moved = true
        }
    }
}
