import QtQuick 2.4
import "../Widgets"

// A picture over the whole screen; a tap closes it.
ScreenLayer {
    id: preview

    property bool shown: false
    property alias source: previewImage.source

    visible: shown
    color: "black"
    Image {
        id: previewImage
        anchors.fill: parent
        fillMode: Image.PreserveAspectFit
        asynchronous: true
    }
    CoverArea { onClicked: preview.shown = false }
}
