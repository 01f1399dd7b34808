// Runs the sketch panel's and the camera widgets' QML tests
// (tests/qml/sketchtool) with a current project and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/sketchtool"

#include <QtQuickTest>

#include "support/QmlProjectContext.h"

QUICK_TEST_MAIN_WITH_SETUP(sketchtoolpanel, kiv::test::ProjectContextSetup)
