import QtQuick 2.4
import "../Utils.js" as Utils

// One coordinate typed by hand, as degrees-minutes-seconds with a hemisphere
// toggle or as signed decimal degrees, following the location manager's
// input mode. Text the manager refuses is put back at once; what is typed is
// only offered (`typingEnded`) once the field is left, by Return or focus loss.
Item {
    id: field

    property bool latitude: true
    // The accepted angle, fixed with 6 decimals.
    property string value: ""
    property var locationManager: (typeof _appManager !== "undefined" && _appManager)
                                  ? _appManager.locationManager : null
    readonly property bool decimalMode: locationManager ? locationManager.inputMode === 1 : false
    readonly property string hemisphere: toggle.ordinal
    property alias text: input.text
    property alias cursorPosition: input.cursorPosition
    property alias inputItem: input
    readonly property bool inputFocus: input.activeFocus
    property bool editing: false
    // Keys (or the hemisphere) changed the text since it showed the position held.
    property bool typed: false
    property real pixelSize: Utils.theme("inputText", Utils.dp(18))

    // The user picked the other hemisphere.
    signal ordinalChanged()
    // Return, or the focus went elsewhere.
    signal typingEnded()
    // A typed key was refused: by the mask or the decimal form, or as out of range.
    signal keyRefused()

    property string lastAccepted: ""
    property bool swapping: false
    // The text and cursor before a typed character, until it is checked.
    property var beforeKey: null

    // A mask has a fixed number of digits: decimal degrees of another width
    // would show its blanks inside the number, so they take a validator.
    function maskFor(decimal) {
        if (decimal)
            return ""
        return latitude ? "09° 09' 09.99\";_" : "009° 09' 09.99\";_"
    }

    function parse(text) {
        if (!locationManager)
            return NaN
        // Without a digit the field is cleared and reads as zero.
        if (decimalMode)
            return /\d/.test(text) ? locationManager.parseDD(text, latitude) : 0
        return locationManager.parseDMS(text, toggle.ordinal)
    }

    function formatted(angle) {
        return latitude ? locationManager.latitudeForAngle(angle) : locationManager.longitudeForAngle(angle)
    }

    // The text the field shows for an angle: the hemisphere has its toggle.
    function textFor(angle) {
        var shown = formatted(angle)
        return decimalMode ? shown + "°" : shown.slice(0, -2)
    }

    function knownCoordinate() {
        if (!locationManager)
            return null
        var coordinate = locationManager.lastKnownCoordinate
        return locationManager.isValidCoordinate(coordinate) ? coordinate : null
    }

    function updateEditing() {
        var coordinate = knownCoordinate()
        if (!coordinate || input.text === "")
            return
        editing = input.text !== textFor(latitude ? coordinate.y : coordinate.x)
    }

    // Shows an angle, with its hemisphere in the degrees-minutes-seconds mode.
    function setAngle(angle) {
        if (!decimalMode)
            toggle.setOrdinal(formatted(angle).slice(-1))
        input.text = textFor(angle)
    }

    // Nothing typed but the mask: the field was emptied (or never filled).
    // A lone sign or point is the start of a decimal number.
    function blank() {
        return !(decimalMode ? /[\d.-]/ : /\d/).test(input.text)
    }

    // Every digit the mask requires is there and the angle is in range: a
    // half-typed coordinate is no position. (The input's own acceptableInput
    // also wants the optional digits.)
    function complete() {
        if (!/\d/.test(input.text) || isNaN(parse(input.text)))
            return false
        var mask = input.inputMask.split(";")[0]
        var shown = input.displayText
        for (var i = 0; i < mask.length; ++i) {
            if (mask[i] === "0" && !/\d/.test(shown.charAt(i)))
                return false
        }
        return true
    }

    // Swaps the mask for the current input mode and shows the last known
    // coordinate again.
    function refill() {
        swapping = true
        input.inputMask = maskFor(decimalMode)
        swapping = false
        showHeld()
    }

    // The last known coordinate, or an empty field without one.
    function showHeld() {
        var coordinate = knownCoordinate()
        if (coordinate) {
            setAngle(latitude ? coordinate.y : coordinate.x)
        } else {
            // Nothing known yet: north and east, as a zero angle shows.
            toggle.setOrdinal(latitude ? "N" : "E")
            input.text = ""
        }
        lastAccepted = input.text
        typed = false
    }

    function accept() {
        var result = parse(input.text)
        if (isNaN(result)) {
            var cursor = input.cursorPosition
            input.text = lastAccepted
            input.cursorPosition = Math.max(0, cursor - 1)
            if (beforeKey)
                beforeKey.refused = true
            return
        }
        lastAccepted = input.text
        value = result.toFixed(6)
        updateEditing()
    }

    function isMark(key) {
        return !decimalMode && !/\d/.test(key) && input.inputMask.split(";")[0].indexOf(key) >= 0
    }

    // Once the input had the key: a character that left the text as it was
    // was refused, and the user is told rather than left guessing.
    function checkKey() {
        var before = beforeKey
        beforeKey = null
        if (before && (before.refused || (input.text === before.text && input.cursorPosition === before.cursor)))
            keyRefused()
    }

    // What a paste over `start`..`end` of `text` gives, tried on a hidden
    // input checked by `validator`. Over no text and unchecked it is the
    // clipboard's text: QML reads the clipboard only through a paste.
    function pasteInto(text, start, end, validator) {
        scratch.validator = validator
        scratch.text = text
        scratch.select(start, end)
        scratch.paste()
        return scratch.text
    }

    // The text a paste of `keys` gives, or null when some of it would be
    // dropped: in the mask a digit fills the next slot and a mark moves on
    // to that mark; a decimal number is checked by its validator.
    function pasted(keys) {
        var start = input.selectionStart
        var end = input.selectionEnd
        if (decimalMode) {
            var spliced = input.text.slice(0, start) + keys + input.text.slice(end)
            return pasteInto(input.text, start, end, input.validator) === spliced ? spliced : null
        }
        var mask = input.inputMask.split(";")
        var slot = function(i) { return mask[0][i] === "0" || mask[0][i] === "9" }
        var shown = input.displayText.split("")
        for (var i = start; i < end; ++i) {
            if (slot(i))
                shown[i] = mask[1]
        }
        i = start
        for (var k = 0; k < keys.length; ++k) {
            if (/\d/.test(keys[k])) {
                while (i < shown.length && !slot(i))
                    ++i
                if (i >= shown.length)
                    return null
                shown[i++] = keys[k]
            } else {
                i = mask[0].indexOf(keys[k], i)
                if (i < 0)
                    return null
                ++i
            }
        }
        return shown.join("").split(mask[1]).join("")
    }

    // A paste is taken only whole: nothing of it dropped and the result in
    // range; then it goes in as typed keys do. Otherwise the text stays as
    // it was and the refusal is told as a refused key's.
    function paste() {
        var keys = pasteInto("", 0, 0, null)
        if (keys === "")
            return
        var result = pasted(keys)
        if (result === null || isNaN(parse(result))) {
            keyRefused()
            return
        }
        beforeKey = { text: input.text, cursor: input.cursorPosition, refused: false }
        input.paste()
        checkKey()
    }

    implicitWidth: widest.advanceWidth + Utils.dp(16) + (toggle.visible ? toggle.implicitWidth + Utils.dp(4) : 0)
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))

    Component.onCompleted: refill()
    onDecimalModeChanged: refill()
    onLocationManagerChanged: refill()

    RegExpValidator {
        id: decimalDegrees
        regExp: /-?\d{0,3}(\.\d{0,6})?°?/
    }

    // Room for the longest text either mode allows.
    TextMetrics {
        id: widest
        font.pixelSize: Math.max(1, field.pixelSize)
        text: field.latitude ? "00° 00' 00.00\"0" : "000° 00' 00.00\"0"
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: toggle.visible ? toggle.left : parent.right
        anchors.rightMargin: toggle.visible ? Utils.dp(4) : 0
        height: parent.height
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        border.width: 1
        border.color: input.activeFocus ? Utils.theme("kivBlue", "#006eb8") : Utils.theme("listSeparatorColor", "#cccccc")

        TextInput {
            id: input
            objectName: "coordinateInput"
            anchors.fill: parent
            anchors.leftMargin: Utils.dp(6)
            verticalAlignment: TextInput.AlignVCenter
            clip: true
            font.pixelSize: Math.max(1, field.pixelSize)
            color: Utils.theme("kivGrey", "#565757")
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            selectByMouse: true
            validator: field.decimalMode ? decimalDegrees : null
            onTextChanged: {
                if (!field.swapping)
                    field.accept()
            }
            // An empty mask is typed from its start, wherever it was tapped.
            onCursorPositionChanged: {
                if (!field.decimalMode && field.blank() && cursorPosition !== 0)
                    cursorPosition = 0
            }
            onActiveFocusChanged: if (!activeFocus) field.typingEnded()
            // A typed character is checked at its release, or the next key,
            // or else soon after.
            Keys.onPressed: {
                event.accepted = false
                field.checkKey()
                if (event.matches(StandardKey.Paste)) {
                    event.accepted = true
                    field.paste()
                    return
                }
                // A mark of the mask moves on to that mark, or is already
                // passed when the mask skipped it: never a refused key.
                if (event.text.length === 1 && event.text >= " " && event.text !== "\x7f"
                        && !field.isMark(event.text)) {
                    field.beforeKey = { text: text, cursor: cursorPosition, refused: false }
                    Qt.callLater(field.checkKey)
                }
            }
            Keys.onReleased: { field.checkKey(); event.accepted = false }
            // No editingFinished here: the mask holds it back for a half-typed
            // text, which is still left and refused aloud.
            Keys.onReturnPressed: { field.typingEnded(); event.accepted = false }
            Keys.onEnterPressed: { field.typingEnded(); event.accepted = false }
        }
    }

    TextInput {
        id: scratch
        visible: false
    }

    OrdinalToggle {
        id: toggle
        objectName: "ordinalToggle"
        anchors.right: parent.right
        height: parent.height
        visible: !field.decimalMode
        ordinals: field.latitude ? ["N", "S"] : ["W", "E"]
        onOrdinalChanged: {
            if (!field.editing)
                field.accept()
        }
        onToggled: {
            field.editing = true
            field.typed = true
            field.accept()
            field.ordinalChanged()
        }
    }
}
