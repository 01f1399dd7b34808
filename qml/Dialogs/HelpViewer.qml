import QtQuick 2.4
import "../Widgets"
import "../Utils.js" as Utils

// The help pages in a full-window viewer, for systems without a browser at
// hand. Pages are local HTML files shown as rich text; links to other pages
// open inside the viewer and are kept in a history.
Rectangle {
    id: viewer

    // Local path of the start page.
    property string homePath: ""
    readonly property string currentPath: historyIndex >= 0 ? history[historyIndex] : ""
    property var history: []
    property int historyIndex: -1
    readonly property bool canGoBack: historyIndex > 0
    readonly property bool canGoForward: historyIndex >= 0 && historyIndex < history.length - 1
    readonly property alias page: page

    signal closed()

    color: "#ffffff"

    function folderOf(path) {
        return path.slice(0, path.lastIndexOf("/") + 1)
    }

    function setHistory(entries, index) {
        history = entries
        historyIndex = index
    }

    function home() {
        visit(homePath)
    }

    function visit(path) {
        var entries = history.slice(0, historyIndex + 1)
        entries.push(path)
        setHistory(entries, entries.length - 1)
    }

    function back() {
        if (canGoBack)
            historyIndex -= 1
    }

    function forward() {
        if (canGoForward)
            historyIndex += 1
    }

    // Another help page opens here; web and mail links go to the system.
    function followLink(link) {
        if (/^[a-z][a-z0-9+.-]*:/i.test(link) && !/^file:/i.test(link)) {
            Utils.openLink(link)
            return
        }
        var target = link.split("#")[0]
        if (target === "")
            return
        if (/^file:/i.test(target))
            target = decodeURIComponent(target.replace(/^file:\/\//i, "").replace(/^\/([A-Za-z]:)/, "$1"))
        else if (target.charAt(0) !== "/")
            target = folderOf(currentPath) + decodeURIComponent(target)
        visit(target)
    }

    function pageText(path) {
        var text = (path !== "" && typeof _appManager !== "undefined" && _appManager)
                ? _appManager.loadTextFromFile(path) : ""
        return text !== "" ? text : "<p>The help page " + path + " could not be read.</p>"
    }

    Row {
        id: bar
        objectName: "helpBar"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.margins: Utils.theme("innerMargin", Utils.dp(8))
        spacing: Utils.theme("spacing", Utils.dp(8))

        Repeater {
            model: [
                { label: "Close", icon: "cancelIcon" },
                { label: "Home", icon: "projectIcon" },
                { label: "Back", icon: "backIcon" },
                { label: "Forward", icon: "forwardIcon" }
            ]

            ActionButton {
                width: Utils.dp(72)
                height: Utils.theme("buttonHeight", Utils.dp(40)) * 1.4
                symbol: modelData.icon
                label: modelData.label
                enabled: (modelData.label !== "Back" || viewer.canGoBack)
                         && (modelData.label !== "Forward" || viewer.canGoForward)
                onButtonActivated: {
                    if (modelData.label === "Close")
                        viewer.closed()
                    else if (modelData.label === "Home")
                        viewer.home()
                    else if (modelData.label === "Back")
                        viewer.back()
                    else
                        viewer.forward()
                }
            }
        }
    }

    Flickable {
        id: flickable
        anchors.top: bar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: Utils.theme("margin", Utils.dp(10))
        contentWidth: width
        contentHeight: page.height
        clip: true

        Text {
            id: page
            objectName: "helpPage"
            width: flickable.width
            wrapMode: Text.Wrap
            textFormat: Text.RichText
            baseUrl: viewer.currentPath !== "" ? Utils.fileUrl(viewer.currentPath) : ""
            text: viewer.currentPath !== "" ? viewer.pageText(viewer.currentPath) : ""
            font.pixelSize: Math.max(1, Utils.theme("mediumText", Utils.dp(18)))
            onLinkActivated: viewer.followLink(link)
            onTextChanged: flickable.contentY = 0
        }
    }

    Component.onCompleted: home()
}
