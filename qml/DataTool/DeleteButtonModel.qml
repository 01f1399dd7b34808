import QtQuick 2.4
import "../Utils.js" as Utils

// One "Delete" button that needs a second click within the confirm delay.
ListModel {
    id: buttons

    property bool armed: false
    readonly property color deleteColor: "#dd052b"

    signal confirmed()

    ListElement { iconName: ""; label: "Delete"; isPrimaryAction: false; primaryColor: "#dd052b"; enabled: true }

    function setArmed(value) {
        armed = value
        setProperty(0, "label", value ? "Confirm" : "Delete")
        setProperty(0, "isPrimaryAction", value)
        if (value)
            disarmTimer.restart()
        else
            disarmTimer.stop()
    }

    function stopConfirmation() {
        if (armed)
            setArmed(false)
    }

    function click() {
        if (!armed) {
            setArmed(true)
            return
        }
        setArmed(false)
        confirmed()
    }

    property Timer disarmTimer: Timer {
        interval: Utils.theme("deleteConfirmDelay", 2000)
        onTriggered: buttons.setArmed(false)
    }
}
