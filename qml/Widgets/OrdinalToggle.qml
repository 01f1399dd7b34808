import QtQuick 2.4
import "../Utils.js" as Utils

// The hemisphere beside a coordinate: one of a few letters ("N"/"S" or
// "W"/"E"). `toggled` tells a user's choice from a change made in code.
SegmentedButton {
    id: toggle

    property var ordinals: ["N", "S"]
    readonly property string ordinal: activeButton >= 0 && activeButton < ordinals.length
                                      ? ordinals[activeButton] : ""

    signal toggled(string ordinal)

    // Selects a letter; one that is not offered changes nothing.
    function setOrdinal(letter) {
        var index = ordinals.indexOf(letter)
        if (index >= 0)
            activeButton = index
    }

    buttons: ordinals
    implicitWidth: ordinals.length * Utils.theme("buttonHeight", Utils.dp(40))
    onClicked: toggled(ordinal)
}
