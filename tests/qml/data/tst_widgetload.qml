import QtQuick 2.4
import QtTest 1.1
import "widgetfiles.js" as WidgetFiles

// With the theme every widget and dialog loads with its defaults, without a
// QML warning.
TestCase {
    id: testCase
    visible: true
    name: "WidgetLoad"
    width: 800
    height: 600
    when: windowShown

    function test_load_data() {
        return WidgetFiles.rows()
    }

    function test_load(data) {
        verify(typeof _ui !== "undefined")
        var component = Qt.createComponent("qrc:/qml/" + data.file)
        compare(component.status, Component.Ready, component.errorString())
        var item = component.createObject(testCase, data.sized === false ? {} : { width: 400, height: 300 })
        verify(item !== null)
        wait(50)
        item.destroy()
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }
}
