import QtQuick 2.4
import "../Utils.js" as Utils

// Chooses a rock unit's type: "Unit", "Fault" or "Contact", reported as the
// model's type letters "U", "F" and "C".
ScreenLayer {
    id: picker

    readonly property var types: ["U", "F", "C"]
    property string unitType: "U"

    signal unitTypePicked(string unitType)

    implicitWidth: segments.implicitWidth + 2 * Utils.theme("smallMargin", Utils.dp(5))
    implicitHeight: segments.implicitHeight + 2 * Utils.theme("smallMargin", Utils.dp(5))
    radius: Utils.theme("buttonCornerRadius", Utils.dp(5))
    color: "#ffffff"
    border.color: Utils.theme("listSeparatorColor", "#cccccc")

    SegmentedButton {
        id: segments
        objectName: "unitTypeSegments"
        anchors.centerIn: parent
        buttons: ["Unit", "Fault", "Contact"]
        activeButton: Math.max(0, picker.types.indexOf(picker.unitType))
        onClicked: {
            picker.unitType = picker.types[index]
            picker.unitTypePicked(picker.unitType)
        }
    }
}
