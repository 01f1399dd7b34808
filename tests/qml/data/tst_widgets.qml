import QtQuick 2.4
import QtTest 1.1

// The shared widgets under a user's taps, with the real theme.
TestCase {
    id: testCase
    visible: true
    name: "Widgets"
    width: 800
    height: 600
    when: windowShown

    property var item: null

    SignalSpy { id: spy }
    SignalSpy { id: otherSpy }

    function make(file, properties) {
        var component = Qt.createComponent("qrc:/qml/Widgets/" + file + ".qml")
        compare(component.status, Component.Ready, component.errorString())
        item = component.createObject(testCase, properties || {})
        verify(item !== null)
        return item
    }

    function watch(target, signalName) {
        spy.signalName = signalName
        spy.target = target
        spy.clear()
    }

    // The arguments of every emission, as plain arrays.
    function emitted() {
        var all = []
        for (var i = 0; i < spy.count; ++i)
            all.push(Array.prototype.slice.call(spy.signalArguments[i]))
        return all
    }

    // A click in the middle of the index-th of `count` equal parts along x.
    function clickPart(target, index, count) {
        mouseClick(target, target.width * (index + 0.5) / count, target.height / 2)
    }

    function cleanup() {
        spy.target = null
        otherSpy.target = null
        if (item)
            item.destroy()
        item = null
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_deleteButton() {
        var button = make("DeleteButton", { width: 200, height: 40 })
        watch(button, "deleteActivated")
        compare(button.confirmDelay, _ui.deleteConfirmDelay)

        // Armed and left alone: it falls back without deleting.
        mouseClick(button)
        verify(button.confirming)
        compare(button.label, "Delete Project")
        verify(Qt.colorEqual(button.color, _ui.kivRed))
        compare(spy.count, 0)
        tryCompare(button, "confirming", false, _ui.deleteConfirmDelay + 2000)
        compare(button.label, "")
        compare(spy.count, 0)

        // Armed and tapped again: one delete.
        mouseClick(button)
        mouseClick(button)
        compare(spy.count, 1)
        verify(!button.confirming)
    }

    function test_segmentedButton_data() {
        return [
            { tag: "exclusive", exclusive: true, clicks: [1, 2, 2], active: [2] },
            { tag: "exclusive keeps the first", exclusive: true, clicks: [], active: [0] },
            { tag: "non-exclusive", exclusive: false, clicks: [0, 2], active: [0, 2] },
            { tag: "non-exclusive toggles off", exclusive: false, clicks: [0, 2, 0], active: [2] }
        ]
    }

    function test_segmentedButton(data) {
        var segmented = make("SegmentedButton", { width: 300, height: 40, exclusive: data.exclusive,
                                                  buttons: ["Online", "Offline", "Auto"] })
        watch(segmented, "clicked")
        for (var i = 0; i < data.clicks.length; ++i)
            clickPart(segmented, data.clicks[i], 3)
        compare(spy.count, data.clicks.length)
        for (var b = 0; b < 3; ++b)
            compare(segmented.isActive(b), data.active.indexOf(b) >= 0, "button " + b)
    }

    function test_ordinalToggle() {
        var toggle = make("OrdinalToggle", { width: 80, height: 40, ordinals: ["W", "E"] })
        watch(toggle, "toggled")
        compare(toggle.ordinal, "W")
        clickPart(toggle, 1, 2)
        compare(toggle.ordinal, "E")
        compare(emitted(), [["E"]])
        // Set in code: no toggle reported; unknown letters change nothing.
        toggle.setOrdinal("W")
        toggle.setOrdinal("N")
        compare(toggle.ordinal, "W")
        compare(spy.count, 1)
    }

    function test_switch_data() {
        return [
            { tag: "switch", file: "Switch", thumb: _ui.defaultAnimationDuration, colour: 200 },
            { tag: "small switch", file: "SmallSwitch", thumb: _ui.fastAnimationDuration,
              colour: _ui.fastAnimationDuration }
        ]
    }

    function test_switch(data) {
        var control = make(data.file, { x: 10, y: 10 })
        watch(control, "clicked")
        compare(control.thumbDuration, data.thumb)
        compare(control.colorDuration, data.colour)
        var thumb = findChild(control, "thumb")
        var track = findChild(control, "track")
        var ends = [control.inset, control.width - thumb.width - control.inset]
        for (var click = 1; click <= 2; ++click) {
            mouseClick(control)
            var on = click === 1
            compare(control.checked, on)
            tryCompare(thumb, "x", ends[on ? 1 : 0])
            tryVerify(function() { return Qt.colorEqual(track.color, on ? control.onColor : control.offColor) })
        }
        compare(spy.count, 2)
    }

    function test_segmentedButtonPicker() {
        var entries = [{ label: "XS (8pt)", value: 8 }, { label: "S (12pt)", value: 12 },
                       { label: "M (16pt)", value: 16 }]
        var picker = make("SegmentedButtonPicker", { x: 20, y: 20, width: 160, height: 40, model: entries })
        watch(picker, "valuePicked")
        picker.setValue(12)
        compare(picker.label, "S (12pt)")
        mouseClick(picker)
        var options = picker.options
        verify(options.shown)
        var list = findChild(options, "menuList")
        mouseClick(list, list.width / 2, options.rowHeight * 2.5)
        verify(!options.shown)
        compare(picker.value, 16)
        compare(picker.label, "M (16pt)")
        compare(emitted(), [[16]])
    }

    function test_lineStylePicker_data() {
        return [
            { tag: "solid", index: 0, style: 1 },
            { tag: "dotted", index: 1, style: 3 },
            { tag: "dashed", index: 2, style: 2 }
        ]
    }

    function test_lineStylePicker(data) {
        var tool = Qt.createQmlObject("import QtQuick 2.4; QtObject { property int lineStyle: Qt.DashLine }",
                                      testCase)
        var picker = make("LineStylePicker", { width: 150, height: 40, tool: tool })
        compare(picker.activeButton, 2)
        clickPart(picker, data.index, 3)
        compare(tool.lineStyle, data.style)
        compare(picker.lineStyle, data.style)
        // The tool's own change shows.
        tool.lineStyle = Qt.SolidLine
        compare(picker.activeButton, 0)
        tool.destroy()
    }

    function test_contextMenu() {
        var menu = make("ContextMenu", { model: ["Note", "Photo", "Sketch"] })
        watch(menu, "buttonActivated")
        verify(!menu.visible)
        menu.show(30, 40)
        verify(menu.visible)
        var list = findChild(menu, "menuList")
        compare(list.x, 30)
        compare(list.y, 40)
        mouseClick(list, list.width / 2, menu.rowHeight * 1.5)
        verify(!menu.visible)
        compare(emitted(), [[1]])

        // Near the edge it stays inside; a tap beside it closes it silently.
        menu.show(menu.width - 10, menu.height - 10)
        compare(list.x + list.width, menu.width)
        compare(list.y + list.height, menu.height)
        mouseClick(menu, 5, 5)
        verify(!menu.visible)
        menu.show()
        menu.hide()
        verify(!menu.visible)
        compare(spy.count, 1)
    }

    function test_saveButton_data() {
        return [
            { tag: "nothing to do", canSave: false, canReset: false },
            { tag: "save only", canSave: true, canReset: false },
            { tag: "both", canSave: true, canReset: true }
        ]
    }

    function test_saveButton(data) {
        var buttons = make("SaveButton", { canSave: data.canSave, canReset: data.canReset })
        watch(buttons, "saveClicked")
        otherSpy.signalName = "resetClicked"
        otherSpy.target = buttons
        otherSpy.clear()
        var save = findChild(buttons, "saveButton")
        var reset = findChild(buttons, "resetButton")
        compare(save.enabled, data.canSave)
        compare(reset.enabled, data.canReset)
        mouseClick(save)
        mouseClick(reset)
        compare(spy.count, data.canSave ? 1 : 0)
        compare(otherSpy.count, data.canReset ? 1 : 0)
    }

    ListModel {
        id: listModel
        ListElement { label: "Edit"; symbol: "editIcon" }
        ListElement { label: "Move"; symbol: "" }
        ListElement { label: "Delete"; symbol: "deleteIcon" }
    }

    function test_buttonGroup_data() {
        return [
            { tag: "row, list model", file: "ActionButtonGroup", vertical: false, listModel: true },
            { tag: "column, array", file: "ActionButtonGroup", vertical: true, listModel: false },
            { tag: "round, list model", file: "RoundedActionButtonGroup", vertical: false, listModel: true }
        ]
    }

    function test_buttonGroup(data) {
        var group = make(data.file, { vertical: data.vertical,
                                      model: data.listModel ? listModel : ["Edit", "Move", "Delete"] })
        watch(group, "buttonActivated")
        compare(group.children.length, 4)      // three buttons and the repeater
        var button = group.children[1]
        compare(button.label, "Move")
        verify(data.vertical ? button.y > 0 && button.x === 0 : button.x > 0 && button.y === 0)
        mouseClick(button)
        compare(emitted(), [[1]])
    }
}
