import QtQuick 2.6
import "../Utils.js" as Utils

// A wrapped, multi-line text box that grows with its text from
// `minimumHeight` to `maximumHeight` and scrolls beyond.
Rectangle {
    id: area

    property alias text: edit.text
    property alias font: edit.font
    property string placeholderText: ""
    property real minimumHeight: Utils.theme("buttonHeight", Utils.dp(40))
    property real maximumHeight: Utils.theme("buttonHeight", Utils.dp(40)) * 4
    readonly property real padding: Utils.theme("smallMargin", Utils.dp(5))
    readonly property alias textItem: edit

    signal editingFinished()

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.8
    implicitHeight: Math.max(minimumHeight, Math.min(maximumHeight, edit.contentHeight + 2 * padding))
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    border.width: 1
    border.color: edit.activeFocus ? Utils.theme("kivBlue", "#006eb8") : Utils.theme("listSeparatorColor", "#cccccc")

    Flickable {
        id: flick
        anchors.fill: parent
        anchors.margins: area.padding
        clip: true
        contentWidth: width
        contentHeight: edit.contentHeight
        flickableDirection: Flickable.VerticalFlick

        // Keeps the cursor in sight while typing past the bottom.
        function follow(r) {
            if (contentY > r.y)
                contentY = r.y
            else if (contentY + height < r.y + r.height)
                contentY = r.y + r.height - height
        }

        TextEdit {
            id: edit
            objectName: "textEdit"
            textFormat: TextEdit.PlainText
            width: flick.width
            height: Math.max(contentHeight, flick.height)
            wrapMode: TextEdit.Wrap
            selectByMouse: true
            font.pixelSize: Math.max(1, Utils.theme("inputText", Utils.dp(18)))
            color: Utils.theme("kivGrey", "#565757")
            onCursorRectangleChanged: flick.follow(cursorRectangle)
            onEditingFinished: area.editingFinished()
        }
    }

    Text {
        anchors.fill: flick
        visible: edit.text === "" && !edit.activeFocus
        wrapMode: Text.Wrap
        text: area.placeholderText
        font: edit.font
        color: Utils.theme("listSeparatorColor", "#cccccc")
    }
}
