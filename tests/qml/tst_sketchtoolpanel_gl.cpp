// Runs the sketch panel's and the camera widgets' QML tests
// (tests/qml/sketchtool) with a current project, the dialog controller and a
// location manager whose position the tests set.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/sketchtool"

#include <QtQuickTest>

#include "support/QmlProjectContext.h"

class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

protected:
    void extendContext(QQmlEngine*, kiv::test::ProjectFixture&) override { kiv::test::installScriptedSensors(); }
};

QUICK_TEST_MAIN_WITH_SETUP(sketchtoolpanel, Setup)

#include "tst_sketchtoolpanel_gl.moc"
