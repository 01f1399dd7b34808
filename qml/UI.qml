import QtQuick 2.4
import "Utils.js" as Utils

// The theme: sizes in logical units scaled by dp(), colours, durations, the
// icon font with its glyph tables and the reading formatters.
QtObject {
    id: ui

    function dp(x) { return Utils.dp(x) }

    // Sizes
    property real buttonHeight: dp(40)
    property real buttonWidth: dp(33)
    property real buttonCornerRadius: dp(5)
    property real buttonBorderWidth: 1
    property real innerMargin: dp(8)
    property real spacing: dp(8)
    property real toolBarWidth: dp(46)
    property real fullToolBarWidth: toolBarWidth + spacing
    property real toolDropShadowWidth: dp(18)
    property real toolBarSpacing: dp(12)
    property real margin: dp(10)
    property real deligateMargin: dp(8)
    property real panelWidth: dp(320)
    property real stereoNetDiameter: dp(480)
    property real smallMargin: dp(5)
    property real listCellHeight: dp(80)
    property real gridCellHeight: dp(46)
    property real gridCellWidth: dp(46)
    property real galleryGridSize: dp(128)
    property real dialogHeaderSize: dp(32)
    property real dialogHeaderMargin: dp(10)
    property real dialogButtonBarHeight: dp(44)
    property real dialogRadius: dp(8)
    property real maxCalloutTextWidth: dp(300)
    property real twoDp: dp(4)
    property real dp1: dp(1)
    property real dp2: dp(2)
    property real dp4: dp(4)
    property real dp6: dp(6)
    property real dp8: dp(8)
    property real dp16: dp(16)
    property real dp24: dp(24)
    property real dp40: dp(40)
    property real dp48: dp(48)
    property real dp64: dp(64)
    property real actionButtonHighlightWidth: dp(4)
    property real inputText: dp(18)
    property real mediumText: dp(18)
    property real microText: dp(12)
    property real smallText: dp(14)
    property real largeText: dp(22)
    property real veryLargeText: dp(28)
    property real giantText: dp(40)

    // Durations (ms)
    property int fastAnimationDuration: 100
    property int defaultAnimationDuration: 200
    property int lengthShort: 2000
    property int lengthLong: 4000
    property int deleteConfirmDelay: lengthShort

    // Colours
    property color kivRed: "#dd052b"
    property color kivYellow: "#ffcc00"
    property color kivGreen: "#62ad2d"
    property color kivLightBlue: "#009cde"
    property color kivBlue: "#006eb8"
    property color kivPurple: "#a55899"
    property color kivGrey: "#565757"
    property color activeToolColor: "#ffffff"
    property color inactiveToolColor: "#e8e8e8"
    property color activeButtonColor: kivBlue
    property color pressedButtonColor: kivLightBlue
    property color inactiveButtonColor: "#e8e8e8"
    property color buttonDisabledTint: "#80ffffff"
    property color listHighlightColor: "#ffffff"
    property color listSeparatorColor: "#cccccc"
    property color disabledToolColor: "#666666"
    property color smokedGlassColor: "#444444"
    property color normalIconColor: kivBlue
    property color pressedIconColor: kivLightBlue
    property color normalTextColor: "#333333"
    property color panelColor: "#f2f2f2"
    property color selectedRowColor: "#d6ecf8"

    // Icon font; `iconFont.name` is the family to use for glyph texts.
    property url fontSource: "qrc:/qml/fonts/kviconsetf.ttf"
    property FontLoader iconFont: FontLoader {
        source: ui.fontSource
        onStatusChanged: ui.reportFontStatus()
    }

    // Glyph names ("icn_" and the code point in hexadecimal) to glyphs, and
    // the semantic names the screens use to glyphs. Filled on completion.
    property var glyphs: ({})
    property var icons: ({})

    property bool fontFailureReported: false

    function reportFontStatus() {
        if (iconFont.status === FontLoader.Error && !fontFailureReported) {
            fontFailureReported = true
            console.warn("Failed to load font")
        }
    }

    function glyphName(codePoint) { return "icn_" + codePoint.toString(16) }

    function buildGlyphTable() {
        var table = {}
        for (var cp = 0xE800; cp <= 0xE8F0; ++cp)
            table[glyphName(cp)] = String.fromCharCode(cp)
        return table
    }

    function buildIconTable(glyphTable) {
        var codePoints = {
            backIcon: 0xE845, forwardIcon: 0xE84C, arrowRight: 0xE84C, leftArrow: 0xE84D,
            baseMapIcon: 0xE879, mapFoldIcon: 0xE87D, settingsIcon: 0xE82A, helpIcon: 0xE81C,
            infoIcon: 0xE820, okIcon: 0xE8C4, okIconFilled: 0xE8C4, cancelIcon: 0xE8D0,
            addIcon: 0xE8CC, menuIcon: 0xE838, grabHandleIcon: 0xE8E3, editIcon: 0xE897,
            annotationAddIcon: 0xE897, deleteIcon: 0xE86D, annotationToolIcon: 0xE8AC,
            annotationIcon: 0xE8B6, annotationFilledIcon: 0xE8B5, notebookIcon: 0xE808,
            stereonetIcon: 0xE875, projectIcon: 0xE8A9, localityIcon: 0xE87A,
            localityPinIcon: 0xE8C1, importDataIcon: 0xE814, exportDataIcon: 0xE830,
            changeProjectIcon: 0xE8E8, compassIcon: 0xE86F, cameraIcon: 0xE843,
            cameraRotateIcon: 0xE866, imageAddIcon: 0xE842, drawLineIcon: 0xE89C,
            northIcon: 0xE87F, orientationIcon: 0xE87E, locationIcon: 0xE870,
            gpsOnIcon: 0xE8D8, gpsOffIcon: 0xE8DD, gpsSearchingIcon: 0xE8DE,
            restoreIcon: 0xE827, undoIcon: 0xE82B, filterIcon: 0xE816, exitIcon: 0xE8D7,
            fullscreenIcon: 0xE89E, windowedIcon: 0xE895, visibleIcon: 0xE8D6,
            nonVisibleIcon: 0xE8D5, keyboardIcon: 0xE8BB, polyline: 0xE881,
            polylineMode: 0xE8EA, polygonMode: 0xE8E9,
            // The font has no polygon glyph of its own; the polygon mode glyph
            // stands in for it.
            polygon: 0xE8E9,
            // Folders in the file dialogs: the first glyph, unused by the rest.
            folderIcon: 0xE800,
            openFile: 0xE822, opacity: 0xE8D2, dipIcon: 0xE8D4, kivWings: 0xE8D3,
            online: 0xE8E2, manual: 0xE8DF, flag: 0xE818, lock: 0xE8E6, addImage: 0xE8E4,
            addPhoto: 0xE8E5, eraserIcon: 0xE89D, editLineNodes: 0xE8EB, splitLine: 0xE8EC,
            textIcon: 0xE8A1, paintIcon: 0xE8F0, dottedLine: 0xE8ED, dashedLine: 0xE8EE,
            solidLine: 0xE8EF, filter: 0xE83B
        }
        var table = {}
        for (var name in codePoints)
            table[name] = glyphTable[glyphName(codePoints[name])]
        return table
    }

    // The glyph of a semantic icon name, or the name itself when unknown.
    function convertIconName(name) {
        return icons.hasOwnProperty(name) ? icons[name] : name
    }

    property ListModel symbolIconListModel: ListModel {
        ListElement { iconId: 0; symbolType: 0; name: "Bedding"; display: 0 }
        ListElement { iconId: 1; symbolType: 0; name: "Overturned Bedding"; display: 0 }
        ListElement { iconId: 2; symbolType: 0; name: "Foliation"; display: 0 }
        ListElement { iconId: 3; symbolType: 0; name: "Second Foliation"; display: 0 }
        ListElement { iconId: 4; symbolType: 0; name: "Joint"; display: 0 }
        ListElement { iconId: 5; symbolType: 0; name: "Normal Fault"; display: 0 }
        ListElement { iconId: 6; symbolType: 0; name: "Reverse Fault"; display: 0 }
        ListElement { iconId: 7; symbolType: 0; name: "Strike Slip Dextral Fault"; display: 0 }
        ListElement { iconId: 8; symbolType: 0; name: "Strike Slip Sinistral Fault"; display: 0 }
        ListElement { iconId: 9; symbolType: 0; name: "Syncline"; display: 0 }
        ListElement { iconId: 10; symbolType: 0; name: "Anticline"; display: 0 }
        ListElement { iconId: 11; symbolType: 0; name: "Synform"; display: 0 }
        ListElement { iconId: 12; symbolType: 0; name: "Antiform"; display: 0 }
        ListElement { iconId: 13; symbolType: 8; name: "Lineation"; display: 8 }
        ListElement { iconId: 14; symbolType: 8; name: "Mineral"; display: 8 }
        ListElement { iconId: 15; symbolType: 8; name: "Fold Axis Z"; display: 8 }
        ListElement { iconId: 16; symbolType: 8; name: "Fold Axis S"; display: 8 }
        ListElement { iconId: 17; symbolType: 8; name: "Fold Axis M"; display: 8 }
        ListElement { iconId: 18; symbolType: 8; name: "Fold Axis Anticline"; display: 8 }
        ListElement { iconId: 19; symbolType: 8; name: "Fold Axis Syncline"; display: 8 }
    }

    // Reading formatters. Negative values mean "not known" and show nothing;
    // so do values that are not numbers at all. Numeric text is accepted.
    function reading(v) {
        if (typeof v === "number")
            return v
        if (typeof v === "string" && v.trim() !== "")
            return Number(v)
        return NaN
    }

    function isKnown(v) { return isFinite(v) && v >= 0 }

    function pad(value, digits) {
        var text = String(Math.round(value))
        while (text.length < digits)
            text = "0" + text
        return text
    }

    // Value 1 of the application manager's AngleConvention: DipStrikeRHR.
    function usesStrike() {
        return typeof _appManager !== "undefined" && _appManager !== null
                && _appManager.angleConvention === 1
    }

    function formatDip(d) {
        d = reading(d)
        return isKnown(d) ? pad(d, 2) : ""
    }

    function formatAzimuth(v) {
        v = reading(v)
        return isKnown(v) ? pad(v, 3) : ""
    }

    function formatAzimuthDegrees(v) { return formatAzimuth(v) + "°" }

    function formatHeading(v) {
        v = reading(v)
        return isKnown(v) ? pad(v, 3) + "°" : ""
    }

    function formatPlaneAzimuth(v) {
        v = reading(v)
        if (!isKnown(v))
            return ""
        return pad(usesStrike() ? strikeOf(v) : v, 3)
    }

    // The C++ strike rule (model/Strike.h); both are tested on one table.
    function strikeOf(dipAzimuth) {
        var strike = dipAzimuth - 90
        while (isFinite(strike) && strike < 0)
            strike += 360
        return strike
    }

    function formatPlaneAzimuthDegrees(v) { return formatPlaneAzimuth(v) + "°" }

    // Typed text back to a dip azimuth; "" for text that is not a number.
    function parsePlaneAzimuth(text) {
        var v = reading(text)
        if (!isFinite(v))
            return ""
        if (usesStrike()) {
            v += 90
            while (v >= 360)
                v -= 360
        }
        return String(Math.round(v))
    }

    function bytesToSize(n) {
        if (typeof n !== "number" || !isFinite(n) || n <= 0)
            return "n/a"
        var sizes = ["Bytes", "KB", "MB", "GB", "TB"]
        var i = 0
        while (n >= 1024 && i < sizes.length - 1) {
            n /= 1024
            ++i
        }
        return Math.round(n) + " " + sizes[i]
    }

    Component.onCompleted: {
        var glyphTable = buildGlyphTable()
        glyphs = glyphTable
        icons = buildIconTable(glyphTable)
        reportFontStatus()
    }
}
