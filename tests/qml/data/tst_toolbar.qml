import QtQuick 2.4
import QtTest 1.1

// The map tool bar: its two states, the tool buttons, export and help.
TestCase {
    id: testCase
    visible: true
    name: "ToolBar"
    width: 1024
    height: 768
    when: windowShown

    property var bar: null

    QtObject { id: clino; property string toolName: "clino"; property string imageSrc: ""; property string iconLabel: "Clino" }
    QtObject { id: line; property string toolName: "line"; property string imageSrc: ""; property string iconLabel: "Line" }

    SignalSpy { id: toolSpy; signalName: "toolClicked" }
    SignalSpy { id: backSpy; signalName: "backClicked" }
    SignalSpy { id: undoSpy; signalName: "undoClicked" }

    function init() {
        bar = Qt.createComponent("qrc:/qml/ToolBar.qml").createObject(testCase,
                { width: testCase.width, height: testCase.height, tools: [clino, line] })
        verify(bar !== null)
        for (var spy of [toolSpy, backSpy, undoSpy]) {
            spy.clear()
            spy.target = bar
        }
    }

    function cleanup() {
        bar.destroy()
        bar = null
        wait(0)
        _dialogController.toastReady = false
        compare(_testSupport.takeWarnings(), [])
    }

    function buttonsNamed(name) {
        var found = []
        var column = findChild(bar, "headerButton").parent
        for (var i = 0; i < column.children.length; ++i) {
            if (column.children[i].objectName === name)
                found.push(column.children[i])
        }
        return found
    }

    function test_statesAndExtent() {
        compare(bar.state, "THIN")
        verify(!bar.expanded)
        compare(bar.uiExtent, _ui.fullToolBarWidth)
        verify(!findChild(bar, "veil").visible)

        mouseClick(findChild(bar, "headerButton"), _ui.fullToolBarWidth / 2, 10)
        compare(bar.state, "WIDE")
        verify(bar.expanded)
        tryCompare(bar, "uiExtent", _ui.panelWidth + _ui.fullToolBarWidth)
        tryCompare(findChild(bar, "veil"), "opacity", 0.7)

        mouseClick(bar, bar.width - 10, bar.height / 2)
        compare(bar.state, "THIN")
        tryCompare(bar, "uiExtent", _ui.fullToolBarWidth)
    }

    function test_toolButtonsEmitTheirTool() {
        var buttons = buttonsNamed("toolButton")
        compare(buttons.length, 2)
        mouseClick(buttons[1], _ui.fullToolBarWidth / 2, buttons[1].height / 2)
        compare(toolSpy.count, 1)
        compare(toolSpy.signalArguments[0][0], line)
    }

    // From the wide menu too; with nothing to undo the undo button is off.
    function test_backAndUndo() {
        bar.expand()
        mouseClick(findChild(bar, "backButton"), _ui.fullToolBarWidth / 2, 10)
        compare(backSpy.count, 1)
        compare(bar.state, "THIN")
        var undo = findChild(bar, "undoButton")
        verify(!undo.enabled)
        mouseClick(undo, _ui.fullToolBarWidth / 2, 10)
        compare(undoSpy.count, 0)
    }

    function test_spacingFollowsTheHeight_data() {
        return [ { tag: "tall", height: 900 }, { tag: "short", height: 600 }, { tag: "too short", height: 480 } ]
    }

    function test_spacingFollowsTheHeight(data) {
        bar.height = data.height
        compare(bar.buttonSpacing,
                Math.max(0, Math.min(_ui.toolBarSpacing, (data.height - 12 * _ui.fullToolBarWidth) / 11)))
        compare(findChild(bar, "headerButton").parent.spacing, bar.buttonSpacing)
    }

    function test_exportNeedsLocalities() {
        var manager = _testSupport.useRealModelManager(1)
        bar.expand()
        var exportButton = findChild(bar, "exportButton")
        tryCompare(exportButton, "opacity", 1)
        mouseClick(exportButton)
        _dialogController.toastReady = true
        tryCompare(_dialogController, "toastMessage", "Cannot export empty project")
        compare(_dialogController.customDialogType, "")

        verify(_testSupport.addLocality(manager.currentProject.qmlId()))
        mouseClick(exportButton)
        compare(_dialogController.customDialogType, "ExportProjectDialog.qml")
        _dialogController.dismissDialog(1)
    }

    function test_helpOpensTheHelpPage_data() {
        return [ { tag: "thin bar", wide: false },
                 // The help shows over the map, not under the open menu.
                 { tag: "wide menu", wide: true } ]
    }

    function test_helpOpensTheHelpPage(data) {
        var display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase)
        _appManager.isDesktopOS = true
        if (data.wide) {
            bar.expand()
            tryCompare(bar, "uiExtent", _ui.panelWidth + _ui.fullToolBarWidth)
        }
        mouseClick(findChild(bar, "helpButton"), _ui.fullToolBarWidth / 2, 10)
        compare(_testSupport.takeOpenedUrls(), [display.helpUrl()])
        compare(bar.state, "THIN")
        tryCompare(bar, "uiExtent", _ui.fullToolBarWidth)
        display.destroy()
    }
}
