import QtQuick 2.4
import "../Utils.js" as Utils

// A bar across the top of a screen: a title in the middle and buttons from
// button definitions on either side. A click emits the bar's signal named by
// the definition (declare it on the bar) and `buttonClicked` with the name.
Rectangle {
    id: bar

    property string title: ""
    property var leftButtons: []
    property var rightButtons: []

    signal buttonClicked(string signalName)

    function activate(definition) {
        var name = definition.signalName
        if (name !== "" && typeof bar[name] === "function")
            bar[name]()
        buttonClicked(name)
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 2
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.theme("smallMargin", Utils.dp(5))
    color: Utils.theme("activeButtonColor", "#006eb8")

    Text {
        anchors.centerIn: parent
        width: Math.max(0, parent.width - 2 * Math.max(leftRow.width, rightRow.width))
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        text: bar.title
        font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
        color: "#ffffff"
    }

    Row {
        id: leftRow
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        Repeater {
            model: bar.leftButtons
            delegate: TopBarButton {
                title: modelData.title
                iconUrl: modelData.iconUrl
                onClicked: bar.activate(modelData)
            }
        }
    }

    Row {
        id: rightRow
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        Repeater {
            model: bar.rightButtons
            delegate: TopBarButton {
                title: modelData.title
                iconUrl: modelData.iconUrl
                onClicked: bar.activate(modelData)
            }
        }
    }
}
