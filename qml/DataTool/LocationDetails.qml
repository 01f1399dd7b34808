import QtQuick 2.4
import "../Utils.js" as Utils

// Where an entry was recorded: coordinates, altitude and the accuracies
// that are known.
Column {
    id: details
    property var row: null
    readonly property var locations: typeof _appManager !== "undefined" && _appManager
                                     ? _appManager.locationManager : null

    function latitudeText() {
        return locations ? locations.latitudeForAngle(row.latitude) : String(row.latitude)
    }
    function longitudeText() {
        return locations ? locations.longitudeForAngle(row.longitude) : String(row.longitude)
    }
    // The stored "none" coordinate (999, 999) is no place to show.
    function hasPosition() {
        return Math.abs(row.latitude) <= 90 && Math.abs(row.longitude) <= 180
    }

    spacing: Utils.theme("smallMargin", Utils.dp(5))

    Repeater {
        model: details.row ? [
            { name: "Latitude:", value: details.latitudeText(), shown: details.hasPosition() },
            { name: "Longitude:", value: details.longitudeText(), shown: details.hasPosition() },
            { name: "Altitude:", value: _appManager.localizedLengthValue(details.row.altitude), shown: true },
            { name: "Horizontal Ac.:", value: "±" + details.row.horizontalAccuracy,
              shown: details.row.horizontalAccuracy >= 0 },
            { name: "Vertical Ac.:", value: "±" + details.row.verticalAccuracy,
              shown: details.row.verticalAccuracy >= 0 }
        ] : []

        delegate: Row {
            objectName: "location_" + modelData.name
            readonly property string value: modelData.value
            visible: modelData.shown
            spacing: Utils.theme("smallMargin", Utils.dp(5))
            Text {
                width: Utils.dp(120)
                text: modelData.name
                font.pixelSize: Utils.theme("smallText", Utils.dp(14))
                color: "#666666"
            }
            Text {
                text: modelData.value
                font.pixelSize: Utils.theme("smallText", Utils.dp(14))
            }
        }
    }
}
