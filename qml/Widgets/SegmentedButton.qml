import QtQuick 2.4
import "../Utils.js" as Utils

// A row of joined buttons. Exclusive (the default): one button is active,
// `activeButton`. Non-exclusive: a click toggles its button in `activeButtons`.
Item {
    id: segmented

    // Labels, or objects with a `label` and/or a `symbol` (icon name).
    property var buttons: []
    property int activeButton: 0
    property bool exclusive: true
    property var activeButtons: []
    property color activeColor: Utils.theme("activeButtonColor", "#006eb8")
    property color inactiveColor: "#ffffff"
    property real textSize: Utils.theme("smallText", Utils.dp(14))
    readonly property real cornerRadius: Utils.theme("buttonCornerRadius", Utils.dp(5))

    signal clicked(int index)

    function isActive(index) {
        return exclusive ? index === activeButton : activeButtons.indexOf(index) >= 0
    }

    function toggle(index) {
        var list = activeButtons.slice()
        var at = list.indexOf(index)
        if (at >= 0)
            list.splice(at, 1)
        else
            list.push(index)
        activeButtons = list
    }

    implicitWidth: Math.max(1, buttons.length) * Utils.theme("buttonWidth", Utils.dp(33)) * 2
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))

    Row {
        anchors.fill: parent

        Repeater {
            id: repeater
            model: segmented.buttons

            delegate: Item {
                id: segment

                readonly property bool active: segmented.isActive(index)
                readonly property bool first: index === 0
                readonly property bool last: index === repeater.count - 1
                readonly property color fill: mouseArea.pressed ? Utils.theme("pressedButtonColor", "#009cde")
                                                                : active ? segmented.activeColor
                                                                         : segmented.inactiveColor

                width: segmented.width / Math.max(1, repeater.count)
                height: segmented.height

                // Only the outer corners are round: a square patch covers the
                // inner half of a rounded end.
                Rectangle {
                    anchors.fill: parent
                    radius: (segment.first || segment.last) ? segmented.cornerRadius : 0
                    color: segment.fill
                }
                Rectangle {
                    visible: (segment.first || segment.last) && repeater.count > 1
                    x: segment.first ? parent.width / 2 : 0
                    width: parent.width / 2
                    height: parent.height
                    color: segment.fill
                }
                Rectangle {
                    visible: !segment.first
                    width: 1
                    height: parent.height
                    color: segmented.activeColor
                }

                Row {
                    anchors.centerIn: parent
                    spacing: Utils.dp(4)
                    readonly property color textColor: segment.active || mouseArea.pressed ? "#ffffff"
                                                                                           : segmented.activeColor
                    Text {
                        visible: text !== ""
                        text: Utils.icon(Utils.field(modelData, "symbol", ""))
                        font.family: Utils.iconFontFamily()
                        font.pixelSize: Math.max(1, segment.height * 0.5)
                        color: parent.textColor
                    }
                    Text {
                        visible: text !== ""
                        text: Utils.field(modelData, "label", "")
                        font.pixelSize: Math.max(1, segmented.textSize)
                        color: parent.textColor
                    }
                }

                MouseArea {
                    id: mouseArea
                    anchors.fill: parent
                    onClicked: {
                        if (segmented.exclusive)
                            segmented.activeButton = index
                        else
                            segmented.toggle(index)
                        segmented.clicked(index)
                    }
                }
            }
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: segmented.cornerRadius
        color: "transparent"
        border.width: Utils.theme("buttonBorderWidth", 1)
        border.color: segmented.activeColor
    }
}
