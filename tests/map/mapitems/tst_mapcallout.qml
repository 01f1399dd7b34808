import QtQuick 2.4
import QtTest 1.2

// The callout against a stand-in map view, the real dialog display and theme.
TestCase {
    id: testCase
    name: "MapCallout"
    width: 800
    height: 600
    visible: true
    when: windowShown

    property var callout: null
    property var display: null
    readonly property string longLabel: "A very long label that no callout shows in full, "
        + "however wide the screen may be"

    readonly property string localityTitle: "Delete this locality?"
    readonly property string localityText: "This locality may contain data. Deleting this locality will also "
        + "delete the data. This cannot be undone!\n\nAre you sure you want to continue?"

    QtObject {
        id: mapView
        property bool localityPicked: false
        property string selectedItemId: "a"
        property int deletions: 0
        function deleteSelectedItem() { deletions += 1 }
    }

    SignalSpy { id: infoSpy; signalName: "info" }
    SignalSpy { id: imageSpy; signalName: "viewImage" }

    function child(name) {
        var item = findChild(callout, name)
        verify(item !== null, name)
        return item
    }

    function findText(item, text) {
        if (item.text === text && item.visible)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = findText(item.children[i], text)
            if (found)
                return found
        }
        return null
    }

    function init() {
        mapView.localityPicked = false
        mapView.selectedItemId = "a"
        mapView.deletions = 0
        display = createTemporaryObject(Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml"), testCase,
                                        { width: testCase.width, height: testCase.height })
        var component = Qt.createComponent("qrc:/qml/MapCallout.qml")
        compare(component.status, Component.Ready, component.errorString())
        callout = createTemporaryObject(component, testCase, {
            mapView: mapView, pointPicked: true, pickedScreenPos: Qt.point(400, 300),
            pickedPointLabel: "Dip: 30°  Azimuth: 120°"
        })
        verify(callout !== null)
        infoSpy.target = callout
        imageSpy.target = callout
        infoSpy.clear()
        imageSpy.clear()
    }

    function confirm() {
        mouseClick(child("deleteButton"))
        var button = child("confirmButton")
        tryCompare(button, "opacity", 1)
        mouseClick(button)
    }

    function test_placement_data() {
        return [
            { tag: "no offset", pos: Qt.point(100, 200), offset: 0 },
            { tag: "symbol offset", pos: Qt.point(350, 420), offset: 23 },
            // Under its anchor: the balloon starts below the pointer's tip.
            { tag: "hanging under the anchor", pos: Qt.point(350, 20), offset: 23, below: true },
            // Slid sideways to stay whole in the free area; the pointer still
            // touches the anchor.
            { tag: "at the free area's right edge", pos: Qt.point(770, 300), offset: 0,
              area: Qt.rect(400, 0, 400, 600), right: 800 - 8 },
            { tag: "at the free area's left edge", pos: Qt.point(430, 300), offset: 0,
              area: Qt.rect(400, 0, 400, 600), left: 400 + 8 },
            // Wider than the free area: its text is cut, the balloon stays
            // whole inside, never over the panel.
            { tag: "free area narrower than the balloon", pos: Qt.point(700, 300), offset: 0,
              area: Qt.rect(640, 0, 160, 600), right: 800 - 8, label: "Plunge: 17°  Azimuth: 250°", cut: true },
            { tag: "never past the tool bar", pos: Qt.point(100, 300), offset: 0, minimumX: 60, left: 60 },
            { tag: "a long text beside an open panel, cut at the free area", pos: Qt.point(770, 300), offset: 0,
              area: Qt.rect(470, 0, 330, 600), minimumX: 60, maximumWidth: 800 - 60 - 8, right: 800 - 8,
              label: "Quarry above the ridge north of the hut", cut: true },
            { tag: "a longer text beside an open panel, cut at the free area", pos: Qt.point(770, 300),
              offset: 0, area: Qt.rect(470, 0, 330, 600), minimumX: 60, maximumWidth: 800 - 60 - 8,
              right: 800 - 8, label: longLabel, cut: true },
            { tag: "a longer text in a narrow window, cut at the free area", pos: Qt.point(300, 300), offset: 0,
              area: Qt.rect(240, 0, 160, 600), minimumX: 60, maximumWidth: 360, left: 240 + 8, label: longLabel,
              cut: true },
            // Its anchor under a panel, or so near one that the pointer would
            // take the balloon over it: not drawn.
            { tag: "the anchor under the panel", pos: Qt.point(200, 300), offset: 0, area: Qt.rect(400, 0, 400, 600),
              hidden: true },
            { tag: "the balloon at the panel's edge", edge: 0, offset: 0, area: Qt.rect(400, 0, 400, 600), left: 400 },
            { tag: "the balloon a pixel over the panel's edge", edge: -1, offset: 0, area: Qt.rect(400, 0, 400, 600),
              hidden: true },
            { tag: "the anchor on the position bar", pos: Qt.point(400, 590), offset: 23, area: Qt.rect(0, 0, 800, 560),
              hidden: true }
        ]
    }

    function test_placement(data) {
        // At the free area's left edge plus the pointer's reach, plus data.edge.
        var pos = data.edge !== undefined ? Qt.point(data.area.x + callout.pointerReach + data.edge, 300) : data.pos
        callout.pickedScreenPos = pos
        callout.calloutOffset = data.offset
        callout.below = !!data.below
        callout.freeArea = data.area || callout.freeArea
        callout.minimumX = data.minimumX || callout.minimumX
        callout.pickedPointLabel = data.label || callout.pickedPointLabel
        callout.maximumWidth = data.maximumWidth || callout.maximumWidth
        compare(callout.x, pos.x)
        var top = data.below ? pos.y + data.offset : pos.y - 1.3 * _ui.buttonHeight - data.offset
        compare(callout.y, top)
        compare(callout.bounds.y, top - pos.y)
        compare(callout.height, 1.2 * _ui.buttonHeight)
        compare(callout.visible, !data.hidden)
        compare(callout.enabled, !data.hidden)
        if (data.hidden)
            return
        var balloon = child("balloon")
        var left = balloon.mapToItem(testCase, 0, 0).x
        var expected = data.right !== undefined ? data.right - balloon.width
                     : data.left !== undefined ? data.left : pos.x - balloon.width / 2
        fuzzyCompare(left, expected, 0.5)
        compare(child("label").truncated, !!data.cut)
        var natural = Math.ceil(child("label").implicitWidth)
        var room = Math.min(callout.maximumWidth, callout.freeArea.width - 2 * _ui.innerMargin)
        fuzzyCompare(balloon.width, callout.fixedWidth + Math.min(natural, _ui.maxCalloutTextWidth,
                                                                  room - callout.fixedWidth), 0.5)
        if (data.area)
            verify(left >= data.area.x - 0.5 && left + balloon.width <= data.area.x + data.area.width + 0.5, left)
        fuzzyCompare(callout.bounds.x + pos.x, left, 0.5)
        var pointer = child("pointer")
        fuzzyCompare(pointer.mapToItem(testCase, pointer.width / 2, pointer.height / 2).x, pos.x, 0.5)
        fuzzyCompare(balloon.mapToItem(testCase, 0, 0).y, top + (data.below ? 0.3 * _ui.buttonHeight : 0), 0.01)
        callout.pointPicked = false
        verify(!callout.visible)
        verify(!callout.enabled)
    }

    TextMetrics { id: metrics }

    function test_widthRule_data() {
        return [
            { tag: "label", label: "Azimuth: 45°", description: "", image: false },
            { tag: "lineation", label: "Plunge: 17°  Azimuth: 250°", description: "", image: false },
            { tag: "photograph", label: "Image", description: "", image: true },
            { tag: "description wider", label: "Unit", description: "a comment wider than its label", image: false },
            { tag: "long label elided", label: longLabel, description: "", image: false, capped: true },
            { tag: "long description elided", label: "Quarry", description: longLabel + " " + longLabel,
              image: false, capped: true },
            // A merged locality's description starts with blank lines.
            { tag: "description after blank lines", label: "Quarry",
              description: "\n\nImported on Mon Jan 1 10:00:00 2024\nfrom Field", image: false,
              shows: "Imported on Mon Jan 1 10:00:00 2024 from Field" },
            { tag: "markup typed as text", label: "Line one <b>& \"x\", y", description: "", image: false,
              plain: true },
            { tag: "narrow free area", label: longLabel, description: "", image: true, capped: true,
              maximumWidth: 250 },
            // A locality's name typed over two lines, or after a line break.
            { tag: "name with a line break", label: "Ridge\nnorth", description: "", image: false,
              labelShows: "Ridge north" },
            { tag: "name after a line break", label: "\r\nRidge", description: "", image: false,
              labelShows: "Ridge" }
        ]
    }

    // The balloon fits its texts, each on one line and cut where too long.
    function test_widthRule(data) {
        if (data.maximumWidth)
            callout.maximumWidth = data.maximumWidth
        callout.pickedPointLabel = data.label
        callout.pickedPointDescription = data.description
        callout.imagePicked = data.image
        var fixed = (data.image ? _ui.buttonWidth : 0) + 2 * _ui.buttonWidth + 5 * _ui.buttonCornerRadius
            + 6 * _ui.innerMargin
        var natural = Math.ceil(Math.max(child("label").implicitWidth, child("description").implicitWidth))
        var text = Math.min(natural, _ui.maxCalloutTextWidth, (data.maximumWidth || Infinity) - fixed)
        if (data.capped)
            verify(natural > text)
        else
            verify(!child("label").truncated && !child("description").truncated)
        fuzzyCompare(callout.calloutWidth, fixed + text, 0.01)
        compare(child("balloon").width, callout.calloutWidth)
        compare(child("thumbnail").visible, data.image)
        var balloon = child("balloon")
        var texts = [child("label"), child("description")]
        for (var i = 0; i < texts.length; ++i) {
            var shown = texts[i]
            if (!shown.visible)
                continue
            compare(shown.lineCount, 1, shown.objectName)
            var top = shown.mapToItem(balloon, 0, 0).y
            verify(top >= 0 && top + shown.contentHeight <= balloon.height, shown.objectName)
            verify(shown.contentWidth <= shown.width + 0.5, shown.objectName)
        }
        if (data.shows !== undefined)
            compare(child("description").text, data.shows)
        if (data.labelShows !== undefined) {
            compare(child("label").text, data.labelShows)
            verify(child("label").contentWidth > 0)
        }
        if (data.plain) {
            metrics.font.pixelSize = _ui.smallText
            metrics.text = data.label
            fuzzyCompare(child("label").implicitWidth, metrics.advanceWidth, 1)
        }
    }

    function test_confirmDeletesAtOnceUnlessLocality() {
        confirm()
        compare(mapView.deletions, 1)
        verify(!_dialogController.messageBoxActive)
        tryCompare(child("confirmButton"), "visible", false)
    }

    function test_confirmFallsBackByItself() {
        mouseClick(child("deleteButton"))
        tryCompare(child("confirmButton"), "opacity", 1)
        tryCompare(child("confirmButton"), "visible", false, _ui.deleteConfirmDelay + 2000)
        compare(mapView.deletions, 0)
    }

    function test_localityAsksFirst_data() {
        return [
            { tag: "no keeps it", press: "No", deletions: 0 },
            { tag: "yes deletes it", press: "Yes", deletions: 1 },
            { tag: "yes after another selection", press: "Yes", deletions: 0, reselect: true }
        ]
    }

    function test_localityAsksFirst(data) {
        mapView.localityPicked = true
        confirm()
        compare(mapView.deletions, 0)
        verify(_dialogController.messageBoxActive)
        compare(_dialogController.messageBoxTitle, localityTitle)
        compare(_dialogController.messageBoxMessage, localityText)
        if (data.reselect)
            mapView.selectedItemId = "b"
        var box = findChild(display, "messageBox")
        tryCompare(box, "opacity", 1)
        mouseClick(findText(box, data.press))
        compare(mapView.deletions, data.deletions)
        // The answer was a one-shot: a later dialog deletes nothing.
        _dialogController.messageBox("Other", "Other question", _dialogController.yesNoButtons)
        _dialogController.dismissDialog(0)
        compare(mapView.deletions, data.deletions)
    }

    function test_buttonsEmitTheirSignals() {
        mouseClick(child("infoButton"))
        compare(infoSpy.count, 1)
        callout.imagePicked = true
        mouseClick(child("thumbnail"))
        compare(imageSpy.count, 1)
        compare(infoSpy.count, 1)
    }

    function test_thumbnailFadesIn() {
        var image = child("thumbnailImage")
        verify(image.asynchronous)
        verify(!image.cache)
        callout.pickedImageUrl = "qrc:/qml/images/logo.svg"
        compare(image.source, "")
        callout.imagePicked = true
        tryCompare(image, "status", Image.Ready)
        tryCompare(image, "opacity", 1)
    }
}
