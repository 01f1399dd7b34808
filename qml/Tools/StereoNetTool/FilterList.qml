import QtQuick 2.4

// One filter list of the stereonet tool, headed by its title row.
ListView {
    id: filterList

    property string title: ""

    height: contentHeight
    interactive: false
    header: FilterRow {
        width: filterList.width
        header: true
        text: filterList.title
    }
}
