import QtQuick 2.4
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// A sketch over the whole map area: a blank page or a project photo to paint,
// erase and write on. The map pauses while it is shown; `exit` hands back to
// the data tool.
BaseTool {
    id: sketchTool
    toolName: "Sketch Tool"
    allowCallouts: false
    leftInset: 0
    panelWidth: parent ? parent.width : 0
    anchors.bottomMargin: positionBarHeight + footOverlap
    z: 10
    color: "#ffffff"

    readonly property alias sketcher: sketcher
    readonly property real buttonSize: Utils.theme("buttonHeight", Utils.dp(40))
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))
    readonly property real thicknessScale: 30
    // Where the tool bar's last button (Help) shows. Beside the position bar
    // it may reach up past the sketch's bottom: then the sketch stops above
    // it, so that it shows whole, not cut.
    property rect toolBarFoot: Qt.rect(0, 0, 0, 0)
    readonly property real positionBarHeight: mapView && mapView.positionBarHeight ? mapView.positionBarHeight : 0
    readonly property real footOverlap: {
        var bottom = (parent ? parent.height : 0) - positionBarHeight
        var foot = toolBarFoot
        return foot.height > 0 && foot.y < bottom && foot.y + foot.height > bottom ? bottom - foot.y : 0
    }
    // A typed text in its box goes into the sketch when it is saved.
    readonly property bool textPending: sketcher.mode === RasterSketcher.Text && sketcher.text !== ""
                                        && sketcher.textRect.width > 0 && sketcher.textRect.height > 0
    // Strokes or a text not saved: leaving, or closing the window, asks first.
    readonly property bool pendingWork: shown && (sketcher.hasUnsavedChanges || sketcher.text !== "")
    readonly property var locations: (typeof _appManager !== "undefined" && _appManager)
                                     ? _appManager.locationManager : null
    // No marker shows over the sketch: a new one goes to the position the bar
    // holds, as the sketcher reads it when it saves; a picture keeps its place.
    readonly property bool waitsForPosition: sketcher.itemId === ""
                                             && !(locations && locations.isValidCoordinate(Utils.heldPlace().location))

    signal exit()

    manager: SketchToolManager {
        active: sketchTool.shown
        mapView: sketchTool.mapView
    }

    // Called before the tool is activated: an empty id starts a blank page.
    function setup(dataId) {
        manager.setRasterSketcher(sketcher)
        manager.setup(dataId)
    }

    // Unsaved strokes or a typed text are only dropped when the user says so.
    function back() {
        if (!pendingWork) {
            exit()
            return
        }
        Utils.askToDiscard(Utils.unsavedText(["sketch"]), function(discard) {
            if (discard)
                sketchTool.exit()
        })
    }

    function pickColor() {
        _dialogController.launchCustomDialog("ColorPickerDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.color = sketcher.color
        dialog.colorPicked.connect(function(picked) { sketcher.color = picked })
    }

    function editText() {
        _dialogController.launchCustomDialog("TextFieldDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.text = sketcher.text
        dialog.accepted.connect(function(text) { sketcher.text = text })
    }

    // Presses between the controls stay off the paused map below.
    MouseArea {
        anchors.fill: parent
    }

    Column {
        id: controls
        objectName: "controls"
        x: sketchTool.margin
        y: sketchTool.margin
        width: sketchTool.buttonSize * 2
        spacing: sketchTool.margin

        ActionButton {
            objectName: "backButton"
            width: parent.width
            height: sketchTool.buttonSize
            symbol: "backIcon"
            onButtonActivated: sketchTool.back()
        }

        Repeater {
            model: [
                { name: "paintButton", symbol: "paintIcon", mode: RasterSketcher.Paint },
                { name: "eraseButton", symbol: "eraserIcon", mode: RasterSketcher.Erase },
                { name: "textButton", symbol: "textIcon", mode: RasterSketcher.Text }
            ]

            ActionButton {
                objectName: modelData.name
                width: controls.width
                height: sketchTool.buttonSize
                symbol: modelData.symbol
                fillColor: sketcher.mode === modelData.mode ? Utils.theme("activeButtonColor", "#006eb8")
                                                             : "#ffffff"
                contentColor: sketcher.mode === modelData.mode ? "#ffffff"
                                                                : Utils.theme("normalIconColor", "#006eb8")
                onButtonActivated: sketcher.mode = modelData.mode
            }
        }

        CircularSlider {
            id: sizeSlider
            objectName: "sizeSlider"
            width: controls.width
            height: width
            Component.onCompleted: value = sketcher.lineThickness / sketchTool.thicknessScale
            onValueChanged: sketcher.lineThickness = value * sketchTool.thicknessScale
        }

        Rectangle {
            objectName: "colorSquare"
            width: controls.width
            height: sketchTool.buttonSize
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
            border.width: 1
            border.color: Utils.theme("kivBlue", "#006eb8")
            color: sketcher.color

            MouseArea {
                anchors.fill: parent
                onClicked: sketchTool.pickColor()
            }
        }

        ActionButton {
            objectName: "saveButton"
            width: parent.width
            height: sketchTool.buttonSize
            label: "Save"
            enabled: (sketcher.hasUnsavedChanges || sketchTool.textPending) && !sketchTool.waitsForPosition
            onButtonActivated: sketcher.save()
        }

        Text {
            objectName: "saveHint"
            width: parent.width
            visible: sketchTool.waitsForPosition && (sketcher.hasUnsavedChanges || sketchTool.textPending)
            text: "Set a position to save"
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: Utils.theme("microText", Utils.dp(12))
            color: Utils.theme("kivGrey", "#565757")
        }
    }

    // Right of that button the sketch goes on down to the position bar.
    Rectangle {
        objectName: "footStrip"
        x: sketchTool.toolBarFoot.x + sketchTool.toolBarFoot.width
        y: parent.height
        width: parent.width - x
        height: sketchTool.footOverlap
        visible: height > 0
        color: sketchTool.color

        MouseArea {
            anchors.fill: parent
        }
    }

    RasterSketcher {
        id: sketcher
        objectName: "sketcher"
        anchors.left: controls.right
        anchors.leftMargin: sketchTool.margin
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.bottomMargin: -sketchTool.footOverlap
        active: sketchTool.manager ? sketchTool.manager.active : false

        onShowTextInput: sketchTool.editText()
        // The saved sketch is selected, so the notebook shows it; a blank
        // page or the end of a session leaves the selection alone.
        onItemIdChanged: if (sketchTool.mapView && itemId !== "") sketchTool.mapView.selectedItemId = itemId

        Row {
            id: textButtons
            objectName: "textButtons"
            readonly property rect box: sketcher.textRect
            readonly property real zoom: sketcher.viewScale
            visible: sketcher.mode === RasterSketcher.Text && box.width > 0 && box.height > 0
            spacing: sketchTool.margin
            // Below the text box as shown, but never out of the sketch area.
            x: Math.max(0, Math.min(box.x * zoom, sketcher.width - width))
            y: Math.max(0, Math.min((box.y + box.height) * zoom + sketchTool.margin, sketcher.height - height))

            ActionButton {
                objectName: "cancelTextButton"
                width: sketchTool.buttonSize * 2
                height: sketchTool.buttonSize
                label: "cancel"
                onButtonActivated: sketcher.clearText()
            }

            ActionButton {
                objectName: "okTextButton"
                width: sketchTool.buttonSize * 2
                height: sketchTool.buttonSize
                label: "ok"
                enabled: sketcher.text !== ""
                onButtonActivated: sketcher.acceptText()
            }
        }
    }
}
