import QtQuick 2.9
import "../Utils.js" as Utils

// A one-line text field that widens with its text from `minimumWidth` to
// `maximumWidth`, within the room its parent leaves; longer text scrolls.
Rectangle {
    id: field

    property alias text: input.text
    property alias font: input.font
    property string placeholderText: ""
    property real minimumWidth: Utils.theme("buttonWidth", Utils.dp(33)) * 3
    property real maximumWidth: Utils.theme("panelWidth", Utils.dp(320))
    readonly property real padding: Utils.theme("smallMargin", Utils.dp(5))

    signal accepted()
    // Typed by the user, not set by a binding or a script.
    signal textEdited()
    // Return, or the field lost the focus.
    signal editingFinished()

    // Never past its parent's right edge, whatever sits left of it.
    readonly property real room: parent ? parent.width - x : Infinity
    implicitWidth: Math.min(room, Math.max(minimumWidth, Math.min(maximumWidth,
                                                                  input.contentWidth + 2 * padding + Utils.dp(2))))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    border.width: 1
    border.color: input.activeFocus ? Utils.theme("kivBlue", "#006eb8") : Utils.theme("listSeparatorColor", "#cccccc")

    TextInput {
        id: input
        objectName: "input"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: field.padding
        anchors.verticalCenter: parent.verticalCenter
        clip: true
        selectByMouse: true
        font.pixelSize: Math.max(1, Utils.theme("inputText", Utils.dp(18)))
        color: Utils.theme("kivGrey", "#565757")
        onAccepted: field.accepted()
        onTextEdited: field.textEdited()
        onEditingFinished: field.editingFinished()
    }

    Text {
        anchors.fill: input
        verticalAlignment: Text.AlignVCenter
        visible: input.text === "" && !input.activeFocus
        elide: Text.ElideRight
        text: field.placeholderText
        font: input.font
        color: Utils.theme("listSeparatorColor", "#cccccc")
    }
}
