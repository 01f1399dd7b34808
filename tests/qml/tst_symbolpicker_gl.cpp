// Runs the symbol picker's QML tests (tests/qml/symbols) against a real
// model manager with a current project, the dialog controller and the theme.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/symbols"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "model/ModelManager.h"
#include "support/ProjectFixture.h"
#include "support/QmlTheme.h"

#include <memory>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        m_fixture = std::make_unique<kiv::test::ProjectFixture>();
        if (!m_fixture->isValid()) {
            qWarning("no project to test with");
            return;
        }
        kiv::ApplicationManager* appManager = kiv::ApplicationManager::instance();
        appManager->registerQmlTypes();
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_appManager"), appManager);
        context->setContextProperty(QStringLiteral("_modelManager"), kiv::ModelManager::instance());
        context->setContextProperty(QStringLiteral("_dialogController"), new kiv::DialogController(engine));
        appManager->setUi(kiv::test::installTheme(engine));
    }

    void cleanupTestCase() { m_fixture.reset(); }

private:
    std::unique_ptr<kiv::test::ProjectFixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(symbolpicker, Setup)

#include "tst_symbolpicker_gl.moc"
