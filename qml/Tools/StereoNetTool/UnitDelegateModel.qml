// The project's rock units; data without a unit, or of a unit the strat
// column no longer holds ("0"), always stay.
CheckableDelegateModel {
    property var project: null
    sourceList: project ? project.stratColumnModel : null
    keyRole: 257 // unitId
    labelRole: "unitName"
    apply: function(dataModel, keys) { dataModel.setVisibleUnits(keys.concat(["0"])) }
}
