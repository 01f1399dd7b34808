import QtQuick 2.4
import "../Utils.js" as Utils

// Colour choice: a saturation and value box, a hue strip, a preview of the
// colour and its "#rrggbb" text, which can be typed. `setColor` starts it
// from a colour; `color` is the colour picked.
Item {
    id: picker

    property color color: "#000000"
    property real hue: 0
    property real saturation: 0
    property real brightness: 0
    readonly property alias hexField: hexInput
    property bool showingColor: false

    function hsvOf(c) {
        if (typeof _appManager !== "undefined" && _appManager)
            return [_appManager.colorHue(c), _appManager.colorSaturation(c), _appManager.colorValue(c)]
        return [c.hsvHue, c.hsvSaturation, c.hsvValue]
    }

    function setColor(c) {
        color = Qt.tint(c, "transparent")
        var hsv = hsvOf(color)
        // Greys have no hue (-1): the strip stays where it was.
        if (hsv[0] >= 0)
            hue = hsv[0]
        saturation = hsv[1]
        brightness = hsv[2]
        if (!hexInput.activeFocus)
            hexInput.text = color.toString()
    }

    function setHsv(h, s, v) {
        hue = h
        saturation = s
        brightness = v
        color = Qt.hsva(h, s, v, 1)
        showingColor = true
        hexInput.text = color.toString()
        showingColor = false
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 1.2
    implicitHeight: Utils.theme("panelWidth", Utils.dp(320)) * 0.6

    ColorPickerBox {
        id: box
        objectName: "colorBox"
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.min(height, parent.width - hueStrip.width - side.width - 2 * spacer)
        hue: picker.hue
        saturation: picker.saturation
        brightness: picker.brightness
        onPicked: picker.setHsv(picker.hue, saturation, brightness)

        readonly property real spacer: Utils.theme("spacing", Utils.dp(8))
    }

    Rectangle {
        id: hueStrip
        objectName: "hueStrip"
        anchors.left: box.right
        anchors.leftMargin: box.spacer
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Utils.dp(28)
        gradient: Gradient {
            GradientStop { position: 0 / 6; color: "#ff0000" }
            GradientStop { position: 1 / 6; color: "#ffff00" }
            GradientStop { position: 2 / 6; color: "#00ff00" }
            GradientStop { position: 3 / 6; color: "#00ffff" }
            GradientStop { position: 4 / 6; color: "#0000ff" }
            GradientStop { position: 5 / 6; color: "#ff00ff" }
            GradientStop { position: 6 / 6; color: "#ff0000" }
        }

        Rectangle {
            y: picker.hue * parent.height - height / 2
            width: parent.width
            height: Utils.dp(4)
            color: "transparent"
            border.width: 1
            border.color: "#000000"
        }

        MouseArea {
            anchors.fill: parent
            preventStealing: true
            function pick(y) {
                picker.setHsv(Math.min(1, Math.max(0, y / Math.max(1, height))), picker.saturation, picker.brightness)
            }
            onPressed: pick(mouse.y)
            onPositionChanged: pick(mouse.y)
        }
    }

    Column {
        id: side
        anchors.left: hueStrip.right
        anchors.leftMargin: box.spacer
        anchors.top: parent.top
        width: Utils.theme("buttonWidth", Utils.dp(33)) * 3
        spacing: box.spacer

        Rectangle {
            objectName: "preview"
            width: parent.width
            height: width * 0.6
            color: picker.color
            border.width: 1
            border.color: Utils.theme("listSeparatorColor", "#cccccc")
        }

        Rectangle {
            width: parent.width
            height: Utils.theme("buttonHeight", Utils.dp(40))
            radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
            border.width: 1
            border.color: hexInput.activeFocus ? Utils.theme("kivBlue", "#006eb8")
                                               : Utils.theme("listSeparatorColor", "#cccccc")

            TextInput {
                id: hexInput
                objectName: "hexField"
                anchors.fill: parent
                anchors.margins: Utils.theme("smallMargin", Utils.dp(5))
                verticalAlignment: TextInput.AlignVCenter
                text: "#000000"
                font.pixelSize: Math.max(1, Utils.theme("inputText", Utils.dp(18)))
                color: Utils.theme("kivGrey", "#565757")
                selectByMouse: true
                validator: RegExpValidator { regExp: /#?[0-9a-fA-F]{0,6}/ }
                // A complete colour takes effect as it is typed (text set
                // by the picker arrives without focus).
                onTextChanged: {
                    if (!activeFocus || picker.showingColor)
                        return
                    var digits = text.charAt(0) === "#" ? text.substring(1) : text
                    if (digits.length === 6)
                        picker.setColor("#" + digits)
                }
                onEditingFinished: text = picker.color.toString()
            }
        }
    }
}
