import QtQuick 2.4
import QtTest 1.1

// The settings and upgrade dialogs over the real application manager.
TestCase {
    id: testCase
    visible: true
    name: "Settings"
    width: 1024
    height: 768
    when: windowShown

    property var dialog: null

    SignalSpy { id: dismissSpy; signalName: "dismiss" }

    function open(file) {
        dialog = Qt.createComponent("qrc:/qml/Dialogs/" + file).createObject(testCase,
                { width: testCase.width, height: testCase.height })
        verify(dialog !== null, file)
        dismissSpy.clear()
        dismissSpy.target = dialog
        dialog.shown = true
        tryCompare(dialog, "opacity", 1)
        return dialog
    }

    function visibleRows() {
        var n = 0
        for (var i = 0; i < dialog.rows.children.length; ++i) {
            var row = dialog.rows.children[i]
            if (row.objectName === "settingsRow" && row.visible)
                ++n
        }
        return n
    }

    function segment(control, label) {
        for (var i = 0; i < control.buttons.length; ++i) {
            if (control.buttons[i] === label)
                return i
        }
        return -1
    }

    function cleanup() {
        if (dialog)
            dialog.destroy()
        dialog = null
        _appManager.newBuildAvailable = false
        _testSupport.installSensors(false, false, false)
        wait(0)
        compare(_testSupport.takeWarnings(), [])
    }

    function test_titleAndRows() {
        open("SettingsDialog.qml")
        compare(dialog.title, "Settings - Quarzel v1.3.0.25162")
        compare(visibleRows(), 9)
        _appManager.newBuildNumber = "1.3.1.100"
        _appManager.newBuildAvailable = true
        compare(visibleRows(), 10)
        compare(dialog.rows.children[0].label, "New version Available: 1.3.1.100")
        waitForRendering(testCase)
        mouseClick(findChild(dialog, "upgradeButton"))
        tryCompare(_dialogController, "customDialogType", "UpgradeAvailableDialog.qml")
        _dialogController.dismissDialog(1)
    }

    function test_controlsShowAndStoreTheValues() {
        _appManager.unitType = 1
        _appManager.pickPrecision = 12
        open("SettingsDialog.qml")
        var units = findChild(dialog, "units")
        compare(units.buttons[units.activeButton], "Imperial")
        compare(findChild(dialog, "precision").label, "S (12pt)")

        _appManager.unitType = 0
        dialog.shown = false
        dialog.shown = true
        compare(units.buttons[units.activeButton], "Metric")

        units.activeButton = segment(units, "Imperial")
        var baseMaps = findChild(dialog, "baseMaps")
        baseMaps.activeButton = segment(baseMaps, "Offline")
        var precision = findChild(dialog, "precision")
        precision.currentIndex = 4
        compare(precision.label, "XL (24pt)")
        dialog.doneButtonClicked()
        compare(dismissSpy.count, 1)
        compare(dismissSpy.signalArguments[0][0], 0)
        compare(String(_testSupport.userSetting("unitType")), "1")
        compare(String(_testSupport.userSetting("BaseMapOnlineMode")), "1")
        compare(String(_testSupport.userSetting("pickPrecision")), "24")
    }

    function test_coordinateInputReachesTheLocationManager() {
        _testSupport.installSensors(true, false, false)
        open("SettingsDialog.qml")
        var coordinates = findChild(dialog, "coordinates")
        verify(coordinates.enabled)
        coordinates.activeButton = segment(coordinates, "Decimal Degrees")
        dialog.doneButtonClicked()
        compare(_appManager.locationManager.inputMode, 1)
    }

    function test_sensorRowsFollowTheSources_data() {
        return [
            { tag: "no sources", location: false, compass: false, sensors: false },
            { tag: "compass without sensors", location: true, compass: true, sensors: false },
            { tag: "compass with sensors", location: true, compass: true, sensors: true }
        ]
    }

    function test_sensorRowsFollowTheSources(data) {
        _testSupport.installSensors(data.location, data.compass, data.sensors)
        open("SettingsDialog.qml")
        compare(findChild(dialog, "sensors").enabled, data.sensors)
        compare(findChild(dialog, "coordinates").enabled, data.location)
        dialog.doneButtonClicked()
        compare(dismissSpy.count, 1)
    }

    function test_upgradeDialog() {
        _appManager.newBuildNumber = "1.3.1.100"
        _appManager.newBuildUrl = "https://updates.quarzel.example/get"
        _appManager.newBuildNotes = "Faster maps"
        open("UpgradeAvailableDialog.qml")
        compare(dialog.title, "Updated Quarzel Available")
        compare(findChild(dialog, "buildNumber").text, "1.3.0.25162")
        compare(findChild(dialog, "newBuildNumber").text, "1.3.1.100")
        compare(findChild(dialog, "newBuildNotes").text, "Faster maps")

        verify(_appManager.isNewBuildReminderDue())
        mouseClick(findChild(dialog, "remindLaterButton"))
        compare(dismissSpy.count, 1)
        verify(!_appManager.isNewBuildReminderDue())

        mouseClick(findChild(dialog, "getNewVersionButton"))
        compare(dismissSpy.count, 2)
        compare(_testSupport.takeOpenedUrls(), ["https://updates.quarzel.example/get"])
    }
}
