// Runs the line panel's QML tests (tests/qml/linetool) against a real model
// manager with a current project and rock unit.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/linetool"

#include <QQmlEngine>
#include <QtQuickTest>

#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

protected:
    void extendContext(QQmlEngine*, kiv::test::ProjectFixture& fixture) override
    {
        fixture.project->addRockUnit(1, QStringLiteral("Granite"), QColor("#c03020"), 0);
        kiv::ModelManager::instance()->setCurrentRockUnit(1);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(linetool, Setup)

#include "tst_linetoolpanel_gl.moc"
