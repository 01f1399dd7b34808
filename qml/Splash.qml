import QtQuick 2.4

// The first screen: logo and emblem while the program settles, then the
// project view.
Rectangle {
    id: splash

    color: "#ffffff"

    Rectangle {
        id: upperArea
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        height: parent.height * 2 / 3
        color: "#f6f6f6"

        Image {
            id: logo
            objectName: "logo"
            anchors.fill: parent
            anchors.margins: parent.height / 5
            source: "images/logo.svg"
            sourceSize.width: width
            sourceSize.height: height
            fillMode: Image.PreserveAspectFit
        }
    }

    Image {
        id: emblem
        objectName: "emblem"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: width / 8
        width: parent.width / 6
        height: width / 2
        source: "images/emblem.svg"
        sourceSize.width: width
        sourceSize.height: height
        fillMode: Image.PreserveAspectFit
    }

    Timer {
        id: leaveTimer
        interval: 30
        repeat: false
        onTriggered: {
            if (typeof _appManager !== "undefined" && _appManager)
                _appManager.initialView = "ProjectView.qml"
        }
    }

    Component.onCompleted: leaveTimer.start()
}
