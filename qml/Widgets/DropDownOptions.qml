import QtQuick 2.4
import QtQuick.Window 2.2

// A context menu that drops down from `anchorItem`, as wide as it. It lifts
// itself into the top of the window so that no sibling covers it.
ContextMenu {
    id: dropDown

    property Item anchorItem: null

    function open() {
        if (!anchorItem)
            return
        var top = anchorItem.Window.contentItem
        if (top && parent !== top)
            parent = top
        var below = anchorItem.mapToItem(parent, 0, anchorItem.height)
        menuWidth = anchorItem.width
        show(below.x, below.y)
    }

    z: 1000
}
