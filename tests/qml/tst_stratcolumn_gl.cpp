// Runs the strat column screen's QML tests (tests/qml/stratcolumn) against a
// real model manager with a current project and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/stratcolumn"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"
#include "support/StorageSwitch.h"

#include <memory>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        m_fixture = kiv::test::installProjectContext(engine);
        if (m_fixture)
            engine->rootContext()->setContextProperty(QStringLiteral("_storage"),
                                                      new kiv::test::StorageSwitch(m_fixture.get(), engine));
    }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(stratcolumn, Setup)

#include "tst_stratcolumn_gl.moc"
