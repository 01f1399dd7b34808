import QtQuick 2.4
import QtTest 1.1
import "qrc:/qml/Widgets"

// The shared number pad: its editing rules and its host in the dialog display.
TestCase {
    id: testCase
    visible: true
    name: "NumPad"
    width: 800
    height: 600
    when: windowShown

    property var display: null
    property var pad: null
    property var reported: []
    property int mapWheels: 0

    // Stands for a map view whose panels leave part of it visible.
    Item {
        id: mapView
        x: 20
        y: 10
        width: 700
        height: 560
        property rect visibleArea: Qt.rect(100, 50, 300, 440)
        MouseArea { anchors.fill: parent; onWheel: testCase.mapWheels += 1 }
    }

    NumPadTextField {
        id: dipField
        x: 40
        y: 40
        width: 80
        minimumValue: 0
        maximumValue: 90
        descriptionText: "Dip"
        showSlider: false
        text: "45"
        onNumPadValueChanged: testCase.reported.push(value)
    }

    NumPadTextField {
        id: mapField
        x: 600
        y: 500
        minimumValue: -90
        maximumValue: 10
        showDecimalPlace: true
        numPadXOffset: 30
        numPadYOffset: 500
        mapView: mapView
    }

    function init() {
        _appManager.logicalToPhysicalMultiplier = 1.0
        reported = []
        mapWheels = 0
        dipField.text = "45"
        var component = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml")
        compare(component.status, Component.Ready, component.errorString())
        display = component.createObject(testCase, { width: testCase.width, height: testCase.height })
        pad = display.numPad
    }

    function cleanup() {
        display.hideNumPad()
        display.destroy()
        display = null
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function key(name) {
        var item = findChild(pad, name)
        verify(item !== null, name)
        return item
    }

    function test_editing_data() {
        return [
            { tag: "digit above the maximum refused", keys: ["9", "5"], text: "9" },
            { tag: "digit up to the maximum", keys: ["9", "5", "0"], text: "90" },
            { tag: "zero on zero refused", start: "0", keys: ["0"], text: "0" },
            { tag: "zero after a point", decimals: true, start: "0.", keys: ["0"], text: "0.0" },
            { tag: "done on empty", keys: ["done"], text: "0" },
            { tag: "done on emptied", min: 1, max: 30, start: "7", keys: ["back", "done"], text: "7" },
            { tag: "done on letters", start: "abc", keys: ["done"], text: "0" },
            { tag: "done on a copied number above", start: "95", keys: ["done"], text: "90" },
            { tag: "done below the minimum", min: 10, start: "5", keys: ["done"], text: "10" },
            { tag: "done within the range", start: "45", keys: ["done"], text: "45" },
            { tag: "point on empty", decimals: true, keys: ["."], text: "0." },
            { tag: "point on a lone minus", min: -90, decimals: true, start: "-", keys: ["."], text: "-0." },
            { tag: "second point refused", decimals: true, start: "1.5", keys: ["."], text: "1.5" },
            { tag: "point refused without decimals", keys: ["4", "."], text: "4" },
            { tag: "sign on empty", min: -90, max: 10, keys: ["±"], text: "-" },
            { tag: "sign taken off", min: -90, max: 10, start: "-50", keys: ["±"], text: "50" },
            { tag: "sign taken off, then done", min: -90, max: 10, start: "-50", keys: ["±", "done"], text: "10" },
            { tag: "backspace at the end", max: 999, start: "123", keys: ["back"], text: "12" },
            { tag: "backspace before the cursor", max: 999, start: "123", cursor: 1, keys: ["back"], text: "23" },
            { tag: "backspace at the start", max: 999, start: "123", cursor: 0, keys: ["back"], text: "123" },
            { tag: "digit at the cursor", max: 999, start: "13", cursor: 1, keys: ["2"], text: "123" }
        ]
    }

    function test_editing(data) {
        pad.minimumValue = data.min !== undefined ? data.min : 0
        pad.maximumValue = data.max !== undefined ? data.max : 90
        pad.showDecimalPlace = data.decimals === true
        pad.active = true
        pad.text = data.start !== undefined ? data.start : ""
        pad.cursorPosition = data.cursor !== undefined ? data.cursor : pad.text.length
        for (var i = 0; i < data.keys.length; ++i)
            pad.press(data.keys[i])
        compare(pad.text, data.text)
        compare(pad.value, isFinite(Number(data.text)) ? Number(data.text) : 0)
        compare(pad.active, data.keys.indexOf("done") < 0)
    }

    function test_setValueIsClamped_data() {
        return [
            { tag: "above", value: 120, text: "90" },
            { tag: "below", value: -5, text: "0" },
            { tag: "inside", value: 33, text: "33" },
            { tag: "rounded", value: 33.6, text: "34" }
        ]
    }

    function test_setValueIsClamped(data) {
        pad.minimumValue = 0
        pad.maximumValue = 90
        display.setNumPadValue(data.value)
        compare(pad.text, data.text)
        compare(pad.value, Number(data.text))
    }

    function test_keysShown_data() {
        return [
            { tag: "no sign at zero", min: 0, decimals: false, sign: false, point: false },
            { tag: "sign below zero", min: -90, decimals: false, sign: true, point: false },
            { tag: "point with decimals", min: 0, decimals: true, sign: false, point: true }
        ]
    }

    function test_keysShown(data) {
        pad.minimumValue = data.min
        pad.showDecimalPlace = data.decimals
        pad.active = true
        compare(key("signKey").visible, data.sign)
        compare(key("key.").enabled, data.point)
    }

    function test_fieldOpensThePad() {
        mouseClick(dipField)
        verify(pad.active)
        verify(dipField.numPadActive)
        compare(pad.minimumValue, 0)
        compare(pad.maximumValue, 90)
        compare(pad.descriptionText, "Dip")
        verify(!pad.showSlider)
        compare(pad.stepSize, 1)
        compare(pad.text, "45")
        compare(reported, [])

        mouseClick(key("key4"))     // "454" lies above the maximum
        compare(reported, [])
        mouseClick(key("backKey"))
        compare(reported, [4])
        compare(dipField.text, "4")

        // The wheel beside the pad stays off the map; a press beside it
        // closes it and leaves the field.
        mouseWheel(testCase, 670, 510, 0, 120)
        compare(mapWheels, 0)
        mousePress(testCase, testCase.width - 5, testCase.height - 5)
        mouseRelease(testCase, testCase.width - 5, testCase.height - 5)
        verify(!pad.visible)
        verify(!dipField.numPadActive)
        compare(display.numPadField, null)
        mouseWheel(testCase, 670, 510, 0, 120)
        compare(mapWheels, 1)
    }

    function test_doneReportsTheClampedValue() {
        display.showNumPad(dipField)
        pad.text = "95"
        mouseClick(key("doneKey"))
        compare(reported[reported.length - 1], 90)
        verify(!dipField.numPadActive)
        compare(dipField.text, "90")
    }

    function test_padStaysWithinTheMapArea() {
        display.showNumPad(mapField)
        verify(pad.active)
        verify(pad.showDecimalPlace)
        var area = Qt.rect(mapView.x + 100, mapView.y + 50, 300, 440)
        verify(pad.x >= area.x && pad.x + pad.width <= area.x + area.width, pad.x)
        verify(pad.y >= area.y && pad.y + pad.height <= area.y + area.height, pad.y)
        // Another field takes the pad over.
        display.showNumPad(dipField)
        verify(!mapField.numPadActive)
        verify(dipField.numPadActive)
    }
}
