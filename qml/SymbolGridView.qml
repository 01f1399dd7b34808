import QtQuick 2.4
import quarzel.touch 1.0
import "Utils.js" as Utils

// The current project's plane and line symbols as a grid of icons; a tap
// makes a symbol current. The symbol dialog shows the icon list through it
// too: another source and type role, and taps that only report the icon.
GridView {
    id: view

    property bool filterPlaneSymbols: false
    property bool filterLineSymbols: false
    property real dip: 45
    readonly property var project: (typeof _modelManager !== "undefined" && _modelManager)
                                   ? _modelManager.currentProject : null
    property var symbolSource: project ? project.symbolListModel : null
    // The source's role answering the symbol type.
    property int typeRole: SymbolListModel.SymbolType
    // False: a tap only emits iconTapped, and whoever uses the grid keeps
    // currentIndex.
    property bool tapSetsCurrentSymbol: true

    signal iconTapped(int iconId)

    // Selects the cell of that symbol; none when it is not listed.
    function setSymbol(symbolId) {
        currentIndex = symbolModel.getIndexBySymbolId(symbolId)
    }

    // The cell of that icon; -1 when it is not listed.
    function indexOfIcon(iconId) {
        return symbolModel.getIndexByIconId(iconId)
    }

    clip: true
    cellWidth: Utils.theme("gridCellWidth", Utils.dp(46))
    cellHeight: Utils.theme("gridCellHeight", Utils.dp(46))
    currentIndex: -1
    highlightFollowsCurrentItem: true
    highlightMoveDuration: 0

    model: FilteredSymbolListModel {
        id: symbolModel
        sourceModel: view.symbolSource
        filterRole: view.typeRole
        filterPlaneSymbols: view.filterPlaneSymbols
        filterLineSymbols: view.filterLineSymbols
    }

    highlight: Rectangle {
        width: view.cellWidth
        height: view.cellHeight
        radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
        color: Utils.theme("kivLightBlue", "#009cde")
        opacity: 0.3
    }

    delegate: Item {
        width: view.cellWidth
        height: view.cellHeight

        SymbolItem {
            anchors.fill: parent
            anchors.margins: Utils.dp(4)
            iconId: model.iconId
            dip: view.dip
            azimuth: 120
        }

        MouseArea {
            anchors.fill: parent
            onClicked: {
                view.iconTapped(model.iconId)
                if (!view.tapSetsCurrentSymbol)
                    return
                view.currentIndex = index
                _modelManager.currentSymbol = model.symbolId
            }
        }
    }
}
