// Runs the symbol picker's QML tests (tests/qml/symbols) against a real
// model manager with a current project, the dialog controller and the theme.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/symbols"

#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

QUICK_TEST_MAIN_WITH_SETUP(symbolpicker, kiv::test::ProjectContextSetup)
