import QtQuick 2.4
import "../Utils.js" as Utils

// A reading typed on the shared number pad: a tap opens the pad of the
// dialog display with this field's range and settings.
Rectangle {
    id: field

    property string text: ""
    property real minimumValue: 0
    property real maximumValue: 1
    property var validator: null
    property string descriptionText: ""
    property bool showSlider: true
    property bool showDecimalPlace: false
    property real stepSize: showDecimalPlace ? 0.1 : 1
    // Where the pad sits relative to its place beside the field.
    property real numPadXOffset: 0
    property real numPadYOffset: 0
    // With a map view the pad stays within the map's visible area.
    property var mapView: null
    property bool numPadActive: false
    property alias font: label.font
    property alias horizontalAlignment: label.horizontalAlignment

    // Every change made on the pad while it is open for this field.
    signal numPadValueChanged(real value)

    implicitWidth: Utils.dp(80)
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    border.width: numPadActive ? 2 : 1
    border.color: numPadActive ? Utils.theme("kivLightBlue", "#009cde") : Utils.theme("kivBlue", "#006eb8")
    color: "#ffffff"

    // A value the field can hold: an emptied or half-typed entry outside
    // the range leaves the field at its last valid value.
    function accepts(v) {
        return v >= minimumValue && v <= maximumValue
    }

    onNumPadValueChanged: if (accepts(value)) text = String(value)

    function openNumPad() {
        var display = (typeof _dialogController !== "undefined" && _dialogController)
                ? _dialogController.rootItem : null
        if (display && display.showNumPad)
            display.showNumPad(field)
    }

    Text {
        id: label
        anchors.fill: parent
        anchors.leftMargin: Utils.theme("innerMargin", Utils.dp(8))
        anchors.rightMargin: Utils.theme("innerMargin", Utils.dp(8))
        verticalAlignment: Text.AlignVCenter
        horizontalAlignment: Text.AlignRight
        elide: Text.ElideLeft
        text: field.text
        font.pixelSize: Math.max(1, Utils.theme("inputText", Utils.dp(18)))
        color: field.enabled ? "#000000" : Utils.theme("disabledToolColor", "#666666")
    }

    MouseArea {
        anchors.fill: parent
        onClicked: field.openNumPad()
    }
}
