import QtQuick 2.4
import "Utils.js" as Utils

// Owns the tools of the map, switches between them and offers each gesture
// to the active tool first, then to the others in list order.
Item {
    id: toolManager

    property var defaultTool: null
    property var activeTool: null
    property var tools: []
    // Offered each gesture before the tool at work: the position bar, which
    // takes a long press only while it is edited.
    property var firstTool: null
    // Panels that open beside the map; the widest sets the free map area.
    property var panels: []
    readonly property real uiExtent: {
        var extent = 0
        for (var i = 0; i < panels.length; ++i) {
            if (panels[i] && panels[i].uiExtent > extent)
                extent = panels[i].uiExtent
        }
        return extent
    }
    property bool longPress: false

    function hideKeyboard() {
        Qt.inputMethod.hide()
    }

    function callIfPresent(object, name) {
        if (object && typeof object[name] === "function")
            object[name]()
    }

    function switchTo(tool) {
        var previous = activeTool
        if (previous) {
            previous.setActive(false)
            // Only managers that have them: the clino tool's panel drives its sensors itself.
            if (previous.needSensors && !(tool && tool.needSensors))
                callIfPresent(previous.manager, "stopUpdates")
        }
        activeTool = tool // announces activeToolChanged
        if (tool)
            tool.setActive(true)
        if (tool && tool.needSensors)
            callIfPresent(tool.manager, "startUpdates")
    }

    // Switches to `tool`. Leaving a tool whose unsaved work the switch would
    // drop asks first: "No" keeps the tool and its work.
    function activate(tool) {
        activateThen(tool, null)
    }

    // As activate; `switched`, when given, runs once the switch is through.
    function activateThen(tool, switched) {
        hideKeyboard()
        var next = tool
        if (tool === activeTool) {
            if (!defaultTool || activeTool === defaultTool)
                return
            next = defaultTool
        }
        var leaving = activeTool
        var go = function() {
            toolManager.switchTo(next)
            if (switched)
                switched()
        }
        var unsaved = workDroppedLeaving(leaving)
        if (unsaved === "" || typeof _dialogController === "undefined" || !_dialogController) {
            go()
            return
        }
        Utils.askToDiscard(unsaved, function(discard) {
            if (discard && toolManager.activeTool === leaving)
                go()
        })
    }

    // What leaving `tool` drops, in words; empty when nothing: the tool's own
    // work (a line being placed) and an edit its strat column cannot store.
    function workDroppedLeaving(tool) {
        if (!tool)
            return ""
        var kinds = tool.workDroppedOnLeaving ? tool.workDroppedOnLeaving.slice() : []
        var refused = Utils.refusedStratEdit()
        if (refused !== "")
            kinds.push(refused)
        return Utils.unsavedText(kinds)
    }

    // Offers a gesture to the first tool, then the active tool, then the
    // others in order.
    function dispatch(name, args) {
        var first = firstTool && firstTool.manager ? firstTool.manager : null
        if (first && first !== (activeTool ? activeTool.manager : null) && first[name].apply(first, args))
            return true
        var active = activeTool && activeTool.manager ? activeTool.manager : null
        if (active && active[name].apply(active, args))
            return true
        for (var i = 0; i < tools.length; ++i) {
            var tool = tools[i]
            if (!tool || !tool.manager || tool === activeTool || tool === firstTool)
                continue
            if (tool.manager[name].apply(tool.manager, args))
                return true
        }
        return false
    }

    function mousePressed(x, y, button) {
        hideKeyboard()
        longPress = false
        return dispatch("mousePressed", [x, y, button])
    }

    function mouseReleased(x, y, button) {
        return dispatch("mouseReleased", [x, y, button, longPress])
    }

    function mouseMoved(x, y, buttons) {
        return dispatch("mouseMoved", [x, y, buttons])
    }

    // The press was taken away: every tool drops or keeps what it began.
    function mouseCanceled() {
        for (var i = 0; i < tools.length; ++i)
            callIfPresent(tools[i] ? tools[i].manager : null, "mouseCanceled")
    }

    function mouseDoubleClicked(x, y, button) {
        return dispatch("mouseDoubleClicked", [x, y, button])
    }

    function mousePressAndHold(x, y, button) {
        longPress = true
        return dispatch("mousePressAndHold", [x, y, button])
    }

    function mouseWheelSpun(x, y, angleDelta, pixelDelta) {
        return dispatch("mouseWheelSpun", [x, y, angleDelta, pixelDelta])
    }
}
