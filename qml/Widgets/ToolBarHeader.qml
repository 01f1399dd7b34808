import QtQuick 2.4
import "../Utils.js" as Utils

// The head of the map tool bar: the menu button (a back arrow while
// `expanded`) and, when expanded, a title.
Item {
    id: header

    property bool expanded: false
    property string title: ""

    signal clicked()

    implicitWidth: Utils.theme("fullToolBarWidth", Utils.dp(54))
    implicitHeight: Utils.theme("fullToolBarWidth", Utils.dp(54))

    MenuButton {
        id: menuButton
        width: header.height
        height: header.height
        back: header.expanded
        onClicked: header.clicked()
    }

    Text {
        anchors.left: menuButton.right
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: header.expanded
        elide: Text.ElideRight
        text: header.title
        font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
        color: Utils.theme("kivBlue", "#006eb8")
    }
}
