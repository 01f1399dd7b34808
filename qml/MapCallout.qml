import QtQuick 2.4
import QtGraphicalEffects 1.0
import "Utils.js" as Utils
import "Widgets"

// The balloon above the selected map object: its short description with
// buttons to delete it, to open it in the data tool and, for a photograph,
// to view the picture. Zero wide: the balloon is centred on x.
Item {
    id: callout

    property var mapView: null
    property bool imagePicked: false
    property bool pointPicked: false
    property string pickedImageUrl: ""
    property string pickedPointLabel: ""
    property string pickedPointDescription: ""
    property real calloutOffset: 0
    property point pickedScreenPos: Qt.point(0, 0)
    // Hangs under the anchor, its pointer up, where there is no room above.
    property bool below: false
    // The widest the balloon may grow; its texts are cut to fit.
    property real maximumWidth: Infinity
    // Where the balloon may lie, beside the panels (parent coordinates), and
    // an edge it may never pass on the left.
    property rect freeArea: Qt.rect(-1e6, -1e6, 2e6, 2e6)
    property real minimumX: -1e6
    readonly property real calloutWidth: fixedWidth + textWidth
    // Never wider than the free area: the texts are cut first.
    readonly property real roomWidth: Math.min(maximumWidth, freeArea.width - 2 * _ui.innerMargin)
    // The balloon slides sideways to stay whole in the free area; the
    // pointer keeps its corners clear.
    readonly property real pointerReach: _ui.buttonHeight / 1.8 * Math.SQRT1_2 + _ui.buttonCornerRadius
    readonly property real balloonLeft: {
        var x = pickedScreenPos.x
        var left = Math.max(-calloutWidth / 2, freeArea.x + _ui.innerMargin - x)
        left = Math.min(left, freeArea.x + freeArea.width - _ui.innerMargin - x - calloutWidth)
        left = Math.max(left, minimumX - x)
        return Math.min(-pointerReach, Math.max(pointerReach - calloutWidth, left))
    }
    // Balloon and pointer around the anchor, as drawn.
    readonly property rect bounds: Qt.rect(balloonLeft,
                                           below ? calloutOffset : -(1.3 * _ui.buttonHeight + calloutOffset),
                                           calloutWidth, 1.3 * _ui.buttonHeight)
    // A balloon that would reach over a panel (its anchor under one, or the
    // free area too narrow) is not drawn; off the window's top it may be.
    readonly property bool fits: {
        var left = pickedScreenPos.x + balloonLeft
        var bottom = pickedScreenPos.y + bounds.y + bounds.height
        return left >= freeArea.x - 0.5 && left + calloutWidth <= freeArea.x + freeArea.width + 0.5
                && bottom <= freeArea.y + freeArea.height + 0.5
    }
    // Where the balloon starts: under the pointer when it hangs.
    readonly property real balloonTop: below ? 0.3 * _ui.buttonHeight : 0

    readonly property real margin: 3 * _ui.innerMargin
    readonly property real thumbnailWidth: imagePicked ? _ui.buttonWidth : 0
    readonly property real fixedWidth: thumbnailWidth + 2 * _ui.buttonWidth + 5 * _ui.buttonCornerRadius + 2 * margin
    // Whole pixels: a box a fraction narrower than its text would cut it.
    readonly property real textWidth: Math.max(0, Math.min(_ui.maxCalloutTextWidth, roomWidth - fixedWidth,
                                                           Math.ceil(Math.max(labelText.implicitWidth,
                                                                              descriptionText.implicitWidth))))
    property bool confirming: false

    signal info()
    signal viewImage()

    // What the user typed, on one line: the balloon has room for one line each.
    function oneLine(text) {
        return text.replace(/\s*[\r\n\u2028\u2029]+\s*/g, " ").trim()
    }

    function confirmDelete() {
        confirming = false
        if (!mapView)
            return
        if (!mapView.localityPicked) {
            mapView.deleteSelectedItem()
            return
        }
        // Only the locality asked about is deleted, whatever was selected
        // while the question was open.
        var asked = mapView.selectedItemId
        var answered = function(option) {
            _dialogController.result.disconnect(answered)
            if (option === 0 && mapView && mapView.selectedItemId === asked)
                mapView.deleteSelectedItem()
        }
        _dialogController.result.connect(answered)
        _dialogController.messageBox("Delete this locality?",
                                     "This locality may contain data. Deleting this locality will also delete the data. "
                                     + "This cannot be undone!\n\nAre you sure you want to continue?",
                                     _dialogController.yesNoButtons)
    }

    width: 0
    height: 1.2 * _ui.buttonHeight
    x: pickedScreenPos.x
    y: below ? pickedScreenPos.y + calloutOffset : pickedScreenPos.y - 1.3 * _ui.buttonHeight - calloutOffset
    visible: pointPicked && fits
    enabled: visible

    // A Delete armed before stays armed only while it shows.
    onVisibleChanged: if (!visible) confirming = false

    Item {
        id: body
        width: callout.calloutWidth
        height: callout.height
        x: callout.balloonLeft

        // Balloon and pointer, drawn once through their shadow.
        Item {
            id: shape
            width: parent.width
            height: 1.3 * _ui.buttonHeight
            visible: false

            Rectangle {
                id: pointer
                objectName: "pointer"
                width: _ui.buttonHeight / 1.8
                height: width
                rotation: 45
                // The tip touches the anchor below the balloon, or above it.
                x: -callout.balloonLeft - width * 0.5
                y: callout.below ? width * Math.SQRT1_2 - height * 0.5
                                 : parent.height - width * Math.SQRT1_2 - height * 0.5
                color: "white"

                Rectangle {
                    anchors.fill: parent
                    color: _ui.disabledToolColor
                    opacity: confirmButton.opacity * 0.5
                }
            }

            Rectangle {
                id: balloon
                objectName: "balloon"
                y: callout.balloonTop
                width: parent.width
                height: _ui.buttonHeight
                radius: _ui.buttonCornerRadius
                color: "white"

                Rectangle {
                    anchors.fill: parent
                    radius: parent.radius
                    color: _ui.disabledToolColor
                    opacity: confirmButton.opacity * 0.5
                }
            }
        }

        DropShadow {
            anchors.fill: shape
            source: shape
            transparentBorder: true
            horizontalOffset: 2
            verticalOffset: 2
            radius: 4
            samples: 9
            color: "#80000000"
        }

        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            y: callout.balloonTop
            height: _ui.buttonHeight
            spacing: _ui.buttonCornerRadius

            ActionButton {
                id: deleteButton
                objectName: "deleteButton"
                width: _ui.buttonWidth
                height: _ui.buttonHeight
                symbol: "deleteIcon"
                borderColor: "transparent"
                fillColor: "transparent"
                onButtonActivated: callout.confirming = true
            }

            Item {
                id: thumbnail
                objectName: "thumbnail"
                width: callout.thumbnailWidth
                height: _ui.buttonHeight
                visible: callout.imagePicked

                Text {
                    anchors.centerIn: parent
                    visible: thumbnailImage.status !== Image.Ready
                    text: Utils.icon("cameraIcon")
                    font.family: Utils.iconFontFamily()
                    font.pixelSize: Math.max(1, parent.height * 0.5)
                    color: _ui.normalIconColor
                }

                Image {
                    id: thumbnailImage
                    objectName: "thumbnailImage"
                    anchors.fill: parent
                    asynchronous: true
                    cache: false
                    clip: true
                    fillMode: Image.PreserveAspectCrop
                    source: callout.imagePicked ? callout.pickedImageUrl : ""
                    opacity: status === Image.Ready ? 1 : 0
                    Behavior on opacity {
                        NumberAnimation { duration: 150 }
                    }
                }

                MouseArea {
                    anchors.fill: parent
                    onClicked: callout.viewImage()
                }
            }

            Item {
                width: callout.textWidth
                height: _ui.buttonHeight

                Text {
                    id: labelText
                    objectName: "label"
                    width: parent.width
                    y: descriptionText.text !== "" ? _ui.dp4 : 0
                    height: parent.height - y
                    text: callout.oneLine(callout.pickedPointLabel)
                    textFormat: Text.PlainText
                    maximumLineCount: 1
                    elide: Text.ElideRight
                    font.pixelSize: _ui.smallText
                    verticalAlignment: descriptionText.text !== "" ? Text.AlignTop : Text.AlignVCenter
                }

                Text {
                    id: descriptionText
                    objectName: "description"
                    width: parent.width
                    y: labelText.y + labelText.baselineOffset
                    visible: text !== ""
                    text: callout.oneLine(callout.pickedPointDescription)
                    textFormat: Text.PlainText
                    maximumLineCount: 1
                    elide: Text.ElideRight
                    font.pixelSize: _ui.microText
                }
            }

            ActionButton {
                id: infoButton
                objectName: "infoButton"
                width: _ui.buttonWidth
                height: _ui.buttonHeight
                symbol: "infoIcon"
                borderColor: "transparent"
                fillColor: "transparent"
                onButtonActivated: callout.info()
            }
        }

        ActionButton {
            id: confirmButton
            objectName: "confirmButton"
            width: Utils.dp(120)
            height: _ui.buttonHeight
            x: callout.confirming ? 0 : -width * 0.5
            y: callout.balloonTop
            label: "Confirm"
            fillColor: _ui.kivRed
            borderColor: _ui.kivRed
            contentColor: "white"
            opacity: callout.confirming ? 1 : 0
            visible: opacity > 0
            enabled: callout.confirming
            onButtonActivated: callout.confirmDelete()

            Behavior on x {
                NumberAnimation { duration: _ui.fastAnimationDuration; easing.type: Easing.InOutQuad }
            }
            Behavior on opacity {
                NumberAnimation { duration: _ui.fastAnimationDuration; easing.type: Easing.InOutQuad }
            }

            // Falls back by itself unless the finger is on it.
            Timer {
                interval: _ui.deleteConfirmDelay
                running: callout.confirming && !confirmButton.pressed
                onTriggered: callout.confirming = false
            }
        }
    }
}
