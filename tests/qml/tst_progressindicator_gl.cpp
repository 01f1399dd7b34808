// Runs the progress item's QML tests (tests/qml/progress) with the theme and
// the real task runner.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/progress"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSemaphore>
#include <QtQuickTest>

#include "Database/ObjectTaskRunner.h"
#include "Database/Task.h"
#include "app/ApplicationManager.h"
#include "support/ApplicationIdentity.h"
#include "support/MessageLog.h"
#include "support/QmlTheme.h"

namespace {

class HeldTask : public kiv::Task
{
public:
    HeldTask(int progress, QSemaphore* release)
        : Task(QStringLiteral("held"), true)
        , m_progress(progress)
        , m_release(release)
    {
    }

    void work() override
    {
        setProgress(m_progress);
        m_release->tryAcquire(1, 10000);
        setSuccessful(true);
    }

private:
    int m_progress;
    QSemaphore* m_release;
};

// What the QML tests drive: a task on the real runner and the debug log.
class TaskSupport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE void start(QObject* item, int progress)
    {
        kiv::ObjectTaskRunner::instance()->addTask(new HeldTask(progress, &m_release), item);
    }
    Q_INVOKABLE void release() { m_release.release(); }
    // The first call starts recording: the test log installs its own
    // handler once the tests run.
    Q_INVOKABLE QStringList takeDebugLines()
    {
        kiv::test::recordLogLines();
        return kiv::test::takeDebugLines();
    }

private:
    QSemaphore m_release;
};

} // namespace

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        kiv::test::setApplicationIdentity();
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        auto* appManager = new kiv::ApplicationManager(qGuiApp);
        appManager->setParent(engine);
        // Sizes in the tests are pixels.
        appManager->setLogicalToPhysicalMultiplier(1.0);
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_appManager"), appManager);
        context->setContextProperty(QStringLiteral("_taskSupport"), new TaskSupport(engine));
        kiv::test::installTheme(engine);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(progressindicator, Setup)

#include "tst_progressindicator_gl.moc"
