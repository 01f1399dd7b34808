import QtQuick 2.4

// "Edit" and "Move" for entries that open in another tool.
MoveDataButtonModel {
    moveIndex: 1

    Component.onCompleted: insert(0, { iconName: "", label: "Edit", isPrimaryAction: false, primaryColor: "",
                                       enabled: true })
}
