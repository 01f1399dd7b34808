import QtQuick 2.4
import quarzel.touch 1.0

// The base of everything that owns the screen while it shows: dialogs,
// menus, popups. Meanwhile keys reach only its own items and a press under
// way behind it is cancelled; the field behind keeps its text and focus.
// Transparent unless given a colour, so popups drawn as rectangles use it too.
Rectangle {
    id: screenLayer

    // A layer that stays on screen (the dialog display, the tool bar) says
    // when it holds; the others hold while they show.
    property bool holdsKeys: true

    color: "transparent"

    ScreenLayerHold {
        layer: screenLayer
        active: screenLayer.visible && screenLayer.holdsKeys
    }
}
