#pragma once

#include <QObject>

#include <memory>

class QQmlEngine;

namespace kiv {
class AbstractCompassClino;
}

namespace kiv::test {

class ProjectFixture;
class ScriptedLocationManager;

// Makes a project fixture and gives the engine what the program's screens
// expect of it: the registered types, _appManager, _modelManager, a
// _dialogController and the theme. Null (with a warning) without a project.
std::unique_ptr<ProjectFixture> installProjectContext(QQmlEngine* engine);

// After installProjectContext: a scripted location manager and the given
// compass-clino (or none) become the application's sensors, owned by it.
ScriptedLocationManager* installScriptedSensors(AbstractCompassClino* compassClino = nullptr);

// Set-up of a QML test program over that context: each test file's engine
// gets a fresh fixture. Programs whose tests need more add it in
// extendContext.
class ProjectContextSetup : public QObject
{
    Q_OBJECT

public:
    ProjectContextSetup();
    ~ProjectContextSetup() override;

public slots:
    void qmlEngineAvailable(QQmlEngine* engine);
    void cleanupTestCase();

protected:
    // Runs once the context is installed; not when there is no project.
    virtual void extendContext(QQmlEngine* engine, ProjectFixture& fixture);

private:
    std::unique_ptr<ProjectFixture> m_fixture;
};

} // namespace kiv::test
