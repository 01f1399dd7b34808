import QtQuick 2.4
import QtTest 1.1

// Every QML file the program carries compiles: files added later join by
// being in the resources.
TestCase {
    name: "QmlFiles"

    function test_everyFileCompiles() {
        var files = _testSupport.qmlFiles()
        verify(files.indexOf("qrc:/qml/main.qml") >= 0, files.join("\n"))
        verify(files.indexOf("qrc:/qml/Dialogs/NumPad.qml") >= 0, files.join("\n"))
        for (var i = 0; i < files.length; ++i) {
            var component = Qt.createComponent(files[i])
            tryVerify(function() { return component.status !== Component.Loading })
            compare(component.status, Component.Ready, files[i] + ": " + component.errorString())
            component.destroy()
        }
        compare(_testSupport.takeWarnings(), [])
    }
}
