import QtQuick 2.4
import QtTest 1.1
import QtQuick.Window 2.2
import quarzel.touch 1.0
import "qrc:/qml/Widgets"
import "qrc:/qml/Tools"

// The coordinate field and the position bar over a scripted location
// manager, and the layer panel over the current project.
Item {
    id: root
    width: 1000
    height: 120

    readonly property var location: _appManager.locationManager
    readonly property point noPosition: Qt.point(999, 999)

    Component {
        id: fieldComponent
        CoordinateField { width: 300; height: 40 }
    }

    // Stands in for the map page: only the temporary item the bar moves.
    Item {
        id: fakeMap
        MouseArea { id: fakeInput; objectName: "mapInput" }
        property var temporaryItem: QtObject {
            property var placedAt: null
            property point worldPosition: Qt.point(0, 0)
            signal moved()
            signal released()
            function activateForManualGpsLocation() {}
            function activateAtWorldLocation(pt) { placedAt = pt }
            property int handedBack: 0
            function handBack() { ++handedBack }
            function resetLocation() {}
        }
    }

    Component {
        id: barComponent
        LocationTool { mapView: fakeMap }
    }

    Component {
        id: layerComponent
        LayerTool { }
    }

    function find(item, name) {
        if (item.objectName === name)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = find(item.children[i], name)
            if (found)
                return found
        }
        return null
    }

    TestCase {
        name: "CoordinateField"
        when: windowShown

        function init() {
            location.inputMode = 0
            location.lastKnownCoordinate = Qt.point(999, 999)
        }

        function makeField(latitude) {
            var field = createTemporaryObject(fieldComponent, root, { latitude: latitude })
            verify(field)
            field.inputItem.forceActiveFocus()
            field.cursorPosition = 0
            return field
        }

        function type(text) {
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function test_southernLatitudeIsNegative() {
            var field = makeField(true)
            var toggle = find(field, "ordinalToggle")
            mouseClick(toggle, toggle.width * 0.75, toggle.height / 2)
            compare(field.hemisphere, "S")
            type("4530000")
            compare(field.value, "-45.500000")
        }

        function test_noPositionShowsNorthAndEast_data() {
            return [{ tag: "no position, latitude", at: Qt.point(999, 999), latitude: true, letter: "N" },
                    { tag: "no position, longitude", at: Qt.point(999, 999), latitude: false, letter: "E" },
                    { tag: "zero, latitude", at: Qt.point(0, 0), latitude: true, letter: "N" },
                    { tag: "zero, longitude", at: Qt.point(0, 0), latitude: false, letter: "E" }]
        }

        function test_noPositionShowsNorthAndEast(data) {
            location.lastKnownCoordinate = data.at
            var field = makeField(data.latitude)
            compare(field.hemisphere, data.letter)
            type("1230000")
            verify(Number(field.value) > 0, field.value)
        }

        function test_minutesAbove60AreRefused() {
            var field = makeField(true)
            type("456")
            var accepted = field.text
            var cursor = field.cursorPosition
            type("1")
            compare(field.text, accepted)
            compare(field.cursorPosition, cursor)
            compare(field.value, "45.100000")
        }

        // Decimal degrees show as held, without blanks of a fixed width,
        // and take typed values; what is out of range is refused.
        function test_modeSwitchRefillsTheField_data() {
            return [{ tag: "seconds above 10", latitude: 12.3456789 },
                    { tag: "seconds below 10", latitude: -0.0001 },
                    { tag: "two-digit latitude, 90 typed", latitude: 46.2096, keys: "90", value: "90.000000" },
                    { tag: "two-digit latitude, 91 refused", latitude: 46.2096, keys: "91", value: "9.000000" },
                    { tag: "one-digit longitude, typed", longitude: 7.2096, keys: "-12.5", value: "-12.500000" },
                    { tag: "a letter refused", latitude: 46.2096, keys: "45x", value: "45.000000", text: "45" },
                    { tag: "a seventh decimal refused", longitude: 7.2096, keys: "1.1234567", value: "1.123456",
                      text: "1.123456" }]
        }

        function test_modeSwitchRefillsTheField(data) {
            var onLatitude = data.longitude === undefined
            var angle = onLatitude ? data.latitude : data.longitude
            location.lastKnownCoordinate = onLatitude ? Qt.point(7.5, angle) : Qt.point(angle, 45)
            var field = makeField(onLatitude)
            location.inputMode = 1
            var shown = (onLatitude ? location.latitudeForAngle(angle) : location.longitudeForAngle(angle)) + "°"
            compare(field.text, shown)
            compare(field.inputItem.displayText, shown)
            if (data.keys) {
                field.inputItem.selectAll()
                type(data.keys)
                compare(field.value, data.value)
                compare(field.inputItem.displayText, field.text)
                if (data.text)
                    compare(field.text, data.text)
                return
            }
            location.inputMode = 0
            var back = location.parseDMS(field.text, field.hemisphere)
            verify(Math.abs(back - angle) * 3600 < 0.01, field.text + " gives " + back)
        }
    }

    TestCase {
        name: "LocationTool"
        when: windowShown

        property var bar: null

        function init() {
            _dialogController.toastReady = true
            location.inputMode = 0
            location.lastKnownCoordinate = Qt.point(10, 45)
            location.horizontalAccuracy = 5
            location.verticalAccuracy = 5
            _appManager.unitType = 0
            bar = createTemporaryObject(barComponent, root)
            verify(bar)
            verify(bar.shown)
        }

        function cleanup() {
            _dialogController.dismissToast()
        }

        function field(name) {
            var found = find(bar, name)
            verify(found, name)
            return found
        }

        function test_clearedLatitudeStoresNoPosition() {
            var latitude = field("latitudeField")
            latitude.inputItem.forceActiveFocus()
            verify(bar.isEditing)
            verify(bar.manager.active)
            latitude.text = ""
            compare(location.lastKnownCoordinate, Qt.point(10, 45))
            keyClick(Qt.Key_Return)
            compare(location.lastKnownCoordinate, Qt.point(0, 0))
            compare(bar.ageText, "???")
        }

        function test_typedSouthernLatitude() {
            var latitude = field("latitudeField")
            latitude.inputItem.forceActiveFocus()
            var toggle = find(latitude, "ordinalToggle")
            // The bar lays out on its first frame.
            waitForRendering(bar)
            mouseClick(toggle, toggle.width * 0.75, toggle.height / 2)
            latitude.cursorPosition = 0
            keyClick("4"); keyClick("5"); keyClick("3"); keyClick("0"); keyClick("0")
            latitude.typingEnded()
            verify(Math.abs(location.lastKnownCoordinate.y + 45.5) < 1e-9, String(location.lastKnownCoordinate))
            verify(Math.abs(location.lastKnownCoordinate.x - 10) < 1e-9)
            compare(fakeMap.temporaryItem.placedAt, location.lastKnownCoordinate)
        }

        // Keys reach the manager when the field is left, not one by one;
        // text that is no number, or a half-typed coordinate, leaves the held
        // value and says so.
        function test_typedAltitude_data() {
            return [{ tag: "feet, Return", unit: 1, keys: "100", leave: "return", stored: 30.48, shown: "100" },
                    { tag: "metres, focus elsewhere", unit: 0, keys: "-12.5", leave: "focus", stored: -12.5,
                      shown: "-12.5" },
                    { tag: "metres, action button", unit: 0, keys: "812", leave: "button", stored: 812, shown: "812" },
                    { tag: "metres, window closing", unit: 0, keys: "77", leave: "close", stored: 77, shown: "77" },
                    { tag: "decimal comma", unit: 0, keys: "12,5", leave: "return", refused: true },
                    { tag: "beyond a double", unit: 0, keys: "1e999", leave: "return", refused: true },
                    { tag: "emptied", unit: 0, keys: "", leave: "focus", refused: true },
                    { tag: "nan", unit: 0, keys: "nan", leave: "return", refused: true },
                    { tag: "inf, feet, action button", unit: 1, keys: "inf", leave: "button", refused: true,
                      shown: "4050" },
                    // A save reads the held altitude: what the field shows is taken first.
                    { tag: "metres, a save asks", unit: 0, keys: "7777", leave: "save", stored: 7777, shown: "7777" },
                    { tag: "1000 km, a save asks", unit: 0, keys: "1000000", leave: "save", stored: 1e6,
                      shown: "1000000" },
                    { tag: "beyond 1000 km, a save asks", unit: 0, keys: "-1000001", leave: "save", refused: true },
                    { tag: "40 digits", unit: 0, keys: "9999999999999999999999999999999999999999", leave: "return",
                      refused: true },
                    { tag: "2000 km", unit: 0, keys: "2000000", leave: "focus", refused: true },
                    { tag: "latitude, one digit, Return", field: "latitudeField", keys: "5", leave: "return",
                      refused: true },
                    { tag: "latitude, a seconds digit short, focus elsewhere", field: "latitudeField", keys: "4530",
                      leave: "focus", refused: true },
                    // The mask passed its point already: typed, it is no refused key.
                    { tag: "latitude, its decimal point typed, Return", field: "latitudeField", keys: "465043.56",
                      leave: "return", stored: Qt.point(10, 46 + 50 / 60 + 43.56 / 3600) },
                    { tag: "latitude, whole, a save asks", field: "latitudeField", keys: "45300", leave: "save",
                      stored: Qt.point(10, 45.5) },
                    { tag: "longitude, half typed, window closing", field: "longitudeField", keys: "0123",
                      leave: "close", refused: true },
                    { tag: "longitude, decimal, action button", field: "longitudeField", mode: 1, keys: "-12.5",
                      leave: "button", stored: Qt.point(-12.5, 45) },
                    { tag: "longitude, decimal, a sign only, a save asks", field: "longitudeField", mode: 1, keys: "-",
                      leave: "save", refused: true },
                    // No position held: a whole latitude waits for its longitude, and a
                    // save refuses it; an empty or half-typed longitude is no zero.
                    { tag: "latitude whole, longitude empty, Return", at: noPosition, field: "latitudeField",
                      keys: "45300", leave: "return", refused: true, waits: true },
                    { tag: "latitude whole, longitude empty, focus elsewhere", at: noPosition,
                      field: "latitudeField", keys: "45300", leave: "focus", refused: true, waits: true },
                    { tag: "latitude whole, longitude empty, a save asks", at: noPosition, field: "latitudeField",
                      keys: "45300", leave: "save", refused: true },
                    // The marker the bar borrowed goes back with the refusal.
                    { tag: "latitude whole, longitude empty, another tool", at: noPosition, field: "latitudeField",
                      keys: "45300", leave: "tool", refused: true },
                    { tag: "latitude whole, longitude half typed, Return", at: noPosition, field: "latitudeField",
                      keys: "45300", longitude: "0123", leave: "return", refused: true, waits: true },
                    { tag: "latitude whole, longitude half typed, focus elsewhere", at: noPosition,
                      field: "latitudeField", keys: "45300", longitude: "0123", leave: "focus", refused: true,
                      waits: true },
                    { tag: "latitude whole, longitude half typed, a save asks", at: noPosition,
                      field: "latitudeField", keys: "45300", longitude: "0123", leave: "save", refused: true },
                    // A paste is taken whole or not at all.
                    { tag: "latitude, 'hello 12' pasted at its start, Return", at: Qt.point(10, 46 + 32 / 60),
                      field: "latitudeField", paste: "hello 12", leave: "return", refused: true },
                    { tag: "latitude, decimal, '47,5' pasted over it, Return", field: "latitudeField", mode: 1,
                      paste: "47,5", leave: "return", refused: true },
                    { tag: "latitude, its own form pasted at its start, focus elsewhere", field: "latitudeField",
                      paste: "47° 30' 00.00\"", leave: "focus", stored: Qt.point(10, 47.5) }]
        }

        function test_typedAltitude(data) {
            _appManager.unitType = data.unit || 0
            location.inputMode = data.mode || 0
            location.altitude = 1234.5
            var at = data.at || Qt.point(10, 45)
            var coordinates = [field("latitudeField"), field("longitudeField")]
            if (data.at) {
                location.lastKnownCoordinate = at
                coordinates.forEach(function(shown) { shown.showHeld() })
            }
            var coordinate = data.field !== undefined
            var typedField = coordinate ? field(data.field) : null
            var held = coordinates.map(function(shown) { return shown.text })
            var altitude = coordinate ? typedField.inputItem : field("altitudeInput")
            var typeInto = function(input, keys) {
                input.forceActiveFocus()
                verify(bar.isEditing)
                input.selectAll()
                keyClick(Qt.Key_Backspace)
                for (var i = 0; i < keys.length; ++i)
                    keyClick(keys[i])
            }
            if (data.paste !== undefined) {
                clipboard.text = data.paste
                clipboard.selectAll()
                clipboard.copy()
                altitude.forceActiveFocus()
                if (data.mode)
                    altitude.selectAll()
                else
                    altitude.cursorPosition = 0
                // A paste key bringing no text, as a real Ctrl+V does.
                keyClick(Qt.Key_Insert, Qt.ShiftModifier)
            } else {
                typeInto(altitude, data.keys)
            }
            if (data.longitude !== undefined)
                typeInto(coordinates[1].inputItem, data.longitude)
            var handedBefore = fakeMap.temporaryItem.handedBack
            var typedLast = data.longitude !== undefined ? "longitudeField" : data.field
            if (!coordinate)
                compare(altitude.text, data.keys)
            compare(location.altitude, 1234.5)
            compare(location.lastKnownCoordinate, at)
            // A long text scrolls inside the box.
            verify(altitude.clip)
            if (data.leave === "return")
                keyClick(Qt.Key_Return)
            else if (data.leave === "focus")
                field(typedLast === "latitudeField" ? "longitudeField" : "latitudeField").inputItem.forceActiveFocus()
            else if (data.leave === "close")
                bar.Window.window.closing(null)
            else if (data.leave === "save")
                location.takePendingInput()
            else if (data.leave === "tool")
                bar.leaveFields()
            else {
                waitForRendering(bar)
                mouseClick(field("actionButton"))
            }
            if (coordinate) {
                compare(location.altitude, 1234.5)
                if (data.waits) {
                    compare(location.lastKnownCoordinate, at)
                    verify(coordinates[0].typed)
                    // A half-typed longitude is refused as it is left.
                    compare(_dialogController.toastMessage, data.longitude ? "Invalid location!" : "")
                    _dialogController.dismissToast()
                    location.takePendingInput()
                }
                if (data.refused) {
                    compare(location.lastKnownCoordinate, at)
                    compare(coordinates.map(function(shown) { return shown.text }), held)
                } else {
                    verify(Math.abs(location.lastKnownCoordinate.x - data.stored.x) < 1e-9
                           && Math.abs(location.lastKnownCoordinate.y - data.stored.y) < 1e-9,
                           String(location.lastKnownCoordinate))
                }
                compare(_dialogController.toastMessage, data.refused ? "Invalid location!" : "")
                // Said once: no second toast waits behind it.
                _dialogController.dismissToast()
                compare(_dialogController.toastMessage, "")
            } else if (data.refused) {
                compare(location.altitude, 1234.5)
                compare(altitude.text, data.shown ? data.shown : "1235")
                compare(_dialogController.toastMessage, "Invalid altitude")
            } else {
                verify(Math.abs(location.altitude - data.stored) < 1e-4, String(location.altitude))
                compare(altitude.text, data.shown)
                compare(_dialogController.toastMessage, "")
            }
            var ended = data.leave === "button" || data.leave === "tool"
            compare(bar.isEditing, !ended)
            compare(fakeMap.temporaryItem.handedBack - handedBefore, ended ? 1 : 0)
            // Left once more: nothing more is stored or said.
            location.altitude = 5
            location.lastKnownCoordinate = Qt.point(8, 40)
            _dialogController.dismissToast()
            bar.takeTypedInput()
            compare(location.altitude, 5)
            compare(location.lastKnownCoordinate, Qt.point(8, 40))
            compare(_dialogController.toastMessage, "")
        }

        TextInput { id: clipboard }

        function test_findsTheMapsPointerArea() {
            compare(bar.mapInput, fakeInput)
        }

        // The service's state changes while a field is edited: nothing moves.
        function test_fieldsKeepTheirPlace_data() {
            return [{ tag: "searching, then stopped", searching: true },
                    { tag: "off, then searching", searching: false },
                    { tag: "no position, tapped mid-mask", searching: false, noPosition: true }]
        }

        function test_fieldsKeepTheirPlace(data) {
            if (data.searching)
                location.startUpdates()
            var latitude = field("latitudeField")
            var longitude = field("longitudeField")
            var altitude = field("altitudeInput")
            var at = data.noPosition ? Qt.point(999, 999) : Qt.point(10, 45)
            if (data.noPosition) {
                location.lastKnownCoordinate = at
                latitude.showHeld()
            }
            waitForRendering(bar)
            var places = [latitude.x, longitude.x, altitude.parent.x, field("actionButton").x]
            mouseClick(latitude.inputItem)
            verify(latitude.inputFocus)
            // A tap alone sets no position; an empty mask is typed from its start.
            compare(location.lastKnownCoordinate, at)
            if (data.noPosition)
                compare(latitude.cursorPosition, 0)
            if (data.searching)
                location.stopUpdates()
            else
                location.startUpdates()
            compare(location.searching, !data.searching)
            // The first fix brings a time where "???" stood.
            if (data.noPosition)
                location.lastKnownCoordinate = Qt.point(10, 45)
            waitForRendering(bar)
            compare([latitude.x, longitude.x, altitude.parent.x, field("actionButton").x], places)
            location.stopUpdates()
        }

        function test_negativeAccuracyShowsZero() {
            location.horizontalAccuracy = -1
            location.verticalAccuracy = -1
            compare(field("horizontalAccuracy").text, "H ±0m")
            compare(field("verticalAccuracy").text, "V ±0m")
        }
    }

    TestCase {
        name: "LayerTool"
        when: windowShown

        function test_onlineChoiceSetsTheBaseLayer() {
            var panel = createTemporaryObject(layerComponent, root, { shown: true })
            verify(panel)
            waitForRendering(panel)
            var choice = find(panel, "onlineLayers")
            mouseClick(choice, choice.width * 0.5, choice.height / 2)
            compare(panel.manager.baseLayer, 1)
        }

        function test_plainPatternsWithoutFilterControls() {
            var panel = createTemporaryObject(layerComponent, root)
            var dialog = null
            for (var i = 0; i < panel.children.length; ++i) {
                if (panel.children[i].title === "Please choose a layer file")
                    dialog = panel.children[i]
            }
            verify(dialog)
            dialog.useControls = true
            compare(panel.layerFilters[0], "All supported map layer files (*.mbtiles *.tif *.tiff *.earth)")
            compare(panel.layerFilters.length, 4)
            dialog.useControls = false
            compare(panel.layerFilters, ["*.mbtiles", "*.tif*", "*.earth"])
        }

        function test_hidingClosesThePopup() {
            var panel = createTemporaryObject(layerComponent, root, { shown: true })
            panel.openOpacity(0, 0.5)
            var popup = find(panel.parent, "opacityPopup")
            verify(popup.visible)
            panel.shown = false
            verify(!popup.visible)
            verify(!panel.manager.active)
        }
    }
}
