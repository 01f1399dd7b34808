import QtQuick 2.4
import QtTest 1.1
import "widgetfiles.js" as WidgetFiles

// Without the theme object every file still loads without a warning, and a
// message box can still be answered.
TestCase {
    id: testCase
    visible: true
    name: "NoTheme"
    width: 800
    height: 600
    when: windowShown

    function initTestCase() {
        _testSupport.setThemePresent(false)
        verify(typeof _ui === "undefined")
    }

    function cleanupTestCase() {
        _testSupport.setThemePresent(true)
    }

    function test_load_data() {
        return [
            { tag: "main", file: "main.qml" },
            { tag: "splash", file: "Splash.qml" },
            { tag: "project view", file: "ProjectView.qml" },
            { tag: "dialog display", file: "Dialogs/DialogDisplay.qml" },
            { tag: "base dialog", file: "Dialogs/BaseDialog.qml" },
            { tag: "message dialog", file: "Dialogs/MessageDialog.qml" },
            { tag: "action button", file: "Widgets/ActionButton.qml" },
            { tag: "activity indicator", file: "Widgets/ActivityIndicator.qml" },
            { tag: "button bar", file: "Widgets/DialogButtonBar.qml" },
            { tag: "header button", file: "Widgets/DialogHeaderButton.qml" }
        ].concat(WidgetFiles.rows())
    }

    function test_load(data) {
        var component = Qt.createComponent("qrc:/qml/" + data.file)
        compare(component.status, Component.Ready, component.errorString())
        var item = component.createObject(testCase, data.sized === false ? {} : { width: 400, height: 300 })
        verify(item !== null)
        wait(50)
        item.destroy()
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_messageBoxStillAnswers() {
        var display = Qt.createComponent("qrc:/qml/Dialogs/DialogDisplay.qml").createObject(testCase,
                { width: 800, height: 600 })
        var answers = []
        var receiver = function(value) {
            answers.push(value)
            _dialogController.result.disconnect(receiver)
        }
        _dialogController.result.connect(receiver)
        _dialogController.messageBox("Notice", "Something happened.")
        var box = findChild(display, "messageBox")
        tryCompare(box, "opacity", 1)
        box.dismiss(0)
        compare(answers, [0])
        display.destroy()
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }
}
