import QtQuick 2.4
import quarzel.touch 1.0

// The screen of the open project: a small loader for its pages.
ProjectViewController {
    id: projectView
    title: "ProjectViewController"
    anchors.fill: parent

    signal closeProject(int projectId)

    onCloseProject: {
        projectView.prepareToClose()
        // A page that failed to load has nothing to prepare, and must not stop the close.
        var mapPage = pageLoader.components["MapView"]
        if (mapPage)
            mapPage.prepareToClose()
        if (typeof _modelManager !== "undefined" && _modelManager)
            _modelManager.closeCurrentProject()
    }

    // The open page's unsaved work that closing the window would drop, in
    // words; empty when there is none.
    function unsavedWork() {
        var mapPage = pageLoader.components["MapView"]
        return mapPage ? mapPage.unsavedWork(true) : ""
    }

    // The user kept that work: what the question cut short goes on.
    function keepWork() {
        var mapPage = pageLoader.components["MapView"]
        if (mapPage)
            mapPage.keepWork()
    }

    Component.onCompleted: {
        projectView.viewDidLoad()
        // The screen is shown as soon as it is loaded; an inactive controller
        // would keep the whole screen, map included, disabled.
        projectView.viewWillAppear()
        projectView.viewDidAppear()
    }

    Item {
        id: pageLoader
        objectName: "pageLoader"
        anchors.fill: parent

        property string currentPage: ""
        property var currentView: null
        property var previousView: null
        property var components: ({})
        readonly property var pages: ["MapView"]
        readonly property int fadeDuration: (typeof _ui !== "undefined" && _ui) ? _ui.defaultAnimationDuration : 200

        function loadPage(pageUrl) {
            console.log("Loading component " + pageUrl)
            var component = Qt.createComponent(pageUrl + ".qml")
            if (component.status === Component.Ready) {
                var page = component.createObject(pageLoader, { opacity: 0, "anchors.fill": pageLoader })
                components[pageUrl] = page
                page.projectView = projectView
                page.viewDidLoad()
            } else {
                console.log("Component not ready: " + component.errorString())
                // The page that would let waiting messages through is missing: let them through here.
                if (typeof _dialogController !== "undefined" && _dialogController)
                    _dialogController.toastReady = true
            }
        }

        function showPage(pageUrl) {
            if (currentPage === pageUrl)
                return
            if (!components[pageUrl])
                loadPage(pageUrl)
            // Nothing to show when the page failed to load.
            if (components[pageUrl])
                showView(pageUrl)
        }

        function showView(pageUrl) {
            console.log("Show view:" + pageUrl)
            currentPage = pageUrl
            previousView = currentView
            currentView = components[pageUrl]
            if (previousView) {
                previousView.viewWillDisappear()
                fadeOut.target = previousView
                fadeOut.restart()
            }
            currentView.viewWillAppear()
            fadeIn.target = currentView
            fadeIn.restart()
        }

        PropertyAnimation {
            id: fadeOut
            property: "opacity"
            from: 1
            to: 0
            duration: pageLoader.fadeDuration
            onStopped: if (pageLoader.previousView) pageLoader.previousView.viewDidDisappear()
        }

        PropertyAnimation {
            id: fadeIn
            property: "opacity"
            from: 0
            to: 1
            duration: pageLoader.fadeDuration
            onStopped: if (pageLoader.currentView) pageLoader.currentView.viewDidAppear()
        }

        Component.onCompleted: {
            for (var i = pages.length - 1; i >= 0; --i)
                loadPage(pages[i])
            showPage(pages[0])
        }
    }
}
