import QtQuick 2.4

// The delete button of a detail view. The deletion itself runs in the tool:
// clearing the selection unloads this view.
DeleteButtonModel {
    property var tool: null
    property var row: null

    onConfirmed: {
        if (tool && row)
            tool.deleteEntry(row.dataType, row.dataId, row.localityId, row.empty)
    }
}
