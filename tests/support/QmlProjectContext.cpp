#include "support/QmlProjectContext.h"

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "model/ModelManager.h"
#include "support/ProjectFixture.h"
#include "support/QmlTheme.h"
#include "support/ScriptedLocationManager.h"
#include "tools/AbstractCompassClino.h"

#include <QQmlContext>
#include <QQmlEngine>

namespace kiv::test {

std::unique_ptr<ProjectFixture> installProjectContext(QQmlEngine* engine)
{
    engine->addImportPath(QStringLiteral("qrc:/qml"));
    auto fixture = std::make_unique<ProjectFixture>();
    if (!fixture->isValid()) {
        qWarning("no project to test with");
        return nullptr;
    }
    ApplicationManager* appManager = ApplicationManager::instance();
    appManager->registerQmlTypes();
    QQmlContext* context = engine->rootContext();
    context->setContextProperty(QStringLiteral("_appManager"), appManager);
    context->setContextProperty(QStringLiteral("_modelManager"), ModelManager::instance());
    context->setContextProperty(QStringLiteral("_dialogController"), new DialogController(engine));
    appManager->setUi(installTheme(engine));
    return fixture;
}

ScriptedLocationManager* installScriptedSensors(AbstractCompassClino* compassClino)
{
    auto* app = static_cast<DocumentsApplication*>(ApplicationManager::instance());
    auto* location = new ScriptedLocationManager(app);
    if (compassClino)
        compassClino->setParent(app);
    app->setSensors(location, compassClino);
    return location;
}

} // namespace kiv::test

namespace kiv::test {

ProjectContextSetup::ProjectContextSetup() = default;

ProjectContextSetup::~ProjectContextSetup() = default;

void ProjectContextSetup::qmlEngineAvailable(QQmlEngine* engine)
{
    // Each test file gets an engine of its own; the previous fixture must go
    // before the next one makes its model manager.
    m_fixture.reset();
    m_fixture = installProjectContext(engine);
    if (m_fixture)
        extendContext(engine, *m_fixture);
}

void ProjectContextSetup::extendContext(QQmlEngine*, ProjectFixture&) {}

void ProjectContextSetup::cleanupTestCase()
{
    m_fixture.reset();
}

} // namespace kiv::test
