import QtQuick 2.4
import QtQuick.Window 2.7

// The base of everything that owns the screen while it shows: dialogs,
// menus, popups. Meanwhile keys reach only its own items and a press under
// way behind it is cancelled; the field behind keeps its text and focus.
// Transparent unless given a colour, so popups drawn as rectangles use it too.
Rectangle {
    id: screenLayer

    // A layer that stays on screen (the dialog display, the tool bar) says
    // when it holds; the others hold while they show.
    property bool holdsKeys: true
    // The window does not close while this layer holds it: the user closes
    // the layer first (a file dialog, whose answer would go nowhere, or a
    // dialog holding input the user has not confirmed in it).
    property bool keepsWindowOpen: false

    // The window this layer holds, null while it does not.
    property var heldWindow: null
    readonly property var hostWindow: Window.window
    readonly property bool holding: visible && holdsKeys

    color: "transparent"

    // Holds with its window while shown, and lets go when hidden, moved to
    // another window or destroyed. A window that keeps no layers is skipped.
    function updateHold() {
        var target = holding && hostWindow && typeof hostWindow.holdScreen === "function" ? hostWindow : null
        if (target === heldWindow)
            return
        releaseHold()
        heldWindow = target
        if (target)
            target.holdScreen(screenLayer, true)
    }

    function releaseHold() {
        if (heldWindow)
            heldWindow.holdScreen(screenLayer, false)
        heldWindow = null
    }

    onHoldingChanged: updateHold()
    onHostWindowChanged: updateHold()
    Component.onCompleted: updateHold()
    Component.onDestruction: releaseHold()
}
