// Helpers shared by the screens, dialogs and widgets. Deliberately not a
// library script: it reads the context properties of the importing component.

// Logical units to physical pixels (46 logical units span 8 mm).
function dp(n) {
    if (typeof _appManager !== "undefined" && _appManager)
        return n * _appManager.logicalToPhysicalMultiplier
    return n
}

// The number meaning "none": an unknown declination, or either coordinate of
// an unknown position. The C++ side and stored files use the same number.
var noValue = 999

// The position meaning "none".
function noPosition() {
    return Qt.point(noValue, noValue)
}

// Where a save goes with no marker on the map: the position the bar holds,
// typed or stored, as a fix (the marker's own savePlace answers while it shows).
function heldPlace() {
    var location = (typeof _appManager !== "undefined" && _appManager) ? _appManager.locationManager : null
    return { location: location ? location.pendingCoordinate : noPosition(), gps: true }
}

// What the position bar holds typed becomes the position (or is refused)
// before a save reads it.
function takePendingInput() {
    if (typeof _appManager !== "undefined" && _appManager && _appManager.locationManager)
        _appManager.locationManager.takePendingInput()
}

// The theme object, or null when the application could not create it.
function ui() {
    return (typeof _ui !== "undefined" && _ui) ? _ui : null
}

// A theme value, or the given fallback when there is no theme, so that a
// screen still lays out without throwing.
function theme(name, fallback) {
    var t = ui()
    if (t) {
        var value = t[name]
        if (value !== undefined)
            return value
    }
    return fallback
}

// The glyph of a semantic icon name (the name itself when unknown); nothing
// without a theme, as there is no icon font then either.
function icon(name) {
    var t = ui()
    return t ? t.convertIconName(name) : ""
}

// A local file URL of an absolute path; a path with a drive letter needs
// the third slash, a Unix path brings its own.
function fileUrl(path) {
    return (path.charAt(0) === "/" ? "file://" : "file:///") + path
}

// Hands a link to the system; a toast says so when nothing could open it.
function openLink(url) {
    if (typeof _appManager === "undefined" || !_appManager)
        return false
    if (_appManager.openLink(url))
        return true
    if (typeof _dialogController !== "undefined" && _dialogController)
        _dialogController.toastError("Failed to open link")
    return false
}

// The unsaved work of the given kinds ("sketch", "line", ...) in words;
// empty when there is none.
function unsavedText(kinds) {
    if (kinds.length === 0)
        return ""
    if (kinds.length === 1)
        return "This " + kinds[0] + " has unsaved changes."
    var rest = kinds.slice(0, kinds.length - 1)
    return "The " + rest.join(", the ") + " and the " + kinds[kinds.length - 1] + " have unsaved changes."
}

// An open strat column edit that cannot be stored, which leaving it drops:
// "unit name" for a name another unit has, "strat column" otherwise; empty
// when there is none.
function refusedStratEdit() {
    var project = (typeof _modelManager !== "undefined" && _modelManager) ? _modelManager.currentProject : null
    var strat = project ? project.stratColumnModel : null
    if (!strat || !strat.editing || !strat.isChanged())
        return ""
    var problem = strat.validWorkingCopy()
    if (problem === "")
        return ""
    return problem === "Unit names must be unique" ? "unit name" : "strat column"
}

// Asks before the unsaved work that `unsaved` describes is dropped;
// `answered` learns whether the user chose to drop it.
function askToDiscard(unsaved, answered) {
    var handler = function(option) {
        _dialogController.result.disconnect(handler)
        answered(option === 0)
    }
    _dialogController.result.connect(handler)
    _dialogController.messageBox("Exit with unsaved changes?", unsaved + " Are you sure you want to exit?",
                                 _dialogController.yesNoButtons)
}

// The family of the icon font; empty (the default font) without it.
function iconFontFamily() {
    var t = ui()
    return (t && t.iconFont) ? t.iconFont.name : ""
}

// A field of a model entry given as a plain string (its label), a JS object
// or a delegate's model row; the fallback when the entry has no such field.
function field(entry, name, fallback) {
    if (entry === undefined || entry === null)
        return fallback
    if (typeof entry !== "object")
        return name === "label" ? String(entry) : fallback
    var value = entry[name]
    return (value === undefined || value === null) ? fallback : value
}
