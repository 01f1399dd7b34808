import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// A list to look through: `model` with `delegate` (by default each entry's
// label). Done dismisses with 0.
BaseDialog {
    id: dialog

    property alias model: list.model
    property alias delegate: list.delegate
    readonly property alias listView: list

    title: "List"

    onDoneButtonClicked: dismiss(0)

    ListView {
        id: list
        objectName: "list"
        anchors.fill: parent
        clip: true

        delegate: Text {
            width: list.width
            height: Utils.theme("buttonHeight", Utils.dp(40))
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: Utils.field(model.modelData !== undefined ? model.modelData : model, "label", "")
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
            color: Utils.theme("kivGrey", "#565757")
        }
    }
}
