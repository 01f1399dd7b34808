import QtQuick 2.4
import quarzel.touch 1.0
import "Widgets"
import "Utils.js" as Utils

// The current symbol as a button: its icon and name, or an invitation to
// choose one. A tap opens the symbol dialog; choosing there makes the
// symbol current.
ActionButton {
    id: picker

    // Offer only symbols of the current symbol's kind.
    property bool filterSymbols: false
    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    property int symbolId: 0
    property string symbolName: ""
    property int symbolIconId: 0

    function refresh() {
        var manager = (typeof _modelManager !== "undefined") ? _modelManager : null
        symbolId = manager ? manager.currentSymbol : 0
        symbolName = project ? project.symbolName(symbolId) : ""
        symbolIconId = project ? project.symbolIconId(symbolId) : 0
    }

    function openDialog() {
        _dialogController.launchCustomDialog("SymbolSelectionDialog.qml")
        var dialog = _dialogController.customDialog
        if (!dialog)
            return
        dialog.symbolId = picker.symbolId
        dialog.filterSymbols = picker.filterSymbols
        _dialogController.result.connect(function(result) {
            if (result === 0 && dialog)
                _modelManager.currentSymbol = dialog.symbolId
        })
    }

    implicitWidth: Utils.theme("panelWidth", Utils.dp(320)) * 0.6
    implicitHeight: Utils.theme("buttonHeight", Utils.dp(40))
    onButtonActivated: openDialog()
    onProjectChanged: refresh()
    Component.onCompleted: refresh()

    Connections {
        target: picker.project
        ignoreUnknownSignals: true
        function onSymbolsChanged() { picker.refresh() }
    }

    Connections {
        target: (typeof _modelManager !== "undefined") ? _modelManager : null
        ignoreUnknownSignals: true
        function onCurrentSymbolChanged() { picker.refresh() }
    }

    Row {
        anchors.fill: parent
        anchors.leftMargin: Utils.theme("smallMargin", Utils.dp(5))
        anchors.rightMargin: Utils.theme("smallMargin", Utils.dp(5))
        spacing: Utils.theme("smallMargin", Utils.dp(5))

        SymbolItem {
            objectName: "pickerSymbol"
            anchors.verticalCenter: parent.verticalCenter
            width: parent.height * 0.8
            height: width
            visible: picker.symbolId !== 0
            iconId: picker.symbolIconId
            dip: 45
            azimuth: 120
        }

        Text {
            objectName: "pickerName"
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - (picker.symbolId !== 0 ? parent.height * 0.8 + parent.spacing : 0)
            elide: Text.ElideRight
            text: picker.symbolId === 0 ? "Select a symbol" : picker.symbolName
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
            color: picker.pressed ? picker.fillColor : picker.contentColor
        }
    }
}
