import QtQuick 2.4
import quarzel.touch 1.0
import "Dialogs"
import "Widgets"
import "Utils.js" as Utils

// The home screen: the project cards on the left, the product and the
// program's commands in the white band on the right.
Item {
    id: home

    // The project that was closed to get here; its card becomes current.
    property int projectId: -1

    readonly property real bandWidth: Utils.dp(250)
    // The slanted edge runs from (edgeTop, 0) down to (edgeBottom, height).
    readonly property real edgeBottom: width - bandWidth
    readonly property real edgeTop: edgeBottom - 0.3249 * height
    readonly property real margin: Utils.theme("margin", Utils.dp(10))
    readonly property real panelWidth: Utils.theme("panelWidth", Utils.dp(320))
    readonly property alias projectModel: projectModel
    readonly property alias grid: grid
    readonly property alias fileDialog: fileDialog

    signal loadProject(int projectId)

    function hasModelManager() {
        return typeof _modelManager !== "undefined" && _modelManager !== null
    }

    function selectClosedProject() {
        var index = projectModel.getIndexFromProjectId(projectId)
        if (index >= 0)
            grid.currentIndex = index
    }

    function createProject() {
        if (!hasModelManager())
            return
        var id = _modelManager.createProject()
        if (id === -1)
            _dialogController.toastError("Could not create project.")
        else
            loadProject(id)
    }

    function importProject(url) {
        if (hasModelManager() && _modelManager.loadExternalProject(url))
            _dialogController.toastOk("Project imported")
        else
            _dialogController.toastError("Failed to import project")
    }

    // The answer arrives once: a handler left connected would delete the
    // project on any later dialog's first button.
    function askToDelete(id, name) {
        var answered = function(option) {
            _dialogController.result.disconnect(answered)
            if (option !== 0)
                return
            if (!_modelManager.removeProjectById(id))
                _dialogController.toastError("Could not delete project.")
        }
        _dialogController.result.connect(answered)
        _dialogController.messageBox("Delete " + name + "?",
                                     "Deleting a project removes it from the disk. This cannot be undone!\n\n"
                                     + "Are you sure you want to continue?",
                                     _dialogController.yesNoButtons)
    }

    onProjectIdChanged: selectClosedProject()

    Canvas {
        id: background
        objectName: "background"
        anchors.fill: parent
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        onPaint: {
            var ctx = getContext("2d")
            ctx.fillStyle = "#ffffff"
            ctx.fillRect(0, 0, width, height)
            ctx.fillStyle = Utils.theme("activeButtonColor", "#006eb8")
            ctx.beginPath()
            ctx.moveTo(0, 0)
            ctx.lineTo(home.edgeTop, 0)
            ctx.lineTo(home.edgeBottom, height)
            ctx.lineTo(0, height)
            ctx.closePath()
            ctx.fill()
        }
    }

    Image {
        id: productIcon
        objectName: "productIcon"
        x: home.edgeBottom + home.margin
        y: home.margin
        width: home.bandWidth - 2 * home.margin
        height: Math.min(width, home.height * 0.3)
        source: "images/appicon.svg"
        sourceSize.width: width
        fillMode: Image.PreserveAspectFit
    }

    Column {
        id: commands
        x: productIcon.x
        anchors.top: productIcon.bottom
        anchors.topMargin: home.margin
        width: productIcon.width
        spacing: Utils.theme("spacing", Utils.dp(8))

        ActionButton {
            objectName: "createButton"
            width: parent.width
            label: "Create Project"
            symbol: "addIcon"
            onButtonActivated: home.createProject()
        }
        ActionButton {
            objectName: "importButton"
            width: parent.width
            label: "Import Project"
            symbol: "importDataIcon"
            onButtonActivated: fileDialog.open()
        }
        ActionButton {
            objectName: "settingsButton"
            width: parent.width
            label: "Settings"
            symbol: "settingsIcon"
            onButtonActivated: _dialogController.launchCustomDialog("SettingsDialog.qml")
        }
        ActionButton {
            objectName: "exitButton"
            width: parent.width
            label: "Exit"
            symbol: "exitIcon"
            visible: typeof _appManager !== "undefined" && _appManager !== null && _appManager.isDesktopOS
            onButtonActivated: Qt.quit()
        }
    }

    Image {
        objectName: "emblem"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: home.margin
        width: productIcon.width
        height: width / 2
        source: "images/emblem.svg"
        sourceSize.width: width
        fillMode: Image.PreserveAspectFit
    }

    FileDialogLoader {
        id: fileDialog
        objectName: "fileDialog"
        title: "Select a project folder (*.qz)"
        selectFolder: true
        onAccepted: home.importProject(fileUrl)
    }

    ProjectListModel {
        id: projectModel
        onModelReset: home.selectClosedProject()
    }

    GridView {
        id: grid
        objectName: "projectGrid"
        x: home.margin
        y: home.margin
        width: Math.max(0, home.edgeTop - 2 * home.margin)
        height: home.height - 2 * home.margin
        clip: true
        model: projectModel
        cellWidth: Math.max(0.45 * width, 0.85 * home.panelWidth)
        cellHeight: Math.max(cellWidth * home.height / Math.max(1, home.width), 0.66 * home.panelWidth)
        highlightFollowsCurrentItem: false
        Component.onCompleted: home.selectClosedProject()

        delegate: Item {
            id: card
            objectName: "projectCard"
            width: grid.cellWidth
            height: grid.cellHeight

            readonly property bool isCurrent: GridView.isCurrentItem
            readonly property int cardProjectId: model.projectId
            readonly property string cardName: model.name
            readonly property alias imageSource: photo.source

            Rectangle {
                anchors.fill: parent
                anchors.margins: home.margin / 2
                color: "#ffffff"
                clip: true

                Image {
                    id: photo
                    objectName: "cardImage"
                    anchors.fill: parent
                    asynchronous: true
                    fillMode: Image.PreserveAspectCrop
                    sourceSize.width: width
                    source: model.lastImage ? "image://default/" + model.lastImage : "images/mountains.svg"
                }

                // Moves with the current card at once: no highlight animation.
                Rectangle {
                    objectName: "currentBar"
                    width: parent.width
                    height: Utils.theme("dp8", Utils.dp(8))
                    visible: card.isCurrent
                    color: Utils.theme("kivYellow", "#ffcc00")
                }

                MouseArea {
                    anchors.fill: parent
                    onClicked: grid.currentIndex = index
                }

                Rectangle {
                    id: caption
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    height: captionColumn.height + 2 * home.margin
                    color: "#e6ffffff"

                    Text {
                        id: glyph
                        x: home.margin
                        anchors.verticalCenter: parent.verticalCenter
                        text: Utils.icon("projectIcon")
                        font.family: Utils.iconFontFamily()
                        font.pixelSize: Math.max(1, Utils.theme("veryLargeText", Utils.dp(28)))
                        color: Utils.theme("kivBlue", "#006eb8")
                    }

                    Column {
                        id: captionColumn
                        anchors.left: glyph.right
                        anchors.leftMargin: home.margin
                        anchors.right: parent.right
                        anchors.rightMargin: home.margin
                        anchors.verticalCenter: parent.verticalCenter

                        Text {
                            width: parent.width
                            elide: Text.ElideRight
                            text: model.name
                            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                            color: Utils.theme("kivBlue", "#006eb8")
                        }
                        // Wrapped, never cut: the date is read whole on narrow cards.
                        Text {
                            objectName: "createdText"
                            width: parent.width
                            wrapMode: Text.Wrap
                            text: "Created on " + model.timeString
                            font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                            color: Utils.theme("kivGrey", "#565757")
                        }
                    }
                }

                Row {
                    id: buttons
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.margins: home.margin + Utils.theme("dp8", Utils.dp(8))
                    spacing: Utils.theme("spacing", Utils.dp(8))
                    visible: card.isCurrent

                    DeleteButton {
                        objectName: "deleteButton"
                        width: implicitWidth
                        enabled: card.isCurrent && grid.count > 1
                        onDeleteActivated: home.askToDelete(card.cardProjectId, card.cardName)
                    }
                    ActionButton {
                        objectName: "loadButton"
                        width: Utils.theme("buttonWidth", Utils.dp(33)) * 3
                        label: "Load Project"
                        enabled: card.isCurrent
                        onButtonActivated: home.loadProject(card.cardProjectId)
                    }
                }
            }
        }
    }
}
