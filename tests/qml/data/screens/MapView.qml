import QtQuick 2.4

// Stands in for the map page: records the calls the project view makes.
Item {
    property var projectView: null
    property var calls: []

    function record(name) { calls = calls.concat([name]) }
    function viewDidLoad() { record("viewDidLoad") }
    function viewWillAppear() { record("viewWillAppear") }
    function viewDidAppear() { record("viewDidAppear") }
    function viewWillDisappear() { record("viewWillDisappear") }
    function viewDidDisappear() { record("viewDidDisappear") }
    function prepareToClose() { record("prepareToClose") }

    Component.onCompleted: _dialogController.toastReady = true
}
