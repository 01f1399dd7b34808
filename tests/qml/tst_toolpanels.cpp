// Runs the QML tests of the coordinate field, the position bar and the layer panel
// (tests/qml/toolpanels) against a project and a scripted location manager.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/toolpanels"

#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"


class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        // No GL under the offscreen platform: Qt Quick draws in software.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

protected:
    void extendContext(QQmlEngine*, kiv::test::ProjectFixture&) override { kiv::test::installScriptedSensors(); }
};

QUICK_TEST_MAIN_WITH_SETUP(toolpanels, Setup)

#include "tst_toolpanels.moc"
