import QtQuick 2.4

// Fills its parent under a layer's own controls: taps and wheel turns stop
// here instead of reaching the map below. A menu or popup closes on
// `clicked`, so a tap beside it only closes it.
MouseArea {
    anchors.fill: parent
    onWheel: wheel.accepted = true
}
