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

    // A change the store cannot take is said and not shown as set.
    function test_doneOnAFullDisk_data() {
        return [
            { tag: "room, imperial", full: false, control: "units", label: "Imperial", property: "unitType",
              key: "unitType", stored: 0, chosen: 1 },
            { tag: "full, imperial", full: true, control: "units", label: "Imperial", property: "unitType",
              key: "unitType", stored: 0, chosen: 1 },
            { tag: "full, right-hand rule", full: true, control: "angles", label: "Dip/Strike (RHR)",
              property: "angleConvention", key: "angleConvention", stored: 0, chosen: 1 },
            { tag: "full, nothing changed", full: true, control: "units", label: "Metric", property: "unitType",
              key: "unitType", stored: 0, chosen: 0 },
            // The location manager keeps the input mode in the application's store.
            { tag: "room, decimal degrees", full: false, control: "coordinates", label: "Decimal Degrees",
              property: "inputMode", key: "InputMode", stored: 0, chosen: 1 },
            { tag: "full, decimal degrees", full: true, control: "coordinates", label: "Decimal Degrees",
              property: "inputMode", key: "InputMode", stored: 0, chosen: 1 }
        ]
    }

    function test_doneOnAFullDisk(data) {
        _dialogController.toastReady = true
        _dialogController.dismissToast()
        _testSupport.installSensors(true, false, false)
        var inApp = data.key === "InputMode"
        var holder = inApp ? _appManager.locationManager : _appManager
        var storedValue = function() {
            return String(inApp ? _testSupport.appSetting(data.key) : _testSupport.userSetting(data.key))
        }
        var settingsFile = function() {
            return inApp ? _testSupport.appSettingsFile() : _testSupport.userSettingsFile()
        }
        // Set and stored either way, whatever an earlier test left.
        holder[data.property] = data.chosen
        holder[data.property] = data.stored
        verify(_appManager.saveSettings())
        var file = settingsFile()
        verify(file !== "")
        open("SettingsDialog.qml")
        var control = findChild(dialog, data.control)
        control.activeButton = segment(control, data.label)
        verify(_testSupport.setDiskFull(data.full))
        dialog.doneButtonClicked()
        verify(_testSupport.setDiskFull(false))
        compare(dismissSpy.count, 1)
        var written = !data.full && data.chosen !== data.stored
        var refused = data.full && data.chosen !== data.stored
        compare(_dialogController.toastMessage, refused ? "Could not save settings" : "")
        compare(holder[data.property], refused ? data.stored : data.chosen)
        compare(storedValue(), String(refused ? data.stored : data.chosen))
        compare(settingsFile() === file, !written)
        // Shown again, the dialog shows what is stored.
        dialog.shown = false
        dialog.shown = true
        compare(control.activeButton, refused ? data.stored : data.chosen)
        _dialogController.dismissToast()
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
