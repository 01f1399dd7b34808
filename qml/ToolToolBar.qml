import QtQuick 2.4
import "Utils.js" as Utils

// A tool panel's bar: a left and a right row of buttons, each from a list
// model with iconName, label, isPrimaryAction, primaryColor and enabled.
Rectangle {
    id: bar

    property var leftModel: null
    property var rightModel: null
    readonly property real buttonHeight: Utils.theme("buttonHeight", Utils.dp(40))
    readonly property bool empty: count(leftModel) === 0 && count(rightModel) === 0

    signal leftMenuButtonClicked(int index, var button)
    signal rightMenuButtonClicked(int index, var button)

    function count(model) { return model ? model.count : 0 }

    height: buttonHeight + 2 * Utils.theme("smallMargin", Utils.dp(5))
    visible: !empty
    color: Utils.theme("inactiveToolColor", "#e8e8e8")

    Component {
        id: buttonDelegate

        Rectangle {
            id: button
            objectName: "toolBarButton_" + (model.label !== "" ? model.label : model.iconName)
            readonly property bool primary: model.isPrimaryAction === true
            readonly property bool isEnabled: model.enabled !== false
            readonly property color accent: model.primaryColor !== undefined && String(model.primaryColor) !== ""
                                            ? model.primaryColor : Utils.theme("kivBlue", "#006eb8")
            property string text: model.label
            height: bar.buttonHeight
            width: Math.max(height, content.implicitWidth + 2 * Utils.theme("innerMargin", Utils.dp(8)))
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
            color: primary ? accent : "transparent"
            border.color: accent
            border.width: primary ? 0 : 1
            opacity: isEnabled ? 1 : 0.4

            Row {
                id: content
                anchors.centerIn: parent
                spacing: Utils.theme("smallMargin", Utils.dp(5))
                Text {
                    visible: model.iconName !== undefined && model.iconName !== ""
                    anchors.verticalCenter: parent.verticalCenter
                    text: model.iconName === "addIcon" ? "+" : Utils.icon(model.iconName)
                    font.family: model.iconName === "addIcon" ? "" : Utils.iconFontFamily()
                    font.pixelSize: Math.max(1, bar.buttonHeight * 0.5)
                    color: button.primary ? "white" : button.accent
                }
                Text {
                    visible: text !== ""
                    anchors.verticalCenter: parent.verticalCenter
                    text: model.label !== undefined ? model.label : ""
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                    color: button.primary ? "white" : button.accent
                }
            }

            MouseArea {
                anchors.fill: parent
                enabled: button.isEnabled
                onClicked: bar.clickedAt(button.parent, index)
            }
        }
    }

    function clickedAt(row, index) {
        if (row === leftRow)
            leftMenuButtonClicked(index, leftModel.get(index))
        else
            rightMenuButtonClicked(index, rightModel.get(index))
    }

    Row {
        id: leftRow
        objectName: "leftButtons"
        anchors.left: parent.left
        anchors.leftMargin: Utils.theme("smallMargin", Utils.dp(5))
        anchors.verticalCenter: parent.verticalCenter
        spacing: Utils.theme("smallMargin", Utils.dp(5))
        Repeater { model: bar.leftModel; delegate: buttonDelegate }
    }

    Row {
        id: rightRow
        objectName: "rightButtons"
        anchors.right: parent.right
        anchors.rightMargin: Utils.theme("smallMargin", Utils.dp(5))
        anchors.verticalCenter: parent.verticalCenter
        spacing: Utils.theme("smallMargin", Utils.dp(5))
        Repeater { model: bar.rightModel; delegate: buttonDelegate }
    }
}
