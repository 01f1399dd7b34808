import QtQuick 2.4
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// The selected entry in detail: a form for its kind whose changes are saved
// at once, with its tool-bar buttons and where it was recorded.
Item {
    id: details

    property var tool: null
    property var list: null
    property int index: -1
    property var row: null
    readonly property var view: loader.item
    readonly property var leftModel: view ? view.leftModel : null
    readonly property var rightModel: view ? view.rightModel : null
    readonly property real margin: Utils.theme("innerMargin", Utils.dp(8))

    signal moveStarted()
    signal moveEnded()

    function componentFor(kind) {
        switch (kind) {
        case "Plane": case "Lineation": case "Sighting": return pointDetails
        case "Annotation": return noteDetails
        case "Line": return lineDetails
        case "Image": return imageDetails
        case "Locality": return localityDetails
        }
        return null
    }

    // Called for every new current row.
    function show(newIndex, newRow) {
        stopPending()
        // The temporary item is the notebook's only while its list is in use:
        // rows rebuilt behind another tool must leave that tool's marker alone.
        if (tool && tool.reticule && tool.manager && tool.manager.active)
            tool.reticule.deactivate()
        loader.sourceComponent = null
        index = newIndex
        row = newRow
        loader.sourceComponent = newRow ? componentFor(newRow.dataType) : null
    }

    function stopPending() {
        if (!view)
            return
        if (view.moveButtons)
            view.moveButtons.finish()
        view.deleteButtons.stopConfirmation()
    }

    function leftClicked(buttonIndex, button) {
        if (view) {
            view.deleteButtons.stopConfirmation()
            view.leftClicked(buttonIndex, button)
        }
    }

    function rightClicked(buttonIndex, button) {
        if (view) {
            if (view.moveButtons)
                view.moveButtons.finish()
            view.rightClicked(buttonIndex, button)
        }
    }

    // Reports a save's outcome; a failed one puts the stored values back.
    function saved(ok) {
        if (!ok) {
            _dialogController.toast("Update failed!", _ui.icons.cancelIcon, _ui.lengthLong)
            if (view)
                view.reset()
        }
        if (tool && tool.mapView)
            tool.mapView.refreshCallout()
        return ok
    }

    Flickable {
        anchors.fill: parent
        contentHeight: content.height
        clip: true

        Column {
            id: content
            x: details.margin
            width: parent.width - 2 * details.margin
            spacing: details.margin
            Loader {
                id: loader
                width: parent.width
            }
            LocationDetails {
                objectName: "locationDetails"
                width: parent.width
                row: details.row
                visible: details.row !== null && details.row.dataType !== "Line"
            }
        }
    }

    // A text that is saved once its edit is finished and it differs.
    component CommentField: Rectangle {
        id: field
        property string stored: ""
        property alias text: input.text
        property string placeholder: ""
        signal edited(string text)

        function reset() { input.text = stored }

        width: parent ? parent.width : 0
        height: Math.max(Utils.theme("buttonHeight", Utils.dp(40)), input.contentHeight + 2 * details.margin)
        border.color: Utils.theme("listSeparatorColor", "#cccccc")
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        onStoredChanged: reset()
        Component.onCompleted: reset()

        TextEdit {
            id: input
            objectName: "commentInput"
            anchors.fill: parent
            anchors.margins: details.margin
            wrapMode: TextEdit.Wrap
            font.pixelSize: Utils.theme("inputText", Utils.dp(18))
            onActiveFocusChanged: if (!activeFocus) field.finish()
            Keys.onReturnPressed: focus = false
            function finishEdit() { field.finish() }
        }
        Text {
            anchors.fill: input
            visible: input.text === "" && !input.activeFocus
            text: field.placeholder
            color: "#999999"
            font.pixelSize: input.font.pixelSize
        }

        function finish() {
            if (input.text !== stored)
                edited(input.text)
        }
    }

    component Label: Text {
        font.pixelSize: Utils.theme("smallText", Utils.dp(14))
        color: "#666666"
    }

    Component {
        id: pointDetails

        Column {
            id: form
            objectName: "pointDetails"
            spacing: details.margin
            readonly property bool isSighting: details.row.dataType === "Sighting"
            readonly property var project: _modelManager.currentProject
            readonly property alias moveButtons: moves
            readonly property alias deleteButtons: deletes
            readonly property var leftModel: moves
            readonly property var rightModel: deletes
            property int unitId: details.row.unitId

            function reset() {
                comment.reset()
                unitId = details.row.unitId
            }

            function save(symbolId, unitId, text) {
                var model = details.tool.dataModel
                var ok = isSighting
                        ? model.saveSighting(details.index, details.row.dataId, moves.latitude(), moves.longitude(),
                                             details.row.unitId === 0 ? 0 : unitId, text)
                        : model.savePointData(details.index, details.row.dataId, moves.latitude(),
                                              moves.longitude(), symbolId, unitId, text)
                return details.saved(ok)
            }
            function saveAll() { return save(details.row.symbolId, unitId, comment.text) }

            function pickSymbol() {
                _dialogController.launchCustomDialog("SymbolSelectionDialog.qml")
                var dialog = _dialogController.customDialog
                if (!dialog)
                    return
                dialog.symbolId = details.row.symbolId
                dialog.filterSymbols = true
                var answered = function(result) {
                    _dialogController.result.disconnect(answered)
                    if (result === 0 && dialog.symbolId !== details.row.symbolId)
                        form.save(dialog.symbolId, form.unitId, comment.text)
                }
                _dialogController.result.connect(answered)
            }

            function leftClicked(i) { moves.click(i) }
            function rightClicked() { deletes.click() }

            MoveDataButtonModel {
                id: moves
                tool: details.tool
                row: details.row
                onMoveStarted: details.moveStarted()
                onMoveEnded: {
                    details.moveEnded()
                    if (moved)
                        form.saveAll()
                }
            }
            DeleteDataButtonModel { id: deletes; tool: details.tool; row: details.row }

            Row {
                spacing: details.margin
                ClinoItem {
                    objectName: "dial"
                    width: Utils.dp(96)
                    height: width
                    readonly property bool plane: details.row.dataType === "Plane"
                    // Only shows the datum: it keeps following no sensor and takes no drag.
                    dip: form.isSighting ? 0 : details.row.dip
                    azimuth: details.row.azimuth
                    planeSymbolRotation: plane ? details.row.azimuth : 0
                    lineSymbolRotation: plane ? 0 : details.row.azimuth
                    iconId: details.row.iconId
                    iconColor: details.row.unitColor
                }
                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    Text {
                        objectName: "dipText"
                        visible: !form.isSighting
                        text: Math.round(details.row.dip) + "°"
                        font.pixelSize: Utils.theme("largeText", Utils.dp(22))
                    }
                    Text {
                        objectName: "azimuthText"
                        text: (form.project && form.project.symbolIsPlane(details.row.symbolId)
                               ? _ui.formatPlaneAzimuth(details.row.azimuth)
                               : _ui.formatAzimuth(details.row.azimuth)) + "°"
                        font.pixelSize: Utils.theme("largeText", Utils.dp(22))
                    }
                }
            }
            Rectangle {
                objectName: "symbolButton"
                visible: !form.isSighting
                width: parent.width
                height: Utils.theme("buttonHeight", Utils.dp(40))
                border.color: Utils.theme("listSeparatorColor", "#cccccc")
                radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
                Text {
                    anchors.centerIn: parent
                    text: details.row.symbolName
                    font.pixelSize: Utils.theme("mediumText", Utils.dp(18))
                }
                MouseArea { anchors.fill: parent; onClicked: form.pickSymbol() }
            }
            Label {
                objectName: "unitLabel"
                text: form.isSighting && details.row.unitId === 0 ? "No Unit" : details.row.unitName
            }
            StratColumn {
                objectName: "unitChoice"
                visible: !(form.isSighting && details.row.unitId === 0)
                width: parent.width
                height: Utils.dp(160)
                selectedUnit: form.unitId
                onSelectedUnitChanged: {
                    if (selectedUnit > 0 && selectedUnit !== details.row.unitId) {
                        form.unitId = selectedUnit
                        form.save(details.row.symbolId, selectedUnit, comment.text)
                    }
                }
            }
            CommentField {
                id: comment
                objectName: "comment"
                stored: details.row.comment
                onEdited: form.save(details.row.symbolId, form.unitId, text)
            }
        }
    }

    Component {
        id: noteDetails

        Column {
            id: form
            objectName: "noteDetails"
            spacing: details.margin
            readonly property alias moveButtons: moves
            readonly property alias deleteButtons: deletes
            readonly property var leftModel: moves
            readonly property var rightModel: deletes

            function reset() { comment.reset() }
            function save(text) {
                return details.saved(details.tool.dataModel.saveAnnotationData(
                    details.index, details.row.dataId, moves.latitude(), moves.longitude(), -1, text))
            }
            function leftClicked(i) { moves.click(i) }
            function rightClicked() { deletes.click() }

            MoveDataButtonModel {
                id: moves
                tool: details.tool
                row: details.row
                onMoveStarted: details.moveStarted()
                onMoveEnded: {
                    details.moveEnded()
                    if (moved)
                        form.save(comment.text)
                }
            }
            DeleteDataButtonModel { id: deletes; tool: details.tool; row: details.row }

            CommentField {
                id: comment
                objectName: "comment"
                stored: details.row.comment
                onEdited: form.save(text)
            }
        }
    }

    Component {
        id: lineDetails

        Column {
            id: form
            objectName: "lineDetails"
            spacing: details.margin
            readonly property var moveButtons: null
            readonly property alias deleteButtons: deletes
            readonly property var leftModel: edits
            readonly property var rightModel: deletes
            property int lineStyle: details.row.lineStyle
            property int unitId: details.row.unitId

            function reset() {
                comment.reset()
                lineStyle = details.row.lineStyle
                unitId = details.row.unitId
                thickness.value = details.row.lineThickness
                opacitySlider.value = details.row.lineOpacity
            }
            function save() {
                return details.saved(details.tool.dataModel.saveLineData(
                    details.index, details.row.dataId, thickness.value, opacitySlider.value, lineStyle, unitId,
                    comment.text))
            }
            function leftClicked() { details.tool.editLineButtonClicked() }
            function rightClicked() { deletes.click() }

            ListModel {
                id: edits
                ListElement { iconName: ""; label: "Edit"; isPrimaryAction: false; primaryColor: ""; enabled: true }
            }
            DeleteDataButtonModel { id: deletes; tool: details.tool; row: details.row }

            Row {
                objectName: "styles"
                spacing: details.margin
                Repeater {
                    model: [{ name: "Solid", style: Qt.SolidLine }, { name: "Dashed", style: Qt.DashLine },
                            { name: "Dotted", style: Qt.DotLine }]
                    delegate: Rectangle {
                        objectName: "style_" + modelData.name
                        readonly property bool chosen: form.lineStyle === modelData.style
                        width: Utils.dp(80)
                        height: Utils.theme("buttonHeight", Utils.dp(40))
                        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
                        color: chosen ? Utils.theme("kivBlue", "#006eb8") : "transparent"
                        border.color: Utils.theme("kivBlue", "#006eb8")
                        Text {
                            anchors.centerIn: parent
                            text: modelData.name
                            color: parent.chosen ? "white" : Utils.theme("kivBlue", "#006eb8")
                        }
                        MouseArea {
                            anchors.fill: parent
                            onClicked: {
                                if (form.lineStyle === modelData.style)
                                    return
                                form.lineStyle = modelData.style
                                form.save()
                            }
                        }
                    }
                }
            }
            Label { objectName: "thicknessLabel"; text: "Thickness: " + Math.round(thickness.value) }
            SimpleSlider {
                id: thickness
                objectName: "thickness"
                width: parent.width
                minimumValue: 1; maximumValue: 30; stepSize: 1
                value: details.row.lineThickness
                onPressedChanged: if (!pressed) form.save()
            }
            Label { objectName: "opacityLabel"; text: "Opacity: " + Math.round(opacitySlider.value * 100) }
            SimpleSlider {
                id: opacitySlider
                objectName: "opacity"
                width: parent.width
                minimumValue: 0.1; maximumValue: 1.0; stepSize: 0
                value: details.row.lineOpacity
                onPressedChanged: if (!pressed) form.save()
            }
            Label { text: details.row.unitName }
            StratColumn {
                objectName: "unitChoice"
                width: parent.width
                height: Utils.dp(160)
                selectedUnit: form.unitId
                onSelectedUnitChanged: {
                    if (selectedUnit > 0 && selectedUnit !== details.row.unitId) {
                        form.unitId = selectedUnit
                        form.save()
                    }
                }
            }
            CommentField {
                id: comment
                objectName: "comment"
                stored: details.row.comment
                onEdited: form.save()
            }
        }
    }

    Component {
        id: imageDetails

        Column {
            id: form
            objectName: "imageDetails"
            spacing: details.margin
            readonly property alias moveButtons: moves
            readonly property alias deleteButtons: deletes
            readonly property var leftModel: moves
            readonly property var rightModel: deletes
            readonly property bool hasDirection: details.row.azimuth >= 0 && details.row.azimuth < 360

            function reset() {
                comment.reset()
                direction.text = hasDirection ? String(Math.round(details.row.azimuth)) : ""
            }
            function directionValue() {
                var value = parseInt(direction.text)
                return isFinite(value) && value >= 0 && value <= 359 ? value : details.row.azimuth
            }
            function save() {
                return details.saved(details.tool.dataModel.saveAnnotationData(
                    details.index, details.row.dataId, moves.latitude(), moves.longitude(), directionValue(),
                    comment.text))
            }
            function leftClicked(i) {
                if (!moves.click(i))
                    details.tool.showSketchTool(details.row.dataId)
            }
            function rightClicked() { deletes.click() }
            function viewImage() { details.tool.openPreview("image://detail/" + details.row.imageSource) }

            Component.onCompleted: reset()

            EditMoveDataButtonModel {
                id: moves
                tool: details.tool
                row: details.row
                onMoveStarted: details.moveStarted()
                onMoveEnded: {
                    details.moveEnded()
                    if (moved)
                        form.save()
                }
            }
            DeleteDataButtonModel { id: deletes; tool: details.tool; row: details.row }

            Image {
                id: picture
                objectName: "picture"
                width: parent.width
                height: width * 0.75
                fillMode: Image.PreserveAspectFit
                asynchronous: true
                cache: false
                source: "image://detail/" + details.row.imageSource
                MouseArea { anchors.fill: parent; onClicked: form.viewImage() }
                Connections {
                    target: _modelManager.currentProject
                    ignoreUnknownSignals: true
                    function onDataListChanged() {
                        picture.source = ""
                        picture.source = "image://detail/" + details.row.imageSource
                    }
                }
            }
            Row {
                visible: form.hasDirection
                spacing: details.margin
                Label { text: "Direction:"; anchors.verticalCenter: parent.verticalCenter }
                Rectangle {
                    width: Utils.dp(80)
                    height: Utils.theme("buttonHeight", Utils.dp(40))
                    border.color: Utils.theme("listSeparatorColor", "#cccccc")
                    TextInput {
                        id: direction
                        objectName: "direction"
                        anchors.fill: parent
                        anchors.margins: details.margin
                        validator: IntValidator { bottom: 0; top: 359 }
                        inputMethodHints: Qt.ImhDigitsOnly
                        font.pixelSize: Utils.theme("inputText", Utils.dp(18))
                        onEditingFinished: {
                            if (form.directionValue() !== Math.round(details.row.azimuth))
                                form.save()
                        }
                    }
                }
            }
            CommentField {
                id: comment
                objectName: "comment"
                stored: details.row.comment
                onEdited: form.save()
            }
        }
    }

    Component {
        id: localityDetails

        Column {
            id: form
            objectName: "localityDetails"
            spacing: details.margin
            readonly property alias moveButtons: moves
            readonly property alias deleteButtons: deletes
            readonly property var leftModel: moves
            readonly property var rightModel: deletes
            property color colour: details.row.localityColor

            function reset() {
                name.reset()
                description.reset()
                colour = details.row.localityColor
            }
            function save() {
                return details.saved(details.tool.dataModel.saveLocalityData(
                    details.index, details.row.localityId, name.text, description.text, moves.latitude(),
                    moves.longitude(), colour))
            }
            function pickColour() {
                _dialogController.launchCustomDialog("ColorPickerDialog.qml")
                var dialog = _dialogController.customDialog
                if (!dialog)
                    return
                dialog.color = form.colour
                dialog.colorPicked.connect(function(picked) {
                    form.colour = picked
                    form.save()
                })
            }
            function leftClicked(i) { moves.click(i) }
            function rightClicked() { deletes.click() }

            MoveDataButtonModel {
                id: moves
                tool: details.tool
                row: details.row
                onMoveStarted: details.moveStarted()
                onMoveEnded: {
                    details.moveEnded()
                    if (moved)
                        form.save()
                }
            }
            DeleteDataButtonModel { id: deletes; tool: details.tool; row: details.row }

            CommentField {
                id: name
                objectName: "name"
                stored: details.row.localityName
                placeholder: "Name"
                onEdited: form.save()
            }
            Rectangle {
                objectName: "colourButton"
                width: parent.width
                height: Utils.theme("buttonHeight", Utils.dp(40))
                radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
                color: form.colour
                MouseArea { anchors.fill: parent; onClicked: form.pickColour() }
            }
            CommentField {
                id: description
                objectName: "description"
                stored: details.row.comment
                placeholder: "Description"
                onEdited: form.save()
            }
        }
    }
}
