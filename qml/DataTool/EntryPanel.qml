import QtQuick 2.4
import "../Utils.js" as Utils

// The new entry: its picture and text, saved where the temporary item is.
Rectangle {
    id: entry

    property var tool: null
    property alias text: entryInput.text

    // A tap on the panel, a Save that waits among it, stays off the list
    // and the map under it.
    MouseArea {
        anchors.fill: parent
    }

    Column {
        x: entry.tool.margin
        y: entry.tool.margin
        width: parent.width - 2 * entry.tool.margin
        spacing: entry.tool.margin
        Image {
            objectName: "entryImage"
            visible: entry.tool.hasImage()
            width: parent.width
            height: visible ? width * 0.75 : 0
            fillMode: Image.PreserveAspectFit
            asynchronous: true
            source: entry.tool.hasImage() ? entry.tool.imageTool.imageSource : ""
        }
        Rectangle {
            width: parent.width
            height: Utils.dp(120)
            border.color: Utils.theme("listSeparatorColor", "#cccccc")
            TextEdit {
                id: entryInput
                objectName: "entryText"
                textFormat: TextEdit.PlainText
                anchors.fill: parent
                anchors.margins: entry.tool.margin
                wrapMode: TextEdit.Wrap
                font.pixelSize: Utils.theme("inputText", Utils.dp(18))
                onTextChanged: entry.tool.entryText = text
            }
            Text {
                anchors.fill: entryInput
                visible: entryInput.text === ""
                text: "Add a comment"
                color: "#999999"
                font.pixelSize: entryInput.font.pixelSize
            }
        }
        Row {
            spacing: entry.tool.margin
            Repeater {
                model: ["Discard", "Save"]
                delegate: Rectangle {
                    objectName: "entry_" + modelData
                    readonly property bool isEnabled: modelData === "Discard"
                                                      || ((entry.tool.entryText !== "" || entry.tool.hasImage())
                                                          && entry.tool.entryPlaceKnown)
                    width: Utils.dp(100)
                    height: Utils.theme("buttonHeight", Utils.dp(40))
                    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
                    color: modelData === "Save" ? Utils.theme("kivBlue", "#006eb8") : "transparent"
                    border.color: Utils.theme("kivBlue", "#006eb8")
                    opacity: isEnabled ? 1 : 0.4
                    Text {
                        anchors.centerIn: parent
                        text: modelData
                        color: modelData === "Save" ? "white" : Utils.theme("kivBlue", "#006eb8")
                    }
                    MouseArea {
                        anchors.fill: parent
                        enabled: parent.isEnabled
                        onClicked: modelData === "Save" ? entry.tool.saveEntry() : entry.tool.discardEntry()
                    }
                }
            }
        }
        Text {
            objectName: "saveHint"
            width: parent.width
            visible: !entry.tool.entryPlaceKnown
            text: "Set a position to save"
            wrapMode: Text.WordWrap
            font.pixelSize: Utils.theme("microText", Utils.dp(12))
            color: Utils.theme("kivGrey", "#565757")
        }
    }
}
