// The project's symbols; a hidden symbol takes its data off the plot.
CheckableDelegateModel {
    property var project: null
    sourceList: project ? project.symbolListModel : null
    keyRole: 256 // symbolId
    labelRole: "name"
    apply: function(dataModel, keys) { dataModel.setVisibleSymbols(keys) }
}
