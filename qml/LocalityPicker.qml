import QtQuick 2.4
import quarzel.touch 1.0
import "Utils.js" as Utils

// The current locality's name; activating it opens the locality dialog, or
// in the "CREATING" state makes a new locality current.
Rectangle {
    id: picker

    readonly property var currentLocality: (typeof _modelManager !== "undefined" && _modelManager)
                                           ? _modelManager.currentLocality : null
    readonly property bool creating: state === "CREATING"
    readonly property string label: creating ? "Create New Locality"
                                             : (currentLocality ? currentLocality.name : "No Current Locality")

    function activate() {
        if (creating) {
            localities.createLocality()
            _modelManager.setCurrentLocality(0)
        } else {
            _dialogController.launchCustomDialog("LocalityDialog.qml")
        }
    }

    states: [ State { name: "CREATING" } ]
    implicitWidth: Utils.theme("panelWidth", Utils.dp(320))
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    color: mouseArea.pressed ? Utils.theme("selectedRowColor", "#d6ecf8") : "#ffffff"

    LocalityManager { id: localities }

    Text {
        objectName: "pickerLabel"
        anchors { fill: parent; leftMargin: Utils.dp(8); rightMargin: Utils.dp(8) }
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        text: picker.label
        textFormat: Text.PlainText
        maximumLineCount: 1
        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
        color: Utils.theme("kivGrey", "#565757")
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        onClicked: picker.activate()
    }
}
