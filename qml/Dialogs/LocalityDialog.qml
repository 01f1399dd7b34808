import QtQuick 2.4
import quarzel.touch 1.0
import "../Widgets"
import "../Utils.js" as Utils

// The current project's localities: a tap makes one current and closes.
BaseDialog {
    id: dialog

    readonly property alias localityManager: localities
    readonly property string currentId: (_modelManager.currentLocality ? _modelManager.currentLocality.id : "")

    title: "Select a locality"
    onDoneButtonClicked: dismiss(0)

    LocalityManager {
        id: localities
        active: dialog.shown
    }

    ListView {
        id: list
        objectName: "localityList"
        anchors { left: parent.left; right: parent.right; top: parent.top; bottom: createButton.top }
        clip: true
        model: localities.localityModel

        delegate: Rectangle {
            readonly property string localityId: model.localityId
            readonly property bool current: localityId === dialog.currentId
            objectName: "locality_" + index
            width: list.width
            height: Utils.theme("buttonHeight", Utils.dp(40))
            color: current ? Utils.theme("selectedRowColor", "#d6ecf8") : "#ffffff"

            Rectangle {
                anchors { left: parent.left; leftMargin: Utils.dp(8); verticalCenter: parent.verticalCenter }
                width: Utils.dp(14); height: width; radius: width / 2
                color: model.color
            }
            Text {
                anchors { left: parent.left; leftMargin: Utils.dp(30); right: mark.left; verticalCenter: parent.verticalCenter }
                elide: Text.ElideRight
                text: model.name
                textFormat: Text.PlainText
                maximumLineCount: 1
                font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                color: Utils.theme("kivGrey", "#565757")
            }
            Text {
                id: mark
                objectName: "currentMark"
                anchors { right: parent.right; rightMargin: Utils.dp(8); verticalCenter: parent.verticalCenter }
                visible: parent.current
                text: Utils.icon("okIcon")
                font.family: Utils.iconFontFamily()
                color: Utils.theme("kivBlue", "#006eb8")
            }
            MouseArea {
                anchors.fill: parent
                onClicked: {
                    _modelManager.setCurrentLocality(index)
                    dialog.dismiss(0)
                }
            }
        }
    }

    ActionButton {
        id: createButton
        objectName: "createLocalityButton"
        anchors { bottom: parent.bottom; horizontalCenter: parent.horizontalCenter; margins: Utils.dp(8) }
        width: Utils.theme("buttonWidth", Utils.dp(33)) * 4
        height: Utils.theme("buttonHeight", Utils.dp(40))
        label: "Create Locality"
        onButtonActivated: localities.createLocality()
    }
}
