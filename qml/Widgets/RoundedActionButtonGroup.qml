import QtQuick 2.4

// An action button group of round glyph buttons.
ActionButtonGroup {
    buttonWidth: buttonHeight
    buttonRadius: buttonHeight / 2
}
