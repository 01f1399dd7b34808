import QtQuick 2.4
import QtQml.Models 2.2
import quarzel.touch 1.0
import "../../Utils.js" as Utils

// The tool's data model: localities as headers, then their point data with
// symbol, dip, azimuth and unit; a tap toggles a datum on the plot.
DelegateModel {
    id: list

    property var tool: null

    model: tool ? tool.dataModel : null

    // Only planes follow the strike convention; a sighting has no dip.
    function anglesText(row) {
        var ui = Utils.ui()
        if (!ui)
            return ""
        if (row.dataType === "Plane")
            return ui.formatDip(row.dip) + " / " + ui.formatPlaneAzimuth(row.azimuth)
        if (row.dataType === "Lineation")
            return ui.formatDip(row.dip) + " / " + ui.formatAzimuth(row.azimuth)
        return ui.formatAzimuth(row.azimuth)
    }

    delegate: FilterRow {
        id: row
        readonly property bool isLocality: model.dataType === "Locality"
        width: ListView.view ? ListView.view.width : 0
        header: isLocality
        checked: model.checked
        text: isLocality ? model.localityName : list.anglesText(model) + "  " + model.unitName
        onToggled: list.model.toggle(index)
        content: SymbolItem {
            visible: !row.isLocality
            width: row.isLocality ? 0 : row.height * 0.8
            height: row.height * 0.8
            anchors.verticalCenter: parent ? parent.verticalCenter : undefined
            iconId: row.isLocality ? 0 : model.iconId
            color: row.isLocality ? "black" : model.unitColor
            dip: row.isLocality ? 0 : model.dip
            azimuth: row.isLocality ? 0 : model.azimuth
        }
    }
}
