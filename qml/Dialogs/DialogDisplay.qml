import QtQuick 2.4
import QtQuick.Window 2.2
import "../Widgets"
import "../Utils.js" as Utils

// Everything the dialog controller raises, layered over the current screen:
// the dimming layer, the message box, custom dialogs, the help viewer, the
// shared number pad, the modal "working" overlay and the toasts.
ScreenLayer {
    id: display

    readonly property var controller: typeof _dialogController !== "undefined" ? _dialogController : null
    readonly property bool dialogActive: controller !== null && controller.dialogActive

    // Block-out hides the screen below completely (the help viewer).
    property bool blockOut: helpShown
    property bool helpShown: false
    readonly property alias helpViewer: helpLoader.item
    readonly property alias numPad: numPad
    // The field the number pad is open for.
    property var numPadField: null

    property bool modalWaitActive: false
    property string modalWaitText: ""

    // While anything modal shows, keys reach only items of this layer (the
    // window drops the others): the field behind keeps its text, and the
    // focus, when a dialog took it, goes back there afterwards.
    holdsKeys: dialogActive || blockOut
    // The custom dialog showing says whether it holds unconfirmed input.
    keepsWindowOpen: controller !== null && controller.customDialogActive && customDialogLoader.item !== null
                     && customDialogLoader.item.keepsWindowOpen === true
    property Item focusBefore: null

    onHoldsKeysChanged: {
        if (!holdsKeys) {
            giveFocusBack()
            return
        }
        var item = Window.activeFocusItem
        if (item && !inLayer(item))
            focusBefore = item
    }

    function inLayer(item) {
        for (var i = item; i; i = i.parent) {
            if (i === display)
                return true
        }
        return false
    }

    // Only from this layer or nowhere: an answer that moved the focus elsewhere keeps it.
    function giveFocusBack() {
        var before = focusBefore
        focusBefore = null
        var now = Window.activeFocusItem
        if (before && before.visible && (!now || !now.parent || inLayer(now)))
            before.forceActiveFocus()
    }

    function modalWait(show) {
        if (typeof show === "string") {
            modalWaitText = show
            modalWaitActive = true
        } else if (show) {
            modalWaitText = "Working..."
            modalWaitActive = true
        } else {
            modalWaitActive = false
        }
        if (!controller)
            return
        if (modalWaitActive)
            controller.dialogActive = true
        else
            controller.dialogActive = controller.messageBoxActive || controller.customDialogActive
    }

    // The start page of the help that comes with the program.
    function helpPath() {
        var base = (typeof _appManager !== "undefined" && _appManager) ? _appManager.assetPath() : ""
        return base + "/help/Default.htm"
    }

    // The same as a local file URL.
    function helpUrl() {
        var path = helpPath()
        return Utils.fileUrl(path)
    }

    // Desktop systems show the help in the system browser; elsewhere the
    // built-in viewer comes and goes.
    function help() {
        if (typeof _appManager === "undefined" || !_appManager)
            return
        if (_appManager.isDesktopOS)
            Utils.openLink(helpUrl())
        else
            helpShown = !helpShown
    }

    // The number pad for a field, with the field's range and settings; each
    // change is reported to the field until the pad closes.
    function showNumPad(field) {
        if (numPadField && numPadField !== field)
            hideNumPad()
        numPadField = null
        numPad.minimumValue = field.minimumValue
        numPad.maximumValue = field.maximumValue
        numPad.validator = field.validator
        numPad.descriptionText = field.descriptionText
        numPad.showSlider = field.showSlider
        numPad.showDecimalPlace = field.showDecimalPlace
        numPad.stepSize = field.stepSize
        numPad.text = field.text
        numPad.cursorPosition = numPad.text.length
        placeNumPad(field)
        numPadField = field
        field.numPadActive = true
        numPad.active = true
    }

    function hideNumPad() {
        numPad.active = false
        if (numPadField)
            numPadField.numPadActive = false
        numPadField = null
    }

    function setNumPadValue(value) {
        numPad.setValue(value)
    }

    // The area the pad must stay within, in this item's coordinates.
    function numPadArea(field) {
        var view = field.mapView
        if (!view || !view.visibleArea)
            return Qt.rect(0, 0, width, height)
        var area = view.visibleArea
        var corner = view.mapToItem(display, area.x, area.y)
        return Qt.rect(corner.x, corner.y, area.width, area.height)
    }

    // Beside the field (right of it where there is room, else left), moved
    // by the field's offsets and kept within the area.
    function placeNumPad(field) {
        var area = numPadArea(field)
        var gap = Utils.theme("spacing", Utils.dp(8))
        var origin = field.mapToItem(display, 0, 0)
        var x = origin.x + field.width + gap
        if (x + numPad.width > area.x + area.width)
            x = origin.x - gap - numPad.width
        var y = origin.y + field.height / 2 - numPad.height / 2
        x += field.numPadXOffset
        y += field.numPadYOffset
        numPad.x = Math.max(area.x, Math.min(x, area.x + area.width - numPad.width))
        numPad.y = Math.max(area.y, Math.min(y, area.y + area.height - numPad.height))
    }

    Component.onCompleted: {
        if (!controller)
            return
        controller.okButton = okButtonModel
        controller.yesNoButtons = yesNoButtonsModel
        controller.rootItem = display
    }

    ListModel {
        id: okButtonModel
        ListElement { label: "OK"; result: 0 }
    }

    ListModel {
        id: yesNoButtonsModel
        ListElement { label: "Yes"; result: 0 }
        ListElement { label: "No"; result: 1 }
    }

    Rectangle {
        id: dimmer
        objectName: "dimmer"
        anchors.fill: parent
        color: "#666666"
        opacity: display.blockOut ? 1.0 : display.dialogActive ? 0.75 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation { duration: Utils.theme("defaultAnimationDuration", 200) }
        }
    }

    // While a dialog is up nothing reaches the screen below.
    PinchArea {
        id: inputBlocker
        objectName: "inputBlocker"
        anchors.fill: parent
        enabled: display.dialogActive || display.blockOut
        visible: enabled
        onPinchStarted: pinch.accepted = true

        CoverArea {
            onClicked: {
                var dialog = customDialogLoader.item
                if (display.controller && display.controller.customDialogActive
                        && dialog && dialog.canceledOnTouchOutside)
                    display.controller.dismissDialog(1)
            }
        }
    }

    MessageDialog {
        id: messageBox
        objectName: "messageBox"
        title: display.controller ? display.controller.messageBoxTitle : ""
        message: display.controller ? display.controller.messageBoxMessage : ""
        buttonsModel: display.controller ? display.controller.messageBoxButtonsModel : null
        shown: display.controller !== null && display.controller.messageBoxActive
        onDismiss: display.controller.dismissDialog(option)
    }

    Loader {
        id: customDialogLoader
        objectName: "customDialogLoader"
        anchors.fill: parent
        source: (display.controller && display.controller.customDialogType !== "")
                ? Qt.resolvedUrl(display.controller.customDialogType) : ""

        onLoaded: {
            var controller = display.controller
            controller.customDialog = item
            if (item.dismiss)
                item.dismiss.connect(controller.dismissDialog)
            if (item.shown !== undefined)
                item.shown = Qt.binding(function() { return controller.customDialogActive })
        }
        onStatusChanged: {
            if (status !== Loader.Ready && display.controller)
                display.controller.customDialog = null
            // A dialog that cannot be shown must not leave the window dimmed
            // and blocked: it is cancelled instead (after the loader settles).
            if (status === Loader.Error)
                Qt.callLater(display.cancelBrokenDialog)
        }
    }

    Loader {
        id: helpLoader
        objectName: "helpLoader"
        anchors.fill: parent
        active: display.helpShown
        sourceComponent: HelpViewer {
            objectName: "helpViewer"
            homePath: display.helpPath()
            onClosed: display.helpShown = false
        }
    }

    // A press beside the open number pad closes it.
    CoverArea {
        objectName: "numPadOutside"
        enabled: numPad.active
        visible: enabled
        onPressed: display.hideNumPad()
    }

    NumPad {
        id: numPad
        objectName: "numPad"
        onValueChanged: {
            if (display.numPadField)
                display.numPadField.numPadValueChanged(value)
        }
        onDone: display.hideNumPad()
    }

    Rectangle {
        id: modalWaitPanel
        objectName: "modalWaitPanel"

        readonly property real side: Utils.theme("panelWidth", Utils.dp(320))

        anchors.centerIn: parent
        width: side
        height: side
        radius: Utils.theme("dialogRadius", Utils.dp(8))
        color: "#ffffff"
        visible: display.modalWaitActive

        ActivityIndicator {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: -modalWaitCaption.height / 2
            width: parent.side * 0.4
            height: width
            visible: modalWaitPanel.visible
        }

        Text {
            id: modalWaitCaption
            objectName: "modalWaitCaption"
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: Utils.theme("margin", Utils.dp(10))
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: display.modalWaitText
            font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
            color: Utils.theme("kivBlue", "#006eb8")
        }
    }

    // A toast that asks for it holds back all input while it is shown.
    MouseArea {
        anchors.fill: parent
        enabled: toast.visible && display.controller !== null
                 && display.controller.toastBlocksInteraction
        visible: enabled
    }

    Rectangle {
        id: toast
        objectName: "toast"

        readonly property real padding: Utils.theme("margin", Utils.dp(10))

        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: Utils.dp(64)
        width: toastRow.width + 2 * padding
        height: toastRow.height + 2 * padding
        radius: height / 2
        color: Utils.theme("smokedGlassColor", "#444444")
        opacity: 0
        visible: opacity > 0

        Row {
            id: toastRow
            anchors.centerIn: parent
            spacing: Utils.theme("spacing", Utils.dp(8))

            Text {
                anchors.verticalCenter: parent.verticalCenter
                visible: text !== ""
                text: display.controller ? display.controller.toastIcon : ""
                font.family: Utils.iconFontFamily()
                font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
                color: "#ffffff"
            }

            Text {
                id: toastText
                objectName: "toastText"
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, display.width * 0.8)
                wrapMode: Text.Wrap
                text: display.controller ? display.controller.toastMessage : ""
                font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                color: "#ffffff"
            }
        }

        SequentialAnimation {
            id: toastCycle
            NumberAnimation { target: toast; property: "opacity"; to: 1; duration: 250 }
            PauseAnimation { id: toastStay; duration: 0 }
            NumberAnimation { target: toast; property: "opacity"; to: 0; duration: 250 }
            // Dismissing starts the next toast; not from inside this animation.
            ScriptAction { script: Qt.callLater(display.finishToast) }
        }
    }

    function cancelBrokenDialog() {
        if (controller && controller.customDialogActive && customDialogLoader.status === Loader.Error)
            controller.dismissDialog(1)
    }

    function finishToast() {
        if (controller)
            controller.dismissToast()
    }

    Connections {
        target: display.controller
        function onDisplayToast() {
            toastStay.duration = Math.max(0, display.controller.toastDuration)
            toastCycle.restart()
        }
    }
}
