import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// The user's settings: each control takes the current value when the dialog
// is shown; done writes them all back and saves them.
BaseDialog {
    id: dialog

    readonly property var app: (typeof _appManager !== "undefined") ? _appManager : null
    readonly property var locationManager: app ? app.locationManager : null
    readonly property var compassClino: app ? app.compassClino : null
    readonly property bool sensorsAvailable: compassClino !== null && compassClino.hasRequiredSensors
    readonly property real rowHeight: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.theme("spacing", Utils.dp(8))
    readonly property real controlWidth: Utils.theme("panelWidth", Utils.dp(320))
    readonly property var precisions: [
        { label: "XS (8pt)", value: 8 }, { label: "S (12pt)", value: 12 }, { label: "M (16pt)", value: 16 },
        { label: "L (20pt)", value: 20 }, { label: "XL (24pt)", value: 24 }
    ]
    readonly property alias rows: rows

    function loadValues() {
        if (!app)
            return
        baseMaps.activeButton = app.baseMapOnline
        units.activeButton = app.unitType
        angles.activeButton = app.angleConvention
        coordinates.activeButton = locationManager ? locationManager.inputMode : 0
        precision.setValue(app.pickPrecision)
        clinoMode.activeButton = app.compassClinoInputMode
        sensors.checked = app.compassClinoEnabled
        resetCaches.checked = app.resetCaches
        gallery.checked = app.useQmlImageGallery
    }

    function storeValues() {
        if (!app)
            return
        app.baseMapOnline = baseMaps.activeButton
        app.unitType = units.activeButton
        app.angleConvention = angles.activeButton
        // The location manager stores its mode itself and keeps the stored
        // one when the store cannot take the choice.
        var coordinatesRefused = false
        if (locationManager) {
            locationManager.inputMode = coordinates.activeButton
            coordinatesRefused = locationManager.inputMode !== coordinates.activeButton
        }
        if (precision.value !== undefined)
            app.pickPrecision = precision.value
        app.compassClinoInputMode = clinoMode.activeButton
        if (sensors.enabled)
            app.compassClinoEnabled = sensors.checked
        app.resetCaches = resetCaches.checked
        app.useQmlImageGallery = gallery.checked
        // Not written: the settings are back to what the store holds; say so,
        // once for both stores.
        var saved = app.saveSettings()
        if ((!saved || coordinatesRefused) && typeof _dialogController !== "undefined" && _dialogController)
            _dialogController.toastError("Could not save settings")
    }

    title: "Settings - Quarzel v" + (app ? app.buildNumber : "")
    // The rows inside the content area's and the list's margins, under the header.
    defaultHeight: Math.min(rows.height + 4 * Utils.theme("margin", Utils.dp(10))
                            + Utils.theme("buttonHeight", Utils.dp(40)) + Utils.dp(4),
                            parent ? parent.height : rows.height)

    onShownChanged: if (shown) loadValues()
    Component.onCompleted: if (shown) loadValues()
    onDoneButtonClicked: {
        storeValues()
        dismiss(0)
    }

    Flickable {
        anchors.fill: parent
        anchors.margins: Utils.theme("margin", Utils.dp(10))
        contentHeight: rows.height
        clip: true

        Column {
            id: rows
            width: parent.width

            SettingsRow {
                label: "New version Available: " + (dialog.app ? dialog.app.newBuildNumber : "")
                visible: dialog.app !== null && dialog.app.newBuildAvailable
                ActionButton {
                    objectName: "upgradeButton"
                    width: dialog.controlWidth
                    label: "Get New Version"
                    // The settings dialog goes with the switch: not from inside its own handler.
                    onButtonActivated: Qt.callLater(_dialogController.launchCustomDialog, "UpgradeAvailableDialog.qml")
                }
            }
            SettingsRow {
                label: "Basemaps"
                SegmentedButton { id: baseMaps; objectName: "baseMaps"; width: dialog.controlWidth; buttons: ["Online", "Offline", "Auto"] }
            }
            SettingsRow {
                label: "Display Units"
                SegmentedButton { id: units; objectName: "units"; width: dialog.controlWidth; buttons: ["Metric", "Imperial"] }
            }
            SettingsRow {
                label: "Angle Convention"
                SegmentedButton { id: angles; objectName: "angles"; width: dialog.controlWidth; buttons: ["Dip/Azimuth", "Dip/Strike (RHR)"] }
            }
            SettingsRow {
                label: "Coordinate Input"
                SegmentedButton {
                    id: coordinates
                    objectName: "coordinates"
                    width: dialog.controlWidth
                    enabled: dialog.locationManager !== null
                    buttons: ["Decimal Seconds", "Decimal Degrees"]
                }
            }
            SettingsRow {
                label: "Line Join Distance"
                SegmentedButtonPicker { id: precision; objectName: "precision"; width: dialog.controlWidth; model: dialog.precisions }
            }
            SettingsRow {
                label: "Compass Clino Edit Mode"
                SegmentedButton { id: clinoMode; objectName: "clinoMode"; width: dialog.controlWidth; buttons: ["Relative Offset", "Stereonet Style"] }
            }
            SettingsRow {
                label: "Enable sensors"
                Switch { id: sensors; objectName: "sensors"; enabled: dialog.sensorsAvailable }
            }
            SettingsRow {
                label: "Reset Caches"
                Switch { id: resetCaches; objectName: "resetCaches" }
            }
            SettingsRow {
                label: "Use Built-in Image Gallery"
                Switch { id: gallery; objectName: "gallery" }
            }
        }
    }
}
