// Runs the symbol picker's QML tests (tests/qml/symbols) against a real
// model manager with a current project, the dialog controller and the theme.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/symbols"

#include <QQmlEngine>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"

#include <memory>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine) { m_fixture = kiv::test::installProjectContext(engine); }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(symbolpicker, Setup)

#include "tst_symbolpicker_gl.moc"
