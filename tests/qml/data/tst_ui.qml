import QtQuick 2.4
import QtTest 1.1
import "../../data/strikecases.js" as StrikeCases

// The theme object: scaling, icon tables, symbol list and the formatters.
TestCase {
    id: testCase
    visible: true
    name: "UI"

    // Index 1 of the application manager's AngleConvention is DipStrikeRHR.
    readonly property int dipAzimuth: 0
    readonly property int dipStrikeRHR: 1

    function init() {
        _appManager.angleConvention = dipAzimuth
        _appManager.logicalToPhysicalMultiplier = 1.0
    }

    function cleanupTestCase() {
        init()
    }

    function cleanup() {
        compare(_testSupport.takeWarnings(), [])
    }

    function initTestCase() {
        // Making the theme object, icon font included, logged nothing.
        compare(_testSupport.setupWarnings(), [])
        compare(_ui.iconFont.status, FontLoader.Ready)
        compare(_ui.iconFont.name, "kviconsetf")
        verify(!_ui.fontFailureReported)
    }

    function test_missingFontIsLogged() {
        ignoreWarning("Failed to load font")
        var theme = Qt.createComponent("qrc:/qml/UI.qml").createObject(testCase,
                { fontSource: "qrc:/qml/fonts/missing.ttf" })
        verify(theme !== null)
        tryCompare(theme.iconFont, "status", FontLoader.Error)
        verify(theme.fontFailureReported)
        compare(_testSupport.takeWarnings().length, 1)
        theme.destroy()
    }

    function test_scaling_data() {
        return [
            { tag: "unit factor", factor: 1.0, logical: 40, name: "buttonHeight" },
            { tag: "double", factor: 2.0, logical: 40, name: "buttonHeight" },
            { tag: "small screen", factor: 0.657, logical: 320, name: "panelWidth" },
            { tag: "margin", factor: 1.5, logical: 10, name: "margin" },
            { tag: "tool bar", factor: 2.0, logical: 46 + 8, name: "fullToolBarWidth" },
            { tag: "two dp", factor: 3.0, logical: 4, name: "twoDp" },
            { tag: "large text", factor: 1.25, logical: 22, name: "largeText" }
        ]
    }

    function test_scaling(data) {
        _appManager.logicalToPhysicalMultiplier = data.factor
        fuzzyCompare(_ui[data.name], data.logical * data.factor, 1e-9)
        fuzzyCompare(_ui.dp(data.logical), data.logical * data.factor, 1e-9)
    }

    function test_borderWidthDoesNotScale() {
        _appManager.logicalToPhysicalMultiplier = 3.0
        compare(_ui.buttonBorderWidth, 1)
        compare(_ui.deleteConfirmDelay, _ui.lengthShort)
    }

    function test_convertIconName_data() {
        return [
            { tag: "ok", name: "okIcon", glyph: "\ue8c4" },
            { tag: "ok filled shares the glyph", name: "okIconFilled", glyph: "\ue8c4" },
            { tag: "info", name: "infoIcon", glyph: "\ue820" },
            { tag: "cancel", name: "cancelIcon", glyph: "\ue8d0" },
            { tag: "keyboard", name: "keyboardIcon", glyph: "\ue8bb" },
            { tag: "highest code point", name: "paintIcon", glyph: "\ue8f0" },
            { tag: "lowest used", name: "notebookIcon", glyph: "\ue808" },
            { tag: "wings", name: "kivWings", glyph: "\ue8d3" },
            { tag: "polygon", name: "polygon", glyph: "\ue8e9" },
            { tag: "unknown", name: "noSuchIcon", glyph: "noSuchIcon" },
            { tag: "object member", name: "toString", glyph: "toString" },
            { tag: "empty", name: "", glyph: "" },
            { tag: "glyph passes through", name: "\ue845", glyph: "\ue845" }
        ]
    }

    function test_convertIconName(data) {
        compare(_ui.convertIconName(data.name), data.glyph)
    }

    function test_glyphTableCoversTheFont() {
        var count = 0
        for (var name in _ui.glyphs) {
            verify(/^icn_e8[0-9a-f]{2}$/.test(name), name)
            ++count
        }
        compare(count, 0xE8F0 - 0xE800 + 1)
        for (var icon in _ui.icons) {
            var glyph = _ui.icons[icon]
            compare(glyph.length, 1, icon)
            verify(glyph.charCodeAt(0) >= 0xE800 && glyph.charCodeAt(0) <= 0xE8F0, icon)
        }
    }

    function test_symbolIconList() {
        var model = _ui.symbolIconListModel
        var names = ["Bedding", "Overturned Bedding", "Foliation", "Second Foliation", "Joint",
                     "Normal Fault", "Reverse Fault", "Strike Slip Dextral Fault",
                     "Strike Slip Sinistral Fault", "Syncline", "Anticline", "Synform", "Antiform",
                     "Lineation", "Mineral", "Fold Axis Z", "Fold Axis S", "Fold Axis M",
                     "Fold Axis Anticline", "Fold Axis Syncline"]
        compare(model.count, 20)
        for (var i = 0; i < model.count; ++i) {
            var row = model.get(i)
            compare(row.iconId, i)
            compare(row.name, names[i])
            compare(row.symbolType, i < 13 ? 0 : 8, names[i])
            compare(row.display, row.symbolType, names[i])
        }
    }

    function test_format_data() {
        return [
            { tag: "dip unknown", fn: "formatDip", value: -1, text: "" },
            { tag: "dip rounds down", fn: "formatDip", value: 5.4, text: "05" },
            { tag: "dip rounds up", fn: "formatDip", value: 9.5, text: "10" },
            { tag: "dip zero", fn: "formatDip", value: 0, text: "00" },
            { tag: "dip ninety", fn: "formatDip", value: 90, text: "90" },
            { tag: "dip not a number", fn: "formatDip", value: NaN, text: "" },
            { tag: "dip undefined", fn: "formatDip", value: undefined, text: "" },
            { tag: "dip numeric text", fn: "formatDip", value: "7", text: "07" },
            { tag: "azimuth padded", fn: "formatAzimuth", value: 7, text: "007" },
            { tag: "azimuth two digits", fn: "formatAzimuth", value: 45.5, text: "046" },
            { tag: "azimuth three digits", fn: "formatAzimuth", value: 359.4, text: "359" },
            { tag: "azimuth unknown", fn: "formatAzimuth", value: -0.1, text: "" },
            { tag: "azimuth degrees", fn: "formatAzimuthDegrees", value: 12, text: "012°" },
            { tag: "azimuth degrees unknown", fn: "formatAzimuthDegrees", value: -1, text: "°" },
            { tag: "heading", fn: "formatHeading", value: 5, text: "005°" },
            { tag: "heading unknown", fn: "formatHeading", value: -1, text: "" },
            { tag: "bytes zero", fn: "bytesToSize", value: 0, text: "n/a" },
            { tag: "bytes small", fn: "bytesToSize", value: 512, text: "512 Bytes" },
            { tag: "bytes below a kilobyte", fn: "bytesToSize", value: 1023, text: "1023 Bytes" },
            { tag: "bytes kilobyte", fn: "bytesToSize", value: 1024, text: "1 KB" },
            { tag: "bytes kilobyte and a half", fn: "bytesToSize", value: 1536, text: "2 KB" },
            { tag: "bytes megabyte", fn: "bytesToSize", value: 1048576, text: "1 MB" },
            { tag: "bytes gigabytes", fn: "bytesToSize", value: 3 * 1073741824, text: "3 GB" },
            { tag: "bytes terabyte", fn: "bytesToSize", value: 1099511627776, text: "1 TB" },
            { tag: "bytes beyond terabytes", fn: "bytesToSize", value: 1125899906842624, text: "1024 TB" },
            { tag: "bytes negative", fn: "bytesToSize", value: -5, text: "n/a" }
        ]
    }

    function test_format(data) {
        compare(_ui[data.fn](data.value), data.text)
    }

    function test_planeAzimuth_data() {
        return [
            { tag: "azimuth convention", convention: dipAzimuth, value: 30, text: "030" },
            { tag: "azimuth unknown", convention: dipAzimuth, value: -1, text: "" },
            { tag: "strike of 30", convention: dipStrikeRHR, value: 30, text: "300" },
            { tag: "strike of 90", convention: dipStrikeRHR, value: 90, text: "000" },
            { tag: "strike of 180", convention: dipStrikeRHR, value: 180, text: "090" },
            { tag: "strike of 0", convention: dipStrikeRHR, value: 0, text: "270" },
            { tag: "strike unknown", convention: dipStrikeRHR, value: -1, text: "" }
        ]
    }

    function test_planeAzimuth(data) {
        _appManager.angleConvention = data.convention
        compare(_ui.formatPlaneAzimuth(data.value), data.text)
        compare(_ui.formatPlaneAzimuthDegrees(data.value), data.text + "°")
    }

    function test_strikeOf_data() {
        return StrikeCases.cases
    }

    // The same table as the C++ rule's test.
    function test_strikeOf(data) {
        fuzzyCompare(_ui.strikeOf(data.dipAzimuth), data.strike, 1e-9)
    }

    function test_parsePlaneAzimuth_data() {
        return [
            { tag: "azimuth", convention: dipAzimuth, text: "30", value: "30" },
            { tag: "azimuth rounded", convention: dipAzimuth, text: "30.6", value: "31" },
            { tag: "azimuth padded text", convention: dipAzimuth, text: " 007 ", value: "7" },
            { tag: "strike 300", convention: dipStrikeRHR, text: "300", value: "30" },
            { tag: "strike 270 wraps to 0", convention: dipStrikeRHR, text: "270", value: "0" },
            { tag: "strike 0", convention: dipStrikeRHR, text: "0", value: "90" },
            { tag: "strike beyond a turn", convention: dipStrikeRHR, text: "700", value: "70" },
            { tag: "not a number", convention: dipAzimuth, text: "abc", value: "" },
            { tag: "not a number as strike", convention: dipStrikeRHR, text: "abc", value: "" },
            { tag: "trailing letters", convention: dipAzimuth, text: "12abc", value: "" },
            { tag: "empty", convention: dipStrikeRHR, text: "", value: "" }
        ]
    }

    function test_parsePlaneAzimuth(data) {
        _appManager.angleConvention = data.convention
        compare(_ui.parsePlaneAzimuth(data.text), data.value)
    }

    function test_strikeRoundTrip() {
        _appManager.angleConvention = dipStrikeRHR
        for (var azimuth = 0; azimuth < 360; azimuth += 15)
            compare(_ui.parsePlaneAzimuth(_ui.formatPlaneAzimuth(azimuth)), String(azimuth))
    }
}
