import QtQuick 2.4

// A map page that cannot load.
Item {
    property int broken: "not a number
}
