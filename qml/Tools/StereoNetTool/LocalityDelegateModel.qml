// The project's localities; a hidden locality takes its data off the plot.
CheckableDelegateModel {
    property var project: null
    sourceList: project ? project.localityListModel : null
    keyRole: 1 // localityId
    labelRole: "name"
    apply: function(dataModel, keys) { dataModel.setVisibleLocalities(keys) }
}
