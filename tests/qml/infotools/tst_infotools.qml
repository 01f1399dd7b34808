import QtQuick 2.4
import QtTest 1.1
import quarzel.touch 1.0
import "qrc:/qml/Tools"

// The project panel's save, refusal and export paths; the stereonet panel's
// filter state and statistics line.
TestCase {
    id: testCase
    visible: true
    name: "InfoTools"
    width: 700
    height: 800
    when: windowShown

    readonly property var project: _modelManager.currentProject
    property var panel: null
    // Projects a test made, removed after it.
    property var created: []

    function named(item, objectName) {
        if (item.objectName === objectName)
            return item
        for (var i = 0; i < item.children.length; ++i) {
            var found = named(item.children[i], objectName)
            if (found)
                return found
        }
        return null
    }

    function open(file) {
        panel = Qt.createComponent("qrc:/qml/Tools/" + file).createObject(testCase, { height: testCase.height })
        verify(panel !== null)
        panel.setActive(true)
        waitForRendering(panel)
    }

    function editField(name, text) {
        var field = named(panel, name)
        field.edit()
        named(field, "input").text = text
        field.finish(true)
        return field
    }

    function init() {
        _dialogController.toastReady = true
        _dialogController.dismissToast()
        project.name = "Test"
        project.declination = 999
    }

    function cleanup() {
        panel.destroy()
        panel = null
        while (created.length > 0)
            verify(_modelManager.removeProjectById(created.pop()))
    }

    function test_declinationWithoutValueShowsZero() {
        open("ProjectTool.qml")
        compare(named(panel, "declinationField").text, "0.000")
        grabImage(panel).save(_data.reviewFolder + "/project-tool.png")
    }

    function test_editSavesAllFieldsAndKeepsNoDeclination() {
        open("ProjectTool.qml")
        editField("nameField", "Renamed")
        compare(project.name, "Renamed")
        compare(project.declination, 999)
        editField("declinationField", "-12.25")
        fuzzyCompare(project.declination, -12.25, 1e-4)
        // The edge of the range is a declination.
        editField("declinationField", "180")
        compare(project.declination, 180)
    }

    function test_refusalRestoresTheField_data() {
        return [{ tag: "name", field: "nameField", text: "", restored: "Test", toast: "Failed to save project",
                  warning: "Invalid project name!" },
                { tag: "declination 500", field: "declinationField", text: "500", restored: "0.000",
                  toast: "Invalid declination" },
                { tag: "declination 180.5", field: "declinationField", text: "180.5", declination: -3,
                  restored: "-3.000", toast: "Invalid declination" },
                // The mark for none, typed, would drop the stored declination.
                { tag: "declination 999", field: "declinationField", text: "999", declination: 12.5,
                  restored: "12.500", toast: "Invalid declination" },
                { tag: "declination emptied", field: "declinationField", text: "", declination: 12.5,
                  restored: "12.500", toast: "Invalid declination" },
                { tag: "declination emptied, none stored", field: "declinationField", text: "",
                  restored: "0.000", toast: "Invalid declination" }]
    }

    function test_refusalRestoresTheField(data) {
        var declination = data.declination !== undefined ? data.declination : 999
        project.declination = declination
        open("ProjectTool.qml")
        if (data.warning)
            ignoreWarning(data.warning)
        var field = editField(data.field, data.text)
        tryCompare(_dialogController, "toastMessage", data.toast)
        compare(field.text, data.restored)
        compare(project.name, "Test")
        compare(project.declination, declination)
    }

    function test_exportOpensTheDialog() {
        open("ProjectTool.qml")
        verify(project.numberOfLocalities > 0)
        named(panel, "exportButton").buttonActivated()
        compare(_dialogController.customDialogType, "ExportProjectDialog.qml")
    }

    function openPicker() {
        open("ProjectTool.qml")
        named(panel, "mergeButton").buttonActivated()
        var picker = named(panel, "mergePicker")
        verify(picker.item !== null)
        return picker
    }

    function test_closingThePanelLeavesThePicker() {
        var picker = openPicker()
        panel.setActive(false)
        panel.setActive(true)
        compare(picker.item, null)
        verify(!picker.parent.visible)
        verify(named(panel, "nameField").visible)
    }

    function test_emptyTextOnlyOverAnEmptyList_data() {
        return [{ tag: "no other project", others: 0 }, { tag: "one other project", others: 1 }]
    }

    function test_emptyTextOnlyOverAnEmptyList(data) {
        for (var i = 0; i < data.others; ++i)
            created.push(_modelManager.createProject())
        var picker = openPicker()
        var list = named(picker.item, "projectList")
        compare(list.count, data.others)
        compare(named(picker.item, "emptyText").visible, data.others === 0)
    }

    function test_configureEntersFiltering() {
        open("StereoNetTool.qml")
        var button = named(panel, "configureButton")
        compare(button.label, "Configure")
        button.buttonActivated()
        compare(panel.state, "FILTERING")
        compare(button.label, "Done")
        button.buttonActivated()
        compare(panel.state, "")
    }

    function test_statisticsLine() {
        open("StereoNetTool.qml")
        verify(panel.statisticsText.indexOf("Mean Resultant Plane: ") === 0)
        verify(panel.manager.dataModel !== null)
    }

    // Stands in for the location manager: records the request, reports later.
    QtObject {
        id: fakeLocation
        property int requests: 0
        property bool updating: true
        signal declinationChanged(double declination)
        function startDeclinationUpdates() { ++requests }
        function updateInterval() { return 0 }
    }

    QtObject {
        id: emptyProject
        property string name: "Empty"
        property real declination: 999
        property string localityBaseName: "L #"
        property string description: ""
        property string pathDisplayString: ""
        property int numberOfLocalities: 0
        function timeString() { return "" }
    }

    function test_compassFillsTheDeclination() {
        panel = Qt.createComponent("qrc:/qml/Tools/ProjectTool.qml").createObject(testCase,
                { height: testCase.height, locationManager: fakeLocation })
        panel.setActive(true)
        var field = named(panel, "declinationField")
        fakeLocation.declinationChanged(4.5)
        compare(field.text, "0.000")
        named(panel, "compassButton").buttonActivated()
        compare(fakeLocation.requests, 1)
        fakeLocation.declinationChanged(999)
        compare(field.text, "0.000")
        fakeLocation.declinationChanged(3.14159)
        compare(field.text, "3.142")
        fuzzyCompare(project.declination, 3.142, 1e-4)
        fakeLocation.declinationChanged(7)
        compare(field.text, "3.142")
    }

    // The 0 shown for a project without a declination, measured, is stored.
    function test_compassGivesZeroDeclination() {
        panel = Qt.createComponent("qrc:/qml/Tools/ProjectTool.qml").createObject(testCase,
                { height: testCase.height, locationManager: fakeLocation })
        panel.setActive(true)
        named(panel, "compassButton").buttonActivated()
        fakeLocation.declinationChanged(0)
        compare(named(panel, "declinationField").text, "0.000")
        compare(project.declination, 0)
    }

    function test_exportRefusesAnEmptyProject() {
        panel = Qt.createComponent("qrc:/qml/Tools/ProjectTool.qml").createObject(testCase,
                { height: testCase.height, project: emptyProject })
        _dialogController.customDialogType = ""
        named(panel, "exportButton").buttonActivated()
        tryCompare(_dialogController, "toastMessage", "Cannot export empty project")
        compare(_dialogController.customDialogType, "")
    }

    // The planes are drawn on a worker thread: a busy machine may show the
    // bare net for a while.
    function openStereonetWithPlanes() {
        if (project.empty())
            verify(_data.addPlanes(10))
        open("StereoNetTool.qml")
        var net = named(panel, "stereoNet")
        tryCompare(net, "plotting", false, 30000)
        return net
    }

    // The first row of the list that the test asks for, once the list has
    // made it and the view shows it whole and at rest: rows come as the lists
    // fill, the filling lists take the view back to its top, and a press on a
    // moving view stops it instead of reaching the row.
    function shownRow(list, view, wanted, scroll) {
        var row = null
        var last = null
        tryVerify(function() {
            if (scroll)
                scroll()
            var found = null
            var top = 0
            for (var i = 0; i < list.contentItem.children.length && !found; ++i) {
                var candidate = list.contentItem.children[i]
                top = candidate.mapToItem(view, 0, 0).y
                if (wanted(candidate) && candidate.visible && top >= 0 && top + candidate.height <= view.height)
                    found = candidate
            }
            // The same row in the same place as at the last look, events handled between.
            var still = found !== null && last !== null && last.row === found && last.top === top
            last = found ? { row: found, top: top } : null
            row = found
            return still && !view.moving
        }, 30000)
        return row
    }

    function test_plotOfTenPlanes() {
        var net = openStereonetWithPlanes()
        var image = grabImage(panel)
        image.save(_data.reviewFolder + "/stereonet-ten-planes.png")
        var origin = net.mapToItem(panel, 0, 0)
        var colours = {}
        var count = 0
        for (var x = origin.x; x < origin.x + net.width; x += 3) {
            for (var y = origin.y; y < origin.y + net.height; y += 3) {
                var key = String(image.pixel(x, y))
                if (!colours[key]) {
                    colours[key] = true
                    ++count
                }
            }
        }
        verify(count > 3, "distinct colours: " + count)
    }

    function test_pointDataRowToggles() {
        openStereonetWithPlanes()
        named(panel, "configureButton").buttonActivated()
        var list = named(panel, "pointDataList")
        // The filter lists fill as the page opens.
        waitForRendering(list)
        // A grab lays the lists out anew: before the row is looked for.
        grabImage(panel).save(_data.reviewFolder + "/stereonet-filters.png")
        // Past the locality, unit and symbol lists to the first datum.
        var firstDatum = function() {
            return shownRow(list, list, function(candidate) {
                return candidate.hasOwnProperty("header") && !candidate.header && candidate.height > 0
            }, function() { list.positionViewAtIndex(1, ListView.Beginning) })
        }
        var row = firstDatum()
        verify(row.checked)
        mouseClick(row)
        verify(!row.checked)
        compare(firstDatum(), row)
        mouseClick(row)
        verify(row.checked)
    }

    // Under the right-hand rule only planes are listed by strike.
    function test_pointRowAngles_data() {
        return [
            { tag: "plane", dataType: "Plane", dip: 30, azimuth: 100, text: "30 / 010" },
            { tag: "lineation", dataType: "Lineation", dip: 30, azimuth: 100, text: "30 / 100" },
            { tag: "sighting", dataType: "Sighting", dip: 0, azimuth: 100, text: "100" }
        ]
    }

    function test_pointRowAngles(row) {
        panel = Qt.createComponent("qrc:/qml/Tools/StereoNetTool/PointDataDelegateModel.qml").createObject(testCase)
        verify(panel !== null)
        var convention = _appManager.angleConvention
        _appManager.angleConvention = 1
        var text = panel.anglesText(row)
        _appManager.angleConvention = convention
        compare(text, row.text)
    }

    function addUnit() {
        var strat = project.stratColumnModel
        strat.startEdit()
        var unit = strat.addUnit()
        verify(strat.save())
        return unit
    }

    // Checked rows of the tool's data model whose role holds that key: the plotted data.
    function plotted(dataModel, key, role) {
        var count = 0
        for (var r = 0; r < dataModel.rowCount(); ++r) {
            var row = dataModel.get(r)
            if (String(row[role ? role : "unitId"]) === String(key) && row.checked)
                ++count
        }
        return count
    }

    // A tapped unit row takes its data off the plot. Data of a unit removed
    // from the strat column have no row: they stay, also when a row is tapped.
    // The first entry of the locality, unit and symbol lists toggles too.
    function test_unitRows_data() {
        return [{ tag: "tapped unit hides its data", removeUnit: false, left: 0 },
                { tag: "removed unit keeps its data", removeUnit: true, left: 2 },
                { tag: "first unit hidden takes its data off", left: 0, first: "unitList", role: "unitId" },
                { tag: "first locality hidden takes its data off", left: 0, first: "localityList", role: "localityId" },
                { tag: "first symbol hidden takes its data off", left: 0, first: "symbolList", role: "symbolId" }]
    }

    // The list's first row: the row nearest its top.
    function firstRow(list) {
        var row = null
        for (var i = 0; i < list.contentItem.children.length; ++i) {
            var candidate = list.contentItem.children[i]
            if (candidate.hasOwnProperty("header") && !candidate.header && (!row || candidate.y < row.y))
                row = candidate
        }
        return row
    }

    // The key of a model's first row.
    function firstKey(model, role) {
        return model.data(model.index(0, 0), role)
    }

    function test_unitRows(data) {
        // A unit above the one tapped.
        addUnit()
        var unit = addUnit()
        var symbol = -1
        if (data.first) {
            // The planes go to the first entry of every list.
            unit = firstKey(project.stratColumnModel, 257)
            symbol = firstKey(project.symbolListModel, 256)
            _modelManager.setCurrentLocality(0)
        }
        verify(_data.addPlanes(2, unit, symbol))
        var tapped = unit
        if (data.removeUnit) {
            var strat = project.stratColumnModel
            strat.startEdit()
            strat.removeUnitById(unit)
            verify(strat.save())
            tapped = addUnit()
        }
        open("StereoNetTool.qml")
        var dataModel = panel.manager.dataModel
        if (!data.first)
            compare(plotted(dataModel, unit), 2)
        named(panel, "configureButton").buttonActivated()
        var list = named(panel, data.first ? data.first : "unitList")
        var row = shownRow(list, named(panel, "pointDataList"), function(candidate) {
            return data.first ? candidate === firstRow(list) : candidate.text === _modelManager.rockUnitName(tapped)
        })
        var proxy = list.model.model
        var key = data.first ? firstKey(proxy, proxy.keyRole) : unit
        verify(plotted(dataModel, key, data.role) >= 2)
        verify(named(row, "eye").visible)
        mouseClick(row)
        verify(!row.checked)
        compare(plotted(dataModel, key, data.role), data.left)
    }
}
