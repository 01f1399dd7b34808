// Runs the strat column screen's QML tests (tests/qml/stratcolumn) against a
// real model manager with a current project and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/stratcolumn"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "support/ProjectFixture.h"
#include "support/QmlProjectContext.h"
#include "support/StorageSwitch.h"

class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

protected:
    void extendContext(QQmlEngine* engine, kiv::test::ProjectFixture& fixture) override
    {
        engine->rootContext()->setContextProperty(QStringLiteral("_storage"),
                                                  new kiv::test::StorageSwitch(&fixture, engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(stratcolumn, Setup)

#include "tst_stratcolumn_gl.moc"
