// Runs the QML tests of the coordinate field, the position bar and the layer panel
// (tests/qml/toolpanels) against a project and a scripted location manager.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/toolpanels"

#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

#include <memory>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        // No GL under the offscreen platform: Qt Quick draws in software.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        m_fixture = kiv::test::installProjectContext(engine);
        if (m_fixture)
            kiv::test::installScriptedSensors();
    }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(toolpanels, Setup)

#include "tst_toolpanels.moc"
