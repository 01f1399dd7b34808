import QtQuick 2.4
import "../Utils.js" as Utils

// The built-in image gallery: the touch file dialog with its entries in a
// grid of pictures, served small by the "gallery" image provider.
TouchFileDialog {
    id: gallery

    readonly property real cellSize: Utils.theme("galleryGridSize", Utils.dp(128))

    title: "Please choose an image"
    selectFolder: false
    entryView: entryGrid

    Component.onCompleted: nameFilters = model.supportedImageFormats()

    Component {
        id: entryGrid

        GridView {
            clip: true
            model: gallery.model
            cellWidth: gallery.cellSize
            cellHeight: gallery.cellSize

            add: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
            }
            populate: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
            }

            delegate: Item {
                objectName: "entry"
                readonly property string entryName: name
                readonly property int entryRow: index
                readonly property alias picture: picture
                width: gallery.cellSize
                height: gallery.cellSize

                Rectangle {
                    anchors.fill: parent
                    anchors.margins: Utils.dp(2)
                    color: cellArea.pressed ? Utils.theme("pressedButtonColor", "#009cde")
                                            : Utils.theme("inactiveToolColor", "#e8e8e8")
                    clip: true

                    Image {
                        id: picture
                        anchors.fill: parent
                        visible: !isFolder
                        asynchronous: true
                        fillMode: Image.PreserveAspectCrop
                        // Without a theme the provider takes the size from here.
                        sourceSize.width: gallery.cellSize
                        sourceSize.height: gallery.cellSize
                        source: isFolder ? "" : "image://gallery/" + path
                    }

                    Column {
                        anchors.centerIn: parent
                        width: parent.width
                        visible: isFolder

                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: Utils.icon("folderIcon")
                            font.family: Utils.iconFontFamily()
                            font.pixelSize: gallery.cellSize * 0.4
                            color: gallery.glyphColor
                        }

                        Text {
                            width: parent.width
                            horizontalAlignment: Text.AlignHCenter
                            elide: Text.ElideMiddle
                            text: name
                            font.pixelSize: Utils.theme("smallText", Utils.dp(14))
                            color: gallery.textColor
                        }
                    }
                }

                MouseArea {
                    id: cellArea
                    anchors.fill: parent
                    onClicked: gallery.activate(index, isFolder, path)
                }
            }
        }
    }
}
