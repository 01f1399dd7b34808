import QtQuick 2.4
import QtQuick.Controls 1.3
import "../Widgets"
import "../Utils.js" as Utils

// The number pad for typed readings (dip, azimuth, declination and the
// like). The dialog display hosts one and hands it to the field that asks.
ScreenLayer {
    id: pad

    property string text: ""
    property var validator: null
    property real value: 0
    property real minimumValue: 0
    property real maximumValue: 1
    property string descriptionText: ""
    property bool showSlider: true
    property bool showDecimalPlace: false
    property real stepSize: showDecimalPlace ? 0.1 : 1
    property bool active: false
    property alias cursorPosition: input.cursorPosition
    // The last text within the range since the pad opened: done on an
    // emptied pad goes back to it.
    property string lastValidText: ""

    // The done key closed the pad.
    signal done()

    readonly property real keySize: Utils.theme("buttonHeight", Utils.dp(40)) * 1.2
    readonly property real gap: Utils.theme("smallMargin", Utils.dp(5))

    width: keySize * 3 + gap * 4
    height: content.height + gap * 2
    radius: Utils.theme("dialogRadius", Utils.dp(8))
    color: "#ffffff"
    border.color: Utils.theme("listSeparatorColor", "#cccccc")
    visible: active

    // Text to number; NaN for what is not one (an empty text included).
    function parse(t) {
        return String(t).trim() === "" ? NaN : Number(t)
    }

    function decimals() {
        if (!showDecimalPlace)
            return 0
        var step = String(stepSize)
        var point = step.indexOf(".")
        return point < 0 ? 0 : step.length - point - 1
    }

    function clamp(v) {
        return Math.min(maximumValue, Math.max(minimumValue, v))
    }

    function format(v) {
        return String(Number(v.toFixed(decimals())))
    }

    // A value from outside: kept within the range, shown as text.
    function setValue(v) {
        v = Number(v)
        text = format(clamp(isFinite(v) ? v : minimumValue))
    }

    function inRange(v) {
        return isFinite(v) && v >= minimumValue && v <= maximumValue
    }

    onTextChanged: {
        var v = parse(text)
        value = isFinite(v) ? v : 0
        if (inRange(v))
            lastValidText = text
    }

    onActiveChanged: lastValidText = active && inRange(parse(text)) ? text : ""

    function replaceText(newText, newCursor) {
        text = newText
        input.cursorPosition = Math.max(0, Math.min(newCursor, text.length))
    }

    function insertAtCursor(s) {
        var at = input.cursorPosition
        return text.slice(0, at) + s + text.slice(at)
    }

    function digit(d) {
        var v = parse(text)
        if (d === "0" && text.indexOf(".") < 0 && v === 0)
            return false
        var candidate = insertAtCursor(d)
        if (parse(candidate) > maximumValue)
            return false
        replaceText(candidate, input.cursorPosition + 1)
        return true
    }

    function decimalPoint() {
        if (!showDecimalPlace)
            return false
        if (text === "" || text === "-") {
            replaceText(text + "0.", text.length + 2)
            return true
        }
        var v = parse(text)
        if (text.indexOf(".") >= 0 || (isFinite(v) && v !== Math.floor(v)))
            return false
        replaceText(insertAtCursor("."), input.cursorPosition + 1)
        return true
    }

    function toggleSign() {
        var at = input.cursorPosition
        if (text.charAt(0) === "-")
            replaceText(text.slice(1), at - 1)
        else
            replaceText("-" + text, at + 1)
    }

    function backspace() {
        var at = input.cursorPosition
        if (at > 0)
            replaceText(text.slice(0, at - 1) + text.slice(at), at - 1)
    }

    // Done: whatever is typed ends up within the range; an emptied entry
    // keeps the last valid value, another that is not a number counts as the
    // minimum.
    function finish() {
        var v = parse(text)
        if (String(text).trim() === "" && lastValidText !== "")
            text = lastValidText
        else if (!isFinite(v) || v < minimumValue)
            text = format(minimumValue)
        else if (v > maximumValue)
            text = format(maximumValue)
        active = false
        done()
    }

    // One key of the pad: a digit, ".", "±", "back" or "done".
    function press(key) {
        if (key === "done")
            finish()
        else if (key === "back")
            backspace()
        else if (key === "±")
            toggleSign()
        else if (key === ".")
            decimalPoint()
        else
            digit(key)
    }

    // Presses on the pad stay with the pad.
    MouseArea {
        anchors.fill: parent
    }

    Column {
        id: content
        x: pad.gap
        y: pad.gap
        width: pad.width - 2 * pad.gap
        spacing: pad.gap

        Text {
            width: parent.width
            visible: text !== ""
            text: pad.descriptionText.toLowerCase()
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
            color: Utils.theme("kivGrey", "#565757")
        }

        Row {
            width: parent.width
            spacing: pad.gap

            ActionButton {
                id: signKey
                objectName: "signKey"
                width: pad.keySize * 0.8
                height: pad.keySize * 0.8
                visible: pad.minimumValue < 0
                label: "±"
                labelSize: Utils.theme("largeText", Utils.dp(22))
                onButtonActivated: pad.press("±")
            }

            Rectangle {
                width: parent.width - backKey.width - parent.spacing
                       - (signKey.visible ? signKey.width + parent.spacing : 0)
                height: pad.keySize * 0.8
                border.color: Utils.theme("kivBlue", "#006eb8")
                radius: Utils.theme("buttonCornerRadius", Utils.dp(5))

                TextInput {
                    id: input
                    objectName: "numPadInput"
                    anchors.fill: parent
                    anchors.margins: pad.gap
                    verticalAlignment: TextInput.AlignVCenter
                    horizontalAlignment: TextInput.AlignRight
                    clip: true
                    readOnly: true
                    cursorVisible: pad.active
                    text: pad.text
                    font.pixelSize: Math.max(1, Utils.theme("largeText", Utils.dp(22)))
                }
            }

            ActionButton {
                id: backKey
                objectName: "backKey"
                width: pad.keySize * 0.8
                height: pad.keySize * 0.8
                symbol: "backIcon"
                onButtonActivated: pad.press("back")
            }
        }

        Slider {
            id: slider
            objectName: "numPadSlider"
            width: parent.width
            visible: pad.showSlider
            minimumValue: pad.minimumValue
            maximumValue: pad.maximumValue
            stepSize: pad.showDecimalPlace ? 0 : 1
            value: pad.value
            onValueChanged: {
                if (pressed)
                    pad.setValue(value)
            }
        }

        Grid {
            columns: 3
            spacing: pad.gap

            Repeater {
                model: ["7", "8", "9", "4", "5", "6", "1", "2", "3", ".", "0", ""]

                ActionButton {
                    objectName: "key" + modelData
                    width: pad.keySize
                    height: pad.keySize
                    label: modelData
                    labelSize: Utils.theme("largeText", Utils.dp(22))
                    // The blanks stay as gaps; "." only with decimals.
                    opacity: modelData === "" || (modelData === "." && !pad.showDecimalPlace) ? 0 : 1
                    enabled: opacity > 0
                    onButtonActivated: pad.press(modelData)
                }
            }
        }

        ActionButton {
            objectName: "doneKey"
            width: parent.width
            height: pad.keySize * 0.8
            symbol: "okIcon"
            pressedColor: Utils.theme("kivGreen", "#62ad2d")
            onButtonActivated: pad.press("done")
        }
    }
}
