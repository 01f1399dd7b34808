import QtQuick 2.4

// One button of a top bar: its title, its icon and the name of the bar's
// signal that a click emits.
QtObject {
    property string title: ""
    property url iconUrl: ""
    property string signalName: ""
}
