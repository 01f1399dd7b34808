import QtQuick 2.4
import quarzel.touch 1.0
import "../Widgets"
import "../Utils.js" as Utils

// The full-window file and folder chooser of touch devices. The entries are
// shown by `entryView` (a list here; the image gallery puts a grid there),
// whose delegates call activate() on a tap and enter() on a double tap.
ScreenLayer {
    id: dialog

    property string title: "Please choose a file"
    property var nameFilters: []
    property bool selectFolder: false
    property bool shown: false
    property Component entryView: entryList
    readonly property alias model: browser
    // The highlighted folder in folder-selection mode, -1 for none.
    property int selectedRow: -1
    property url selectedUrl: ""

    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.dp(8)
    readonly property real textSize: Utils.theme("mediumText", Utils.dp(18))
    readonly property color textColor: Utils.theme("kivGrey", "#565757")
    readonly property color glyphColor: Utils.theme("normalIconColor", "#006eb8")

    keepsWindowOpen: true

    signal accepted(url fileUrl)
    signal rejected()
    // After either answer: the dialog display closes a dialog it launched
    // (0 accepted, 1 cancelled).
    signal dismiss(int option)

    function open() { shown = true }
    function close() { shown = false }

    function accept(fileUrl) {
        shown = false
        accepted(fileUrl)
        dismiss(0)
    }

    function cancel() {
        shown = false
        rejected()
        dismiss(1)
    }

    function clearSelection() {
        selectedRow = -1
        selectedUrl = ""
    }

    // A tap on an entry; a row already taken out of the list (-1) is ignored.
    function activate(row, isFolder, path) {
        if (row < 0)
            return
        if (!isFolder) {
            accept(path)
        } else if (selectFolder) {
            selectedRow = row
            selectedUrl = path
        } else {
            enter(row)
        }
    }

    function enter(row) {
        if (row < 0)
            return
        clearSelection()
        browser.cd(row)
    }

    function goUp() {
        clearSelection()
        browser.cdUp()
    }

    anchors.fill: parent
    color: Utils.theme("activeToolColor", "#ffffff")
    visible: shown
    enabled: shown

    onShownChanged: {
        if (shown) {
            clearSelection()
            browser.refresh()
            forceActiveFocus()
        }
    }

    // Escape answers as Cancel does, so a keyboard can always leave the dialog.
    Keys.onEscapePressed: {
        event.accepted = true
        cancel()
    }

    FileBrowserListModel {
        id: browser
        nameFilters: dialog.nameFilters
        selectFolder: dialog.selectFolder
    }

    // Nothing under the dialog takes taps while it shows.
    CoverArea { }

    Rectangle {
        id: header
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        height: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.theme("margin", Utils.dp(10))
        color: Utils.theme("inactiveToolColor", "#e8e8e8")

        ActionButton {
            objectName: "cancelButton"
            anchors.left: parent.left
            anchors.leftMargin: Utils.theme("margin", Utils.dp(10))
            anchors.verticalCenter: parent.verticalCenter
            width: Utils.theme("buttonHeight", Utils.dp(40)) * 2.2
            height: Utils.theme("buttonHeight", Utils.dp(40))
            label: "Cancel"
            labelSize: Utils.theme("mediumText", Utils.dp(18))
            onButtonActivated: dialog.cancel()
        }

        Text {
            anchors.centerIn: parent
            width: parent.width * 0.6
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: dialog.title
            font.pixelSize: Utils.theme("largeText", Utils.dp(22))
            color: Utils.theme("kivBlue", "#006eb8")
        }
    }

    Rectangle {
        id: backRow
        objectName: "backRow"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        visible: browser.hasParent
        height: visible ? dialog.rowHeight : 0
        color: backArea.pressed ? Utils.theme("inactiveButtonColor", "#e8e8e8") : "transparent"

        FileEntryRow {
            anchors.fill: parent
            glyph: "backIcon"
            text: "Back"
        }

        Rectangle {
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            height: 1
            color: Utils.theme("listSeparatorColor", "#cccccc")
        }

        MouseArea {
            id: backArea
            anchors.fill: parent
            onClicked: dialog.goUp()
        }
    }

    Loader {
        id: entries
        anchors.top: backRow.bottom
        anchors.bottom: bottomBar.top
        anchors.left: parent.left
        anchors.right: parent.right
        // Made when shown: the filters are set by then, and no entry of
        // another kind is listed meanwhile.
        active: dialog.shown
        sourceComponent: dialog.entryView
    }

    Text {
        objectName: "emptyText"
        anchors.centerIn: entries
        visible: entries.item !== null && entries.item.count === 0
        text: "No Matching Files"
        font.pixelSize: Utils.theme("largeText", Utils.dp(22))
        color: dialog.textColor
    }

    Rectangle {
        id: bottomBar
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        visible: dialog.selectFolder
        height: visible ? Utils.theme("dialogButtonBarHeight", Utils.dp(44)) + Utils.dp(8) : 0
        color: Utils.theme("inactiveToolColor", "#e8e8e8")

        ActionButton {
            objectName: "selectButton"
            anchors.right: parent.right
            anchors.rightMargin: Utils.theme("margin", Utils.dp(10))
            anchors.verticalCenter: parent.verticalCenter
            width: Utils.theme("buttonHeight", Utils.dp(40)) * 2.2
            height: Utils.theme("buttonHeight", Utils.dp(40))
            label: "Select"
            labelSize: Utils.theme("mediumText", Utils.dp(18))
            enabled: dialog.selectedRow >= 0
            onButtonActivated: dialog.accept(dialog.selectedUrl)
        }
    }

    Component {
        id: entryList

        ListView {
            clip: true
            model: browser

            add: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
            }
            populate: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
            }

            delegate: Rectangle {
                objectName: "entry"
                readonly property string entryName: name
                readonly property int entryRow: index
                width: ListView.view.width
                height: dialog.rowHeight
                color: index === dialog.selectedRow ? Utils.theme("pressedButtonColor", "#009cde")
                                                    : (entryArea.pressed ? Utils.theme("inactiveButtonColor", "#e8e8e8")
                                                                         : "transparent")

                FileEntryRow {
                    anchors.fill: parent
                    glyph: isFolder ? "folderIcon" : ""
                    text: name
                    forward: isFolder
                    textColor: index === dialog.selectedRow ? "#ffffff" : dialog.textColor
                }

                Rectangle {
                    anchors.bottom: parent.bottom
                    anchors.left: parent.left
                    anchors.right: parent.right
                    height: 1
                    color: Utils.theme("listSeparatorColor", "#cccccc")
                }

                MouseArea {
                    id: entryArea
                    anchors.fill: parent
                    onClicked: dialog.activate(index, isFolder, path)
                    onDoubleClicked: {
                        if (isFolder && dialog.selectFolder)
                            dialog.enter(index)
                    }
                }
            }
        }
    }
}
