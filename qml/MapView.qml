import QtQuick 2.4
import QtGraphicalEffects 1.0
import quarzel.touch 1.0
import "Tools"
import "Utils.js" as Utils

// The map page: the map scene behind, the tools and the tool bar in front.
MapViewController {
    id: mapView
    objectName: "mapView"
    title: "Map View"

    property var projectView: null
    property alias temporaryItem: temporaryItem
    property real scalePreferredWidth: Utils.dp(120)
    readonly property real buttonHeight: Utils.theme("buttonHeight", Utils.dp(40))
    // The free map area starts right of whatever covers the left side.
    readonly property real positionBarHeight: locationTool.visible ? locationTool.height : 0
    readonly property real toolExtent: Math.max(toolManager.uiExtent, toolBar.uiExtent)
    // The custom base layer brings no notice of its own.
    readonly property bool customBaseLayer: layerTool.manager ? layerTool.manager.baseLayer === 3 : false

    scaleBarRight: attribution.x + scaleBar.x + scaleBar.width
    scaleBarLeft: scaleBarRight - scalePreferredWidth
    scaleBarY: attribution.y + scaleBar.y + scaleBar.height
    online: (typeof _appManager !== "undefined" && _appManager) ? _appManager.baseMapOnline : 2
    visibleArea: Qt.rect(toolExtent, 0, width - toolExtent, height)
    // A selection's balloon needs room, also while it is hidden beside a panel.
    calloutBounds: callout.pointPicked ? callout.bounds : Qt.rect(0, 0, 0, 0)

    onActiveChanged: {
        if (!active)
            toolManager.activate(viewTool)
    }

    onShowNewBuildAvailableDialog: _dialogController.launchCustomDialog("UpgradeAvailableDialog.qml")

    // Back to the home screen, with this project's card current there; the
    // tools' unsaved work is only dropped when the user says so.
    function closeToHome() {
        var unsaved = unsavedWork(false)
        if (unsaved === "") {
            leaveProject()
            return
        }
        Utils.askToDiscard(unsaved, function(discard) {
            if (discard)
                mapView.leaveProject()
        })
    }

    function leaveProject() {
        var project = (typeof _modelManager !== "undefined" && _modelManager) ? _modelManager.currentProject : null
        if (projectView && project)
            projectView.closeProject(project.qmlId())
    }

    function prepareToClose() {
        // The open panel is left first, so that it keeps what was typed.
        toolManager.switchTo(null)
        closing()
        toolManager.tools = []
        toolManager.panels = []
        toolBar.tools = []
    }

    // The tools' unsaved work in words, for the question before the page
    // goes with the window or not; empty when there is none.
    function unsavedWork(windowClosing) {
        var kinds = []
        if (sketchTool.pendingWork)
            kinds.push("sketch")
        if (lineTool.pendingWork)
            kinds.push("line")
        if (clinoTool.pendingWork)
            kinds.push("reading")
        if (dataTool.entryPending(windowClosing))
            kinds.push(dataTool.hasImage() ? "picture" : "note")
        var refused = Utils.refusedStratEdit()
        if (refused !== "")
            kinds.push(refused)
        return Utils.unsavedText(kinds)
    }

    // The user kept the work that a question asked about: a stroke it cut
    // short is finished as drawn.
    function keepWork() {
        lineTool.manager.finishHeldStroke()
    }

    Component.onCompleted: {
        if (typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastReady = true
        mapInput.forceActiveFocus()
    }

    PinchArea {
        id: pinchArea
        objectName: "pinchArea"
        anchors.fill: parent
        enabled: mapView.active
        pinch.minimumRotation: -360
        pinch.maximumRotation: 360

        onPinchStarted: {
            toolManager.mousePressed(pinch.center.x, pinch.center.y, 0)
            mapView.pinchStarted(pinch.center)
        }
        onPinchUpdated: mapView.pinchUpdated(pinch.center, pinch.scale)
        onPinchFinished: mapView.pinchEnded()

        MouseArea {
            id: mapInput
            objectName: "mapInput"
            anchors.fill: parent
            enabled: mapView.active
            acceptedButtons: Qt.AllButtons
            focus: true

            onPressed: {
                // A tap on the map ends typing in any panel, as Return does.
                mapInput.forceActiveFocus()
                toolManager.mousePressed(mouse.x, mouse.y, mouse.button)
            }
            onReleased: toolManager.mouseReleased(mouse.x, mouse.y, mouse.button)
            onCanceled: toolManager.mouseCanceled()
            onPositionChanged: toolManager.mouseMoved(mouse.x, mouse.y, mouse.buttons)
            onDoubleClicked: toolManager.mouseDoubleClicked(mouse.x, mouse.y, mouse.button)
            onPressAndHold: toolManager.mousePressAndHold(mouse.x, mouse.y, mouse.button)
            onWheel: toolManager.mouseWheelSpun(wheel.x, wheel.y, wheel.angleDelta, wheel.pixelDelta)
            Keys.onPressed: mapView.keyPressed(event.key, event.modifiers, event.nativeScanCode,
                                               event.isAutoRepeat, event.count, event.text)
        }
    }

    TemporaryItem {
        id: temporaryItem
        objectName: "temporaryItem"
        mapView: mapView
        minimumX: mapView.visibleArea.x
        maximumX: mapView.visibleArea.x + mapView.visibleArea.width
        minimumY: mapView.visibleArea.y
        maximumY: mapView.visibleArea.y + mapView.visibleArea.height
    }

    Image {
        id: makerLogo
        objectName: "makerLogo"
        source: "qrc:/marketing/Resources/KV_white.svg"
        height: mapView.buttonHeight / 2
        fillMode: Image.PreserveAspectFit
        sourceSize.height: height
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        anchors.bottomMargin: Utils.theme("innerMargin", Utils.dp(8)) + mapView.positionBarHeight
        anchors.rightMargin: Utils.theme("innerMargin", Utils.dp(8))
                             + ((typeof _appManager !== "undefined" && _appManager
                                 && _appManager.userKeyboardControl) ? mapView.buttonHeight : 0)
        layer.enabled: true
        layer.effect: DropShadow {
            horizontalOffset: 1
            verticalOffset: 1
            radius: 4
            samples: 9
            color: "#80000000"
        }
    }

    Rectangle {
        id: attribution
        objectName: "attribution"
        height: mapView.buttonHeight / 2
        width: attributionRow.width
        anchors.bottom: parent.bottom
        // Above the position bar while it shows.
        anchors.bottomMargin: mapView.positionBarHeight
        // Centred in the free map area, where no open panel hides it; when
        // wider, its scale bar end stays on the screen.
        x: Math.min(mapView.visibleArea.x + (mapView.visibleArea.width - width) / 2, mapView.width - width)
        color: "#aaffffff"
        visible: !mapView.customBaseLayer

        Row {
            id: attributionRow
            height: parent.height

            Text {
                objectName: "attributionNotice"
                anchors.verticalCenter: parent.verticalCenter
                // Cut rather than hidden under a panel: the whole strip stays in the free area.
                width: Math.max(0, Math.min(implicitWidth,
                                            mapView.visibleArea.width - improveLink.width - scaleBar.width))
                elide: Text.ElideRight
                textFormat: Text.PlainText
                visible: text.length > 0
                text: mapView.attributionText
                font.pixelSize: Utils.dp(10)
                color: "#333333"
                MouseArea {
                    anchors.fill: parent
                    enabled: mapView.attributionUrl.length > 0
                    onClicked: Qt.openUrlExternally(mapView.attributionUrl)
                }
            }

            Text {
                id: improveLink
                objectName: "improveLink"
                anchors.verticalCenter: parent.verticalCenter
                textFormat: Text.PlainText
                visible: mapView.attributionText.length > 0
                text: "  Improve this map  "
                font.pixelSize: Utils.dp(10)
                font.underline: true
                color: "#333333"
                MouseArea {
                    anchors.fill: parent
                    enabled: mapView.improveUrl.length > 0
                    onClicked: Qt.openUrlExternally(mapView.improveUrl)
                }
            }

            Item {
                id: scaleBar
                objectName: "scaleBar"
                readonly property real spacing: Utils.theme("spacing", Utils.dp(8))
                readonly property real lineWidth: Utils.theme("dp2", Utils.dp(2))
                width: mapView.scalePreferredWidth + spacing
                height: parent.height

                Item {
                    id: bracket
                    width: mapView.scaleWidth
                    height: scaleBar.height - Utils.theme("dp6", Utils.dp(6))
                    anchors.right: parent.right
                    anchors.rightMargin: scaleBar.spacing
                    anchors.verticalCenter: parent.verticalCenter

                    Rectangle {
                        width: parent.width; height: scaleBar.lineWidth
                        anchors.bottom: parent.bottom
                        color: "#a0666666"
                    }
                    Rectangle {
                        width: scaleBar.lineWidth; height: parent.height
                        anchors.left: parent.left
                        color: "#a0666666"
                    }
                    Rectangle {
                        width: scaleBar.lineWidth; height: parent.height
                        anchors.right: parent.right
                        color: "#a0666666"
                    }
                    Text {
                        objectName: "scaleLegend"
                        anchors.right: parent.right
                        anchors.rightMargin: scaleBar.lineWidth * 2
                        anchors.verticalCenter: parent.verticalCenter
                        text: mapView.scaleLegend
                        font.pixelSize: Utils.dp(10)
                        color: "#333333"
                    }
                }
            }
        }
    }

    // The name logo shows only where the tool bar leaves room for it.
    Item {
        id: nameBand
        objectName: "nameBand"
        readonly property real panelWidth: Utils.theme("panelWidth", Utils.dp(320))
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: mapView.toolExtent
        height: mapView.buttonHeight

        Image {
            objectName: "nameLogo"
            anchors.centerIn: parent
            height: parent.height * 0.6
            fillMode: Image.PreserveAspectFit
            sourceSize.height: height
            source: "qrc:/marketing/Resources/KV_Quarzel_Name.svg"
            visible: nameBand.width > 1.15 * nameBand.panelWidth
        }
    }

    ToolManager {
        id: toolManager
        objectName: "toolManager"
        anchors.fill: parent
        // The sketch fills the whole map view, tool bar included: its own
        // controls sit along the left edge.
        z: sketchTool.shown ? 1 : 0
        defaultTool: viewTool
        activeTool: viewTool
        firstTool: locationTool
        // In dispatch order; an empty entry is skipped.
        tools: [
            viewTool,

            projectTool, // projectTool

            layerTool, // layerTool

            clinoTool, // clinoTool

            lineTool, // lineTool

            stereoNetTool, // stereoNetTool

            dataTool, // dataTool

            locationTool, // locationTool

            sketchTool // sketchTool
        ]
        // The panels whose width narrows the free map area.
        panels: [
            clinoTool, // clinoTool

            lineTool, // lineTool

            dataTool, // dataTool

            stereoNetTool, // stereoNetTool

            layerTool, // layerTool

            projectTool // projectTool
        ]

        ViewTool {
            id: viewTool
            objectName: "viewTool"
            mapView: mapView
        }

        ProjectTool { id: projectTool; objectName: "projectTool"; mapView: mapView; toolbar: toolBar }

        LayerTool { id: layerTool; objectName: "layerTool"; mapView: mapView }

        ClinoTool { id: clinoTool; objectName: "clinoTool"; mapView: mapView }

        LineTool { id: lineTool; objectName: "lineTool"; mapView: mapView }

        StereoNetTool { id: stereoNetTool; objectName: "stereoNetTool"; mapView: mapView; toolbar: toolBar }

        DataTool {
            id: dataTool
            objectName: "dataTool"
            mapView: mapView
            // Edit mode only once the notebook is left, which may ask first.
            onEditLineButtonClicked: toolManager.activateThen(lineTool, function() {
                lineTool.manager.editModeEnabled = true
            })
            onShowSketchTool: {
                sketchTool.setup(dataId)
                toolManager.activate(sketchTool)
            }
        }

        LocationTool {
            id: locationTool
            objectName: "locationTool"
            mapView: mapView
            // Another tool ends typing in the bar.
            Connections {
                target: toolManager
                function onActiveToolChanged() { locationTool.leaveFields() }
            }
        }

        SketchTool {
            id: sketchTool
            objectName: "sketchTool"
            mapView: mapView
            toolBarFoot: toolBar.lastButtonArea
            onExit: toolManager.activate(dataTool)
        }
    }

    MapCallout {
        id: callout
        objectName: "callout"
        mapView: mapView
        pointPicked: mapView.pointPicked && toolManager.activeTool !== null
                     && toolManager.activeTool.allowCallouts
        imagePicked: mapView.imagePicked
        pickedImageUrl: mapView.pickedImageUrl
        pickedPointLabel: mapView.pickedPointLabel
        pickedPointDescription: mapView.pickedPointDescription
        calloutOffset: mapView.calloutOffset
        below: mapView.calloutBelow
        pickedScreenPos: mapView.pickedScreenPos
        // Beside the open panels and above the position bar, never over them.
        freeArea: Qt.rect(mapView.visibleArea.x, mapView.visibleArea.y, mapView.visibleArea.width,
                          mapView.visibleArea.height - mapView.positionBarHeight)
        minimumX: toolBar.uiExtent + Utils.theme("innerMargin", Utils.dp(8))
        maximumWidth: mapView.width - minimumX - Utils.theme("innerMargin", Utils.dp(8))
        onInfo: toolManager.activate(dataTool)
        onViewImage: {
            toolManager.activate(dataTool)
            dataTool.viewImage()
        }
    }

    ToolBar {
        id: toolBar
        objectName: "toolBar"
        anchors.fill: parent
        // On the bar: project, layer, clino, line, stereonet and data.
        tools: [
            projectTool, // projectTool

            layerTool, // layerTool

            clinoTool, // clinoTool

            lineTool, // lineTool

            stereoNetTool, // stereoNetTool

            dataTool // dataTool
        ].filter(function(tool) { return tool })
        toolPanelOpen: toolManager.activeTool !== viewTool
        onToolClicked: toolManager.activate(tool)
        onBackClicked: toolManager.activate(viewTool)
        onUndoClicked: {
            dataTool.updateModel()
        }
        onProjectsClicked: mapView.closeToHome()
    }
}
