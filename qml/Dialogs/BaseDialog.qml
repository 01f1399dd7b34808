import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// The frame of every dialog. It covers its parent (the dialog display) and
// centres the visible panel in it, so that taps beside the panel fall through
// to the display's dimming layer.
Item {
    id: dialog

    property string title: "Dialog"
    property bool hasDoneButton: true
    property bool hasCancelButton: false
    property bool canceledOnTouchOutside: false
    property string doneButtonIcon: "okIcon"
    property string cancelButtonIcon: "cancelIcon"
    property bool shown: false
    property int transitionDuration: Utils.theme("defaultAnimationDuration", 200)
    property real defaultWidth: -1
    property real defaultHeight: -1
    // Set while the dialog holds input the user has not confirmed in it: the
    // window's close then asks for the dialog to be closed first, as over a
    // file dialog, instead of dropping the input or storing it unasked.
    property bool keepsWindowOpen: false

    // The panel and the area below its header that holds the content.
    readonly property alias panel: panel
    readonly property alias contentArea: contentArea
    default property alias content: contentArea.data

    signal dismiss(int option)
    signal doneButtonClicked()
    signal cancelButtonClicked()

    anchors.fill: parent
    opacity: shown ? 1 : 0
    visible: opacity > 0
    enabled: shown

    Behavior on opacity { NumberAnimation { duration: dialog.transitionDuration } }

    Rectangle {
        id: panel

        readonly property real panelWidth: Utils.theme("panelWidth", Utils.dp(320))

        anchors.centerIn: parent
        width: dialog.defaultWidth > 0 ? dialog.defaultWidth
                                       : Math.max(dialog.width * 0.6, 2 * panelWidth)
        height: dialog.defaultHeight > 0 ? dialog.defaultHeight
                                         : Math.max(dialog.height * 0.6, 1.2 * panelWidth)
        radius: Utils.theme("dialogRadius", Utils.dp(8))
        color: "#ffffff"

        // Taps on the panel belong to the dialog, not to the layer behind it.
        CoverArea { }

        Item {
            id: header
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            height: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.dp(4)

            DialogHeaderButton {
                id: doneButton
                objectName: "dialogDoneButton"
                anchors.left: parent.left
                anchors.leftMargin: Utils.theme("dialogHeaderMargin", Utils.dp(10))
                anchors.verticalCenter: parent.verticalCenter
                visible: dialog.hasDoneButton
                symbol: dialog.doneButtonIcon
                pressedColor: Utils.theme("kivGreen", "#62ad2d")
                onClicked: dialog.doneButtonClicked()
            }

            Text {
                anchors.left: doneButton.right
                anchors.right: cancelButton.left
                anchors.verticalCenter: parent.verticalCenter
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: dialog.title
                font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
                color: Utils.theme("kivBlue", "#006eb8")
            }

            DialogHeaderButton {
                id: cancelButton
                objectName: "dialogCancelButton"
                anchors.right: parent.right
                anchors.rightMargin: Utils.theme("dialogHeaderMargin", Utils.dp(10))
                anchors.verticalCenter: parent.verticalCenter
                visible: dialog.hasCancelButton
                symbol: dialog.cancelButtonIcon
                pressedColor: Utils.theme("kivRed", "#dd052b")
                onClicked: dialog.cancelButtonClicked()
            }
        }

        Item {
            id: contentArea
            anchors.top: header.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: Utils.theme("margin", Utils.dp(10))
        }
    }
}
