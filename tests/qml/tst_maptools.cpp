// Runs the map tools' QML tests (tests/qml/maptools) against a real model
// manager with a current project, a test compass-clino source and a location
// manager with a fix.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/maptools"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"
#include "support/ScriptedLocationManager.h"
#include "support/StorageSwitch.h"
#include "tools/AbstractCompassClino.h"

#include <memory>

namespace {

QStringList s_warnings;
QtMessageHandler s_previousHandler = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        s_warnings.append(message);
    s_previousHandler(type, context, message);
}

// Delivers whatever the test writes into it.
class TestCompassClino : public kiv::AbstractCompassClino
{
public:
    using kiv::AbstractCompassClino::AbstractCompassClino;
    bool startUpdates() override { return true; }
};

} // namespace

// The warnings logged since the last call.
class WarningLog : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QStringList takeWarnings()
    {
        const QStringList taken = s_warnings;
        s_warnings.clear();
        return taken;
    }
};

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
        const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
        if (previous != recordWarning)
            s_previousHandler = previous;
        m_fixture.reset();
        m_fixture = kiv::test::installProjectContext(engine);
        if (!m_fixture)
            return;
        auto* app = static_cast<kiv::test::DocumentsApplication*>(kiv::ApplicationManager::instance());
        auto* location = new kiv::test::ScriptedLocationManager(app);
        location->setLastKnownCoordinate(QPointF(7.0, 46.0));
        app->setSensors(location, new TestCompassClino(app));
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_testSupport"), new WarningLog(engine));
        context->setContextProperty(QStringLiteral("_storage"),
                                    new kiv::test::StorageSwitch(m_fixture.get(), engine));
    }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(maptools, Setup)

#include "tst_maptools.moc"
