import QtQuick 2.4

// A screen with the signals and the property the root connects.
Rectangle {
    property int projectId: -2
    signal closeProject(int projectId)
    signal loadProject(int projectId)
}
