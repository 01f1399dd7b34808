// Runs the map tools' QML tests (tests/qml/maptools) against a real model
// manager with a current project, a test compass-clino source and a location
// manager with a fix.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/maptools"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "support/MessageLog.h"
#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"
#include "support/ScriptedCompassClino.h"
#include "support/ScriptedLocationManager.h"
#include "support/StorageSwitch.h"


// The warnings logged since the last call.
class WarningLog : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QStringList takeWarnings() { return kiv::test::takeWarnings(); }
};

class Setup : public kiv::test::ProjectContextSetup
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
        kiv::test::recordLogLines();
        ProjectContextSetup::qmlEngineAvailable(engine);
    }

protected:
    void extendContext(QQmlEngine* engine, kiv::test::ProjectFixture& fixture) override
    {
        kiv::test::installScriptedSensors(new kiv::test::ScriptedCompassClino())
            ->setLastKnownCoordinate(QPointF(7.0, 46.0));
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_testSupport"), new WarningLog(engine));
        context->setContextProperty(QStringLiteral("_storage"), new kiv::test::StorageSwitch(&fixture, engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(maptools, Setup)

#include "tst_maptools.moc"
