import QtQuick 2.4
import "../Utils.js" as Utils

// Reads like a label; a tap edits the text in place. Return or leaving the
// field keeps the edit and emits `accepted`, Escape drops it.
Item {
    id: field

    property string text: ""
    property string placeholderText: ""
    property real pixelSize: Utils.theme("inputText", Utils.dp(18))
    property color textColor: Utils.theme("kivGrey", "#565757")
    // Its own flag: the input's visibility also goes when a parent hides,
    // and the text typed must still be kept then.
    readonly property bool editing: typing.active

    signal accepted()

    function edit() {
        input.text = text
        typing.active = true
        input.forceActiveFocus()
        input.selectAll()
    }

    function finish(keep) {
        if (!typing.active)
            return
        typing.active = false
        if (keep) {
            text = input.text
            accepted()
        }
    }

    QtObject {
        id: typing
        property bool active: false
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.6
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))

    Text {
        anchors.fill: parent
        visible: !field.editing
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        text: field.text !== "" ? field.text : field.placeholderText
        textFormat: Text.PlainText
        maximumLineCount: 1
        font.pixelSize: Math.max(1, field.pixelSize)
        color: field.text !== "" ? field.textColor : Utils.theme("listSeparatorColor", "#cccccc")
    }

    TextInput {
        id: input
        objectName: "input"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: field.editing
        clip: true
        font.pixelSize: Math.max(1, field.pixelSize)
        color: field.textColor
        selectByMouse: true
        onAccepted: field.finish(true)
        onActiveFocusChanged: if (!activeFocus) field.finish(true)
        Keys.onEscapePressed: field.finish(false)
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: field.editing ? Utils.dp(2) : 1
        color: field.editing ? Utils.theme("kivBlue", "#006eb8") : Utils.theme("listSeparatorColor", "#cccccc")
    }

    MouseArea {
        anchors.fill: parent
        enabled: !field.editing
        onClicked: field.edit()
    }
}
