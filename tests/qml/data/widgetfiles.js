// The shared widgets and the dialogs made of them, for the load tests with
// and without the theme. `sized: false` marks a file that is no item.
function rows() {
    var widgets = ["ActionButtonGroup", "RoundedActionButtonGroup", "BlockHeader", "ContextMenu",
                   "DeleteButton", "DropDownOptions", "OrdinalToggle", "SaveButton", "SegmentedButton",
                   "SegmentedButtonPicker", "SimpleSlider", "CircularSlider", "OpacitySlider",
                   "TriangularSlider", "Switch", "SmallSwitch", "LineStylePicker", "TopBar", "TopBarButton",
                   "ToolBarButton", "ToolBarHeader", "MenuButton", "ColorPicker", "ColorPickerBox",
                   "InplaceTextField", "ExpandableTextArea", "ExpandableTextField"]
    var dialogs = ["ColorPickerDialog", "TextFieldDialog", "ListDialog"]
    var list = [{ tag: "ButtonDefinition", file: "Widgets/ButtonDefinition.qml", sized: false }]
    for (var i = 0; i < widgets.length; ++i)
        list.push({ tag: widgets[i], file: "Widgets/" + widgets[i] + ".qml" })
    for (var j = 0; j < dialogs.length; ++j)
        list.push({ tag: dialogs[j], file: "Dialogs/" + dialogs[j] + ".qml" })
    return list
}
