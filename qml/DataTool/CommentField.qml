import QtQuick 2.4
import "../Utils.js" as Utils

// A text that is saved once its edit is finished and it differs.
Rectangle {
    id: field
    property string stored: ""
    property alias text: input.text
    property string placeholder: ""
    property real margin: Utils.theme("innerMargin", Utils.dp(8))
    signal edited(string text)

    function reset() { input.text = stored }

    width: parent ? parent.width : 0
    height: Math.max(Utils.theme("buttonHeight", Utils.dp(40)), input.contentHeight + 2 * margin)
    border.color: Utils.theme("listSeparatorColor", "#cccccc")
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    onStoredChanged: reset()
    Component.onCompleted: reset()

    TextEdit {
        id: input
        objectName: "commentInput"
        anchors.fill: parent
        anchors.margins: field.margin
        wrapMode: TextEdit.Wrap
        font.pixelSize: Utils.theme("inputText", Utils.dp(18))
        onActiveFocusChanged: if (!activeFocus) field.finish()
        Keys.onReturnPressed: focus = false
        function finishEdit() { field.finish() }
    }
    Text {
        anchors.fill: input
        visible: input.text === "" && !input.activeFocus
        text: field.placeholder
        color: "#999999"
        font.pixelSize: input.font.pixelSize
    }

    function finish() {
        if (input.text !== stored)
            edited(input.text)
    }
}
