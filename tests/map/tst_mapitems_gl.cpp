// Runs the QML tests of the map's callout and temporary marker
// (tests/map/mapitems) with the real theme, dialog controller and a project.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/map/mapitems"

#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

QUICK_TEST_MAIN_WITH_SETUP(mapitems, kiv::test::ProjectContextSetup)
