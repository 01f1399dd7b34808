// Runs the QML tests of the project and stereonet panels
// (tests/qml/infotools) against a real model manager with a current project.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/infotools"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "Database/CommandManager.h"
#include "model/AddDataCommand.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/QmlProjectContext.h"

// Gives the QML tests planes to plot and a place for the grabs to review.
class DataMaker : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString reviewFolder READ reviewFolder CONSTANT)

public:
    using QObject::QObject;

    QString reviewFolder() const { return QStringLiteral(QUARZEL_BINARY_DIR "/tests"); }

    Q_INVOKABLE bool addPlanes(int count, int unitId = 0)
    {
        const auto project = kiv::ModelManager::instance()->currentProject();
        const int symbol = project->symbols().back().id;
        for (int i = 0; i < count; ++i) {
            auto command = std::make_shared<kiv::AddDataCommand>();
            command->setPlaneData(46.0, 7.0, 20.0f + 6.0f * i, 15.0f + 31.0f * i, unitId, symbol, QString());
            if (!kiv::CommandManager::instance()->execute(command))
                return false;
        }
        return true;
    }
};

class Setup : public kiv::test::ProjectContextSetup
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        ProjectContextSetup::qmlEngineAvailable(engine);
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), new DataMaker(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(infotools, Setup)

#include "tst_infotools_gl.moc"
