import QtQuick 2.4
import "Widgets"
import "Utils.js" as Utils

// The map's tool bar along the left edge. Thin, only the button column
// shows; wide, the whole panel with labels over a veil that closes it.
// Fill the map view with it: the veil covers the rest of the screen, and
// the wide menu holds the keys as every layer over the screen does.
ScreenLayer {
    id: toolBar

    // The tool objects, each with toolName, imageSrc and iconLabel.
    property var tools: []
    // A tool's panel is open: the thin column steps back in colour.
    property bool toolPanelOpen: false
    readonly property bool expanded: state !== "THIN"
    readonly property real panelWidth: Utils.theme("panelWidth", Utils.dp(320))
    readonly property real fullToolBarWidth: Utils.theme("fullToolBarWidth", Utils.dp(54))
    // Header, six tools, back, undo, projects, export and help share the height.
    readonly property real buttonSpacing: Math.max(0, Math.min(Utils.theme("toolBarSpacing", Utils.dp(12)),
                                                               (height - 12 * fullToolBarWidth) / 11))
    readonly property bool canUndo: typeof _appManager !== "undefined" && _appManager ? _appManager.canUndo : false
    // The right edge of the area the bar covers now; the map keeps its
    // visible area to the right of it.
    readonly property real uiExtent: panel.x + panel.width
    // Where Help, the column's last button, shows in the thin bar.
    readonly property rect lastButtonArea: Qt.rect(0, helpButton.y, fullToolBarWidth, helpButton.height)

    signal toolClicked(var tool)
    signal backClicked()
    signal undoClicked()
    signal projectsClicked()

    function collapse() { state = "THIN" }
    function expand() { state = "WIDE" }

    // The newest batch of edits is undone; the listeners then show what is stored.
    function undo() {
        collapse()
        if (!canUndo)
            return
        _appManager.undo()
        undoClicked()
    }

    function exportProject() {
        var project = (typeof _modelManager !== "undefined" && _modelManager) ? _modelManager.currentProject : null
        if (!project || project.numberOfLocalities === 0) {
            _dialogController.toastError("Cannot export empty project")
            return
        }
        // What opens from the menu shows over the map, not over the menu.
        collapse()
        _dialogController.launchCustomDialog("ExportProjectDialog.qml")
    }

    function showHelp() {
        var display = _dialogController.rootItem
        if (display && display.help) {
            collapse()
            display.help()
        }
    }

    holdsKeys: expanded
    state: "THIN"

    Rectangle {
        id: veil
        objectName: "veil"
        anchors.fill: parent
        color: Utils.theme("smokedGlassColor", "#444444")
        opacity: 0
        // Up from the first moment of the menu, not the first frame of its fade.
        visible: opacity > 0 || toolBar.expanded

        CoverArea {
            enabled: toolBar.expanded
            onClicked: toolBar.collapse()
        }
    }

    Rectangle {
        id: panel
        objectName: "panel"
        x: -toolBar.panelWidth
        width: toolBar.panelWidth + toolBar.fullToolBarWidth
        height: parent.height
        color: toolBar.toolPanelOpen ? Utils.theme("inactiveToolColor", "#e8e8e8")
                                     : Utils.theme("activeToolColor", "#ffffff")
        // Swallows taps and wheel turns between the buttons.
        CoverArea { }
    }

    // The buttons stay at the screen's edge; the panel slides out behind them.
    Column {
        id: buttons
        width: panel.x + panel.width
        spacing: toolBar.buttonSpacing
        clip: true

        ToolBarHeader {
            objectName: "headerButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            expanded: toolBar.expanded
            onClicked: toolBar.expanded ? toolBar.collapse() : toolBar.expand()
        }

        Repeater {
            model: toolBar.tools
            delegate: ToolBarButton {
                objectName: "toolButton"
                width: toolBar.panelWidth + toolBar.fullToolBarWidth
                imageSource: modelData.imageSrc !== undefined ? modelData.imageSrc : ""
                label: modelData.iconLabel !== undefined ? modelData.iconLabel : ""
                showLabel: toolBar.expanded
                // The opened tool's panel must not sit under the wide menu.
                onClicked: {
                    toolBar.collapse()
                    toolBar.toolClicked(modelData)
                }
            }
        }

        ToolBarButton {
            objectName: "backButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            symbol: "backIcon"
            label: "Back"
            showLabel: toolBar.expanded
            onClicked: {
                toolBar.collapse()
                toolBar.backClicked()
            }
        }

        ToolBarButton {
            objectName: "undoButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            symbol: "undoIcon"
            label: "Undo"
            showLabel: toolBar.expanded
            enabled: toolBar.canUndo
            onClicked: toolBar.undo()
        }

        ToolBarButton {
            id: projectsButton
            objectName: "projectsButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            symbol: "changeProjectIcon"
            label: "Projects"
            showLabel: true
            opacity: 0
            enabled: toolBar.expanded
            onClicked: {
                toolBar.collapse()
                toolBar.projectsClicked()
            }
        }

        ToolBarButton {
            id: exportButton
            objectName: "exportButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            symbol: "exportDataIcon"
            label: "Export"
            showLabel: true
            opacity: 0
            enabled: toolBar.expanded
            onClicked: toolBar.exportProject()
        }

        ToolBarButton {
            id: helpButton
            objectName: "helpButton"
            width: toolBar.panelWidth + toolBar.fullToolBarWidth
            symbol: "helpIcon"
            label: "Help"
            showLabel: toolBar.expanded
            onClicked: toolBar.showHelp()
        }
    }

    states: [
        State { name: "THIN" },
        State {
            name: "WIDE"
            PropertyChanges { target: panel; x: 0; color: "#ffffff" }
            PropertyChanges { target: veil; opacity: 0.7 }
            PropertyChanges { target: projectsButton; opacity: 1 }
            PropertyChanges { target: exportButton; opacity: 1 }
        }
    ]

    transitions: Transition {
        NumberAnimation {
            properties: "x,opacity"
            duration: Utils.theme("defaultAnimationDuration", 200)
            easing.type: Easing.InOutQuad
        }
        ColorAnimation { duration: Utils.theme("defaultAnimationDuration", 200) }
    }
}
