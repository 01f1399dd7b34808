// Runs the import dialog's QML tests (tests/qml/importdialog/tst_*.qml)
// against recording stand-ins for the model manager and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/importdialog"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml>
#include <QtQuickTest>

#include "support/CallRecorder.h"

namespace {

// Only project 1 can be imported.
class Recorder : public kiv::test::CallRecorder
{
    Q_OBJECT

public:
    using CallRecorder::CallRecorder;

    Q_INVOKABLE bool importIntoCurrentProject(int projectId, bool images, bool maps, QObject*)
    {
        record(QStringLiteral("import:%1,%2,%3").arg(projectId).arg(images).arg(maps));
        return projectId == 1;
    }
};

} // namespace

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        Q_INIT_RESOURCE(qml);
        // The dialog needs nothing of the module but its import.
        qmlRegisterModule("quarzel.touch", 1, 0);
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_modelManager"), new Recorder(engine));
        context->setContextProperty(QStringLiteral("_dialogController"), new Recorder(engine));
        context->setContextProperty(QStringLiteral("_appManager"), new Recorder(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(importdialog, Setup)

#include "tst_importdialog_gl.moc"
