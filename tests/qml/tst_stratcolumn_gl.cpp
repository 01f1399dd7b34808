// Runs the strat column screen's QML tests (tests/qml/stratcolumn) against a
// real model manager with a current project and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/stratcolumn"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

#include <memory>

// Lets the QML tests make the project's writes fail.
class StorageSwitch : public QObject
{
    Q_OBJECT

public:
    explicit StorageSwitch(kiv::test::ProjectFixture* fixture, QObject* parent)
        : QObject(parent)
        , m_fixture(fixture)
    {
    }

    Q_INVOKABLE void lock() { m_lock = m_fixture->lockFor(QStringLiteral("EXCLUSIVE")); }
    Q_INVOKABLE void unlock() { m_lock.reset(); }

private:
    kiv::test::ProjectFixture* m_fixture;
    std::unique_ptr<kiv::test::DatabaseLock> m_lock;
};

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        m_fixture = kiv::test::installProjectContext(engine);
        if (m_fixture)
            engine->rootContext()->setContextProperty(QStringLiteral("_storage"),
                                                      new StorageSwitch(m_fixture.get(), engine));
    }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(stratcolumn, Setup)

#include "tst_stratcolumn_gl.moc"
