import QtQuick 2.4

// The interface of the task progress item.
Item {
    property bool running: false
    property bool canCancel: false
    property int progress: 0
    property string caption: ""
    signal cancelled()
}
