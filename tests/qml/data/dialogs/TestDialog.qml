import QtQuick 2.4
import "qrc:/qml/Dialogs"

// A custom dialog for the tests: closes on a tap beside it.
BaseDialog {
    title: "Test Dialog"
    canceledOnTouchOutside: true
    hasCancelButton: true
    defaultWidth: 300
    defaultHeight: 200
    onCancelButtonClicked: dismiss(2)
}
