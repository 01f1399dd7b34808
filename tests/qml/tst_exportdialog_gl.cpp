// Runs the export dialog's QML tests (tests/qml/exportdialog/tst_*.qml)
// against recording stand-ins for the model manager, the application manager
// and the dialog controller.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/exportdialog"

#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml>
#include <QtQuickTest>

#include "support/CallRecorder.h"

namespace {

// Records every call and answers true; a share answers false while refused.
class Recorder : public kiv::test::CallRecorder
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentProject MEMBER m_currentProject CONSTANT)
    Q_PROPERTY(bool refuseShares MEMBER m_refuseShares NOTIFY callsChanged)
    Q_PROPERTY(QObject* lastProject MEMBER m_lastProject NOTIFY callsChanged)
    Q_PROPERTY(QObject* lastProgress MEMBER m_lastProgress NOTIFY callsChanged)

public:
    Recorder(QObject* parent, bool isDesktopOS)
        : CallRecorder(parent, isDesktopOS)
        , m_currentProject(new QObject(this))
    {
        m_currentProject->setObjectName(QStringLiteral("currentProject"));
    }

    Q_INVOKABLE bool exportProjectToKIV(QObject* project, QObject* progress) { return exported("KIV", project, progress); }
    Q_INVOKABLE bool exportProjectToKML(QObject* project, QObject* progress) { return exported("KML", project, progress); }
    Q_INVOKABLE bool exportProjectToCSV(QObject* project, QObject* progress) { return exported("CSV", project, progress); }
    Q_INVOKABLE bool shareKIV() { return shared("shareKIV"); }
    Q_INVOKABLE bool shareKMZ() { return shared("shareKMZ"); }
    Q_INVOKABLE bool shareCSV() { return shared("shareCSV"); }

private:
    bool shared(const char* call) { return record(QLatin1String(call)) && !m_refuseShares; }

    bool exported(const char* format, QObject* project, QObject* progress)
    {
        m_lastProject = project;
        m_lastProgress = progress;
        return record(QStringLiteral("exportProjectTo") + QLatin1String(format));
    }

    QObject* m_currentProject;
    QObject* m_lastProject = nullptr;
    QObject* m_lastProgress = nullptr;
    bool m_refuseShares = false;
};

} // namespace

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        // Nothing else here links the program's library, which holds the QML.
        Q_INIT_RESOURCE(qml);
        // The progress item comes with the project list; until it is part
        // of the program a stand-in with its interface takes its place.
        const bool present = QFile::exists(QStringLiteral(":/qml/Widgets/ProgressIndicator.qml"));
        qmlRegisterType(QUrl::fromLocalFile(QStringLiteral(QUICK_TEST_SOURCE_DIR "/ProgressIndicatorStandIn.qml")),
                        "quarzel.touch", 1, 0, present ? "ProgressIndicatorStandIn" : "ProgressIndicator");
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_modelManager"), new Recorder(engine, false));
        context->setContextProperty(QStringLiteral("_dialogController"), new Recorder(engine, false));
        context->setContextProperty(QStringLiteral("_appManager"), new Recorder(engine, true));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(exportdialog, Setup)

#include "tst_exportdialog_gl.moc"
