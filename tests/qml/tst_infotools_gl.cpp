// Runs the QML tests of the project and stereonet panels
// (tests/qml/infotools) against a real model manager with a current project.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/infotools"

#include <QtQuickTest>

#include "support/QmlProjectContext.h"

QUICK_TEST_MAIN_WITH_SETUP(infotools, kiv::test::ProjectContextSetup)
