import QtQuick 2.4
import QtQml.Models 2.2
import quarzel.touch 1.0

// A checkable list of the project's localities, units or symbols whose
// checked keys narrow the stereonet tool's data model through `apply`.
DelegateModel {
    id: list

    property var tool: null
    property alias sourceList: proxy.sourceModel
    property alias keyRole: proxy.keyRole
    // Name of the role that labels a row.
    property string labelRole: "name"
    // Called with the checked keys as texts.
    property var apply: function(dataModel, keys) {}

    function push() {
        var dataModel = tool ? tool.dataModel : null
        if (!dataModel)
            return
        apply(dataModel, proxy.getSelectedItemsAsList(true).map(String))
    }

    function toggle(row) {
        proxy.toggle(row)
        push()
    }

    model: CheckableProxyModel { id: proxy }

    // Every entry toggles; only the list's title row has no toggle.
    delegate: FilterRow {
        width: ListView.view ? ListView.view.width : 0
        text: {
            var label = model[list.labelRole]
            return label !== undefined && label !== null ? label : ""
        }
        checked: model.checked
        onToggled: list.toggle(index)
    }
}
