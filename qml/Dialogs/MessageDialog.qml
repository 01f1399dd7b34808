import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// A message with a row of answer buttons; without a buttons model it offers
// a single "OK" (result 0).
BaseDialog {
    id: messageDialog

    property string message: ""
    property var buttonsModel: null

    hasDoneButton: false

    ListModel {
        id: fallbackButtons
        ListElement { label: "OK"; result: 0 }
    }

    Text {
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttonBar.top
        anchors.bottomMargin: Utils.theme("margin", Utils.dp(10))
        text: messageDialog.message
        wrapMode: Text.Wrap
        elide: Text.ElideRight
        font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
        color: Utils.theme("kivGrey", "#565757")
    }

    DialogButtonBar {
        id: buttonBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: implicitHeight
        model: messageDialog.buttonsModel ? messageDialog.buttonsModel : fallbackButtons
        onButtonClicked: messageDialog.dismiss(result)
    }
}
