import QtQuick 2.4
import quarzel.touch 1.0
import ".."
import "../Widgets"
import "../Utils.js" as Utils

// Chooses the current symbol from the project's plane and line symbols, and
// creates, renames, re-icons and deletes symbols ("editSymbol").
BaseDialog {
    id: dialog

    // Offer only symbols of the kind of `symbolId`.
    property bool filterSymbols: false
    property int symbolId: 0

    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    readonly property var symbolList: project ? project.symbolListModel : null
    readonly property int planeType: 0
    readonly property int lineType: 8
    // The kind the list is limited to; -1 for both.
    readonly property int listedType: filterSymbols && project ? project.symbolType(symbolId) : -1

    // The symbol being edited, as stored; a new symbol has none.
    property bool newSymbol: false
    property string storedName: ""
    property int storedIconId: -1
    property int editedType: -1
    property bool editedLocked: false
    property int chosenIconId: -1
    readonly property bool unsavedChanges: state === "editSymbol"
                                           && (newSymbol ? nameField.text !== ""
                                                         : nameField.text !== storedName
                                                           || chosenIconId !== storedIconId)
    readonly property bool canSave: state === "editSymbol"
                                    && (newSymbol ? nameField.text !== "" : unsavedChanges)

    function selectListed() {
        symbolListView.currentIndex = symbolModel.getIndexBySymbolId(symbolId)
    }

    // Starts editing the symbol `symbolId`; a new one when it is not listed.
    function editSelected() {
        selectListed()
        var item = symbolListView.currentItem
        if (symbolListView.currentIndex < 0 || !item) {
            editNew()
            return
        }
        newSymbol = false
        storedName = item.symbolName
        storedIconId = item.symbolIconId
        editedType = item.symbolType
        editedLocked = item.symbolLocked
        revert()
        state = "editSymbol"
    }

    function editNew() {
        newSymbol = true
        storedName = ""
        editedType = listedType
        // The first icon offered, until another is chosen.
        storedIconId = editedType === lineType ? 13 : 0
        editedLocked = false
        revert()
        state = "editSymbol"
    }

    // Puts the name and icon back to the stored ones.
    function revert() {
        nameField.text = storedName
        chosenIconId = storedIconId
    }

    function save() {
        if (!symbolList)
            return
        if (newSymbol) {
            // A successful add announces the new id before it returns.
            if (!symbolList.addSymbol(nameField.text, chosenIconId)) {
                _dialogController.toastError("Failed to add symbol. Is the name unique?")
                return
            }
        } else if (!symbolList.modifySymbol(symbolId, nameField.text, chosenIconId)) {
            _dialogController.toastError("Failed to modify symbol. Is the name unique?")
            return
        }
        editSelected()
    }

    function deleteSymbol() {
        if (symbolList)
            symbolList.removeSymbol(symbolId)
        symbolId = _modelManager.currentSymbol
        selectListed()
        state = "default"
    }

    title: state === "editSymbol" ? "Edit symbols" : "Select a symbol"
    hasDoneButton: state !== "editSymbol"
    hasCancelButton: true
    cancelButtonIcon: state === "editSymbol" ? "cancelIcon" : "settingsIcon"
    canceledOnTouchOutside: state !== "editSymbol"
    // Only Save (or Return) stores a name or icon.
    keepsWindowOpen: unsavedChanges

    onDoneButtonClicked: dismiss(0)
    onCancelButtonClicked: {
        if (state !== "editSymbol")
            editSelected()
        else if (unsavedChanges)
            revert()
        else
            state = "default"
    }

    onSymbolIdChanged: selectListed()
    onListedTypeChanged: selectListed()

    states: [
        State { name: "default" },
        State { name: "editSymbol" }
    ]
    state: "default"

    Connections {
        target: dialog.symbolList
        ignoreUnknownSignals: true
        function onSymbolCreated(symbolId) { dialog.symbolId = symbolId }
        function onModelReset() { dialog.selectListed() }
    }

    Item {
        anchors.fill: parent

        Item {
            id: listPane
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.bottom: createButton.top
            anchors.bottomMargin: Utils.theme("smallMargin", Utils.dp(5))
            width: dialog.state === "editSymbol" ? parent.width * 0.45 : parent.width
            enabled: !dialog.unsavedChanges
            opacity: enabled ? 1 : 0.5

            ListView {
                id: symbolListView
                objectName: "symbolList"
                anchors.fill: parent
                clip: true
                currentIndex: -1
                highlightMoveDuration: 0
                onCountChanged: dialog.selectListed()

                model: FilteredSymbolListModel {
                    id: symbolModel
                    sourceModel: dialog.symbolList
                    filterRole: SymbolListModel.SymbolType
                    sortRole: SymbolListModel.SymbolType
                    filterPlaneSymbols: dialog.listedType === dialog.lineType
                    filterLineSymbols: dialog.listedType === dialog.planeType
                }

                section.property: "symbolType"
                section.delegate: Text {
                    width: symbolListView.width
                    height: Utils.theme("buttonHeight", Utils.dp(40)) * 0.8
                    verticalAlignment: Text.AlignBottom
                    text: Number(section) === dialog.lineType ? "Line Data Types" : "Plane Data Types"
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                    font.bold: true
                    color: Utils.theme("kivBlue", "#006eb8")
                }

                highlight: Rectangle {
                    color: Utils.theme("kivLightBlue", "#009cde")
                    opacity: 0.25
                }

                delegate: Item {
                    id: row

                    readonly property int symbolValue: model.symbolId
                    readonly property string symbolName: model.name
                    readonly property int symbolIconId: model.iconId
                    readonly property int symbolType: model.symbolType
                    readonly property bool symbolLocked: model.locked

                    width: symbolListView.width
                    height: Utils.theme("buttonHeight", Utils.dp(40)) + Utils.dp(4)

                    SymbolItem {
                        id: rowIcon
                        anchors.left: parent.left
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.height - Utils.dp(8)
                        height: width
                        iconId: row.symbolIconId
                        dip: 45
                        azimuth: 120
                    }

                    Text {
                        anchors.left: rowIcon.right
                        anchors.leftMargin: Utils.theme("innerMargin", Utils.dp(8))
                        anchors.right: lockGlyph.left
                        anchors.verticalCenter: parent.verticalCenter
                        elide: Text.ElideRight
                        text: row.symbolName
                        textFormat: Text.PlainText
                        maximumLineCount: 1
                        font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
                        color: Utils.theme("kivGrey", "#565757")
                    }

                    Text {
                        id: lockGlyph
                        objectName: "lock"
                        anchors.right: parent.right
                        anchors.rightMargin: Utils.theme("innerMargin", Utils.dp(8))
                        anchors.verticalCenter: parent.verticalCenter
                        visible: row.symbolLocked
                        text: Utils.icon("lock")
                        font.family: Utils.iconFontFamily()
                        font.pixelSize: Math.max(1, parent.height * 0.45)
                        color: Utils.theme("kivGrey", "#565757")
                    }

                    Rectangle {
                        anchors.bottom: parent.bottom
                        width: parent.width
                        height: 1
                        color: Utils.theme("listSeparatorColor", "#cccccc")
                    }

                    MouseArea {
                        anchors.fill: parent
                        onClicked: {
                            dialog.symbolId = row.symbolValue
                            if (dialog.state === "editSymbol")
                                dialog.editSelected()
                            else
                                dialog.dismiss(0)
                        }
                    }
                }
            }
        }

        ActionButton {
            id: createButton
            objectName: "createButton"
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            width: listPane.width
            label: "Create Symbol"
            labelSize: Utils.theme("mediumText", Utils.dp(18))
            enabled: !dialog.unsavedChanges
            onButtonActivated: dialog.editNew()
        }

        Item {
            id: editPanel
            objectName: "editPanel"
            anchors.left: listPane.right
            anchors.leftMargin: Utils.theme("margin", Utils.dp(10))
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            visible: dialog.state === "editSymbol"

            Column {
                id: nameColumn
                anchors.left: parent.left
                anchors.right: parent.right
                spacing: Utils.theme("smallMargin", Utils.dp(5))

                Text {
                    text: "Symbol name:"
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                    color: Utils.theme("kivBlue", "#006eb8")
                }

                ExpandableTextField {
                    id: nameField
                    objectName: "nameField"
                    width: parent.width
                    minimumWidth: parent.width
                    maximumWidth: parent.width
                    // Return saves, as the Save button does.
                    onAccepted: if (dialog.canSave) dialog.save()
                }

                Text {
                    text: "Icon:"
                    font.pixelSize: Math.max(1, Utils.theme("smallText", Utils.dp(14)))
                    color: Utils.theme("kivBlue", "#006eb8")
                }
            }

            SymbolGridView {
                id: iconGrid
                objectName: "iconGrid"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: nameColumn.bottom
                anchors.topMargin: Utils.theme("smallMargin", Utils.dp(5))
                anchors.bottom: buttonRow.top
                anchors.bottomMargin: Utils.theme("smallMargin", Utils.dp(5))
                interactive: contentHeight > height
                // The theme's icon list answers the default role with the
                // icon's symbol type.
                symbolSource: Utils.theme("symbolIconListModel", null)
                typeRole: Qt.DisplayRole
                filterPlaneSymbols: dialog.editedType === dialog.lineType
                filterLineSymbols: dialog.editedType === dialog.planeType
                tapSetsCurrentSymbol: false
                onIconTapped: dialog.chosenIconId = iconId

                // Marks the chosen icon; its cell moves when the filter changes.
                function markChosen() {
                    currentIndex = indexOfIcon(dialog.chosenIconId)
                }

                onCountChanged: markChosen()
                Component.onCompleted: markChosen()

                Connections {
                    target: dialog
                    function onChosenIconIdChanged() { iconGrid.markChosen() }
                }
            }

            Row {
                id: buttonRow
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                spacing: Utils.theme("spacing", Utils.dp(8))

                DeleteButton {
                    id: deleteButton
                    objectName: "deleteButton"
                    visible: !dialog.newSymbol
                    enabled: !dialog.editedLocked && !dialog.unsavedChanges
                    confirmLabel: "Confirm"
                    symbol: ""
                    label: confirming ? confirmLabel : "Delete symbol"
                    labelSize: Utils.theme("mediumText", Utils.dp(18))
                    width: deleteMetrics.advanceWidth + 2 * Utils.theme("margin", Utils.dp(10))
                    onDeleteActivated: dialog.deleteSymbol()

                    TextMetrics {
                        id: deleteMetrics
                        text: "Delete symbol"
                        font.pixelSize: Math.max(1, deleteButton.labelSize)
                    }
                }

                ActionButton {
                    id: saveButton
                    objectName: "saveButton"
                    width: deleteButton.width * 0.7
                    label: "Save"
                    labelSize: Utils.theme("mediumText", Utils.dp(18))
                    enabled: dialog.canSave
                    onButtonActivated: dialog.save()
                }
            }
        }
    }
}
