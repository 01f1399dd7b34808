// Runs the QML tests of the shell (tests/qml/data/tst_*.qml) against the real
// application manager, dialog controller and theme object.

#define QUICK_TEST_SOURCE_DIR QUARZEL_SOURCE_DIR "/tests/qml/data"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QQmlAbstractUrlInterceptor>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "app/ThumbnailImageProvider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

// The project a fake model manager holds as current.
class FakeProject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)

public:
    explicit FakeProject(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

    QString name() const { return m_name; }
    void setName(const QString& name)
    {
        if (m_name == name)
            return;
        m_name = name;
        emit nameChanged(name);
    }

signals:
    void nameChanged(const QString& name);

private:
    QString m_name;
};

// Stands in for the model manager: only what the shell calls.
class FakeModelManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentProject READ currentProject WRITE setCurrentProjectObject NOTIFY
                   currentProjectChanged)
    Q_PROPERTY(int lastRequestedProject READ lastRequestedProject NOTIFY lastRequestedProjectChanged)

public:
    explicit FakeModelManager(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

    QObject* currentProject() const { return m_currentProject; }
    void setCurrentProjectObject(QObject* project)
    {
        if (m_currentProject == project)
            return;
        m_currentProject = project;
        emit currentProjectChanged();
    }
    int lastRequestedProject() const { return m_lastRequestedProject; }

    Q_INVOKABLE void setCurrentProject(int id)
    {
        m_lastRequestedProject = id;
        emit lastRequestedProjectChanged();
    }

signals:
    void currentProjectChanged();
    void lastRequestedProjectChanged();

private:
    QObject* m_currentProject = nullptr;
    int m_lastRequestedProject = -1;
};

// What the QML tests need beyond the application's own objects: the QML
// warnings of the engine and a model manager they can put in and take out.
class TestSupport : public QObject
{
    Q_OBJECT

public:
    explicit TestSupport(QQmlEngine* engine)
        : QObject(engine)
        , m_engine(engine)
    {
        engine->setOutputWarningsToStandardError(false);
        connect(engine, &QQmlEngine::warnings, this, &TestSupport::record);
    }

    // The warnings so far belong to setting up the engine, not to a test.
    void setupFinished() { m_setupWarnings.swap(m_warnings); }

    // The QML warnings of setting up the engine (making the theme object).
    Q_INVOKABLE QStringList setupWarnings() const { return m_setupWarnings; }

    // The QML warnings since the last call.
    Q_INVOKABLE QStringList takeWarnings()
    {
        QStringList taken;
        taken.swap(m_warnings);
        return taken;
    }

    // Makes _modelManager a fake (present) or null (absent); returns the fake.
    Q_INVOKABLE QObject* setModelManagerPresent(bool present)
    {
        if (present && !m_modelManager)
            m_modelManager = new FakeModelManager(this);
        QObject* value = present ? m_modelManager : nullptr;
        m_engine->rootContext()->setContextProperty(QStringLiteral("_modelManager"),
                                                    QVariant::fromValue(value));
        return value;
    }

    // Takes the theme object out of reach (as when it failed to load) or puts
    // it back.
    Q_INVOKABLE void setThemePresent(bool present)
    {
        QQmlContext* context = m_engine->rootContext();
        if (!present && !m_theme)
            m_theme = context->contextProperty(QStringLiteral("_ui")).value<QObject*>();
        context->setContextProperty(QStringLiteral("_ui"),
                                    present ? QVariant::fromValue(m_theme.data()) : QVariant());
    }

    // Every QML file of the program's resources, as qrc URLs.
    Q_INVOKABLE QStringList qmlFiles() const
    {
        QStringList urls;
        QDirIterator it(QStringLiteral(":/qml"), {QStringLiteral("*.qml")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            urls.append(QStringLiteral("qrc") + it.next());
        urls.sort();
        return urls;
    }

    // Writes a text file (UTF-8), making its folder; false when it cannot.
    Q_INVOKABLE bool writeTextFile(const QString& path, const QString& text)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
    }

    // A new empty folder that lives as long as the engine.
    Q_INVOKABLE QString makeTemporaryFolder()
    {
        auto* folder = new QTemporaryDir();
        m_folders.emplace_back(folder);
        return folder->path();
    }

    Q_INVOKABLE bool makeFolder(const QString& path) { return QDir().mkpath(path); }

    Q_INVOKABLE bool writeFile(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
    }

    // A small picture in the format the name's suffix gives.
    Q_INVOKABLE bool writeImage(const QString& path)
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        return QDir().mkpath(QFileInfo(path).path()) && image.save(path);
    }

    Q_INVOKABLE QObject* createProject(const QString& name)
    {
        auto* project = new FakeProject(this);
        project->setName(name);
        return project;
    }

private:
    void record(const QList<QQmlError>& errors)
    {
        for (const QQmlError& error : errors) {
            m_warnings.append(error.toString());
            qWarning("%s", qPrintable(error.toString()));
        }
    }

    QQmlEngine* m_engine;
    QStringList m_warnings;
    QStringList m_setupWarnings;
    FakeModelManager* m_modelManager = nullptr;
    QPointer<QObject> m_theme;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;
};

// Lets a custom dialog and a screen from the test folder load as if they
// were files of the program.
class TestFileInterceptor : public QQmlAbstractUrlInterceptor
{
public:
    QUrl intercept(const QUrl& url, DataType) override
    {
        static const QHash<QUrl, QString> testFiles = {
            {QUrl(QStringLiteral("qrc:/qml/Dialogs/TestDialog.qml")), QStringLiteral("dialogs/TestDialog.qml")},
            {QUrl(QStringLiteral("qrc:/qml/TestScreen.qml")), QStringLiteral("screens/TestScreen.qml")},
        };
        const auto it = testFiles.constFind(url);
        if (it == testFiles.constEnd())
            return url;
        return QUrl::fromLocalFile(QStringLiteral(QUICK_TEST_SOURCE_DIR "/") + it.value());
    }
};

} // namespace

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("KIV"));
        QCoreApplication::setApplicationName(QStringLiteral("Quarzel"));
        QCoreApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
        // No GL under the offscreen platform: Qt Quick draws in software.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

    // Every test file gets a fresh engine and fresh application objects.
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        engine->setUrlInterceptor(&m_interceptor);

        auto* support = new TestSupport(engine);
        auto* appManager = new kiv::ApplicationManager(qGuiApp);
        appManager->setParent(engine);
        // The types are registered once per process, as in the program.
        if (!m_typesRegistered) {
            appManager->registerQmlTypes();
            m_typesRegistered = true;
        }
        auto* dialogController = new kiv::DialogController(engine);

        QQmlContext* context = engine->rootContext();
        context->setContextProperty(QStringLiteral("_testSupport"), support);
        context->setContextProperty(QStringLiteral("_appManager"), appManager);
        context->setContextProperty(QStringLiteral("_dialogController"), dialogController);

        QQmlComponent component(engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
        QObject* ui = component.create(context);
        if (!ui) {
            qWarning("failed to load: %s", qPrintable(component.url().toString()));
            for (const QQmlError& error : component.errors())
                qWarning("%s", qPrintable(error.toString()));
            return;
        }
        ui->setParent(engine);
        context->setContextProperty(QStringLiteral("_ui"), ui);
        appManager->setUi(ui);
        // The image providers, as start-up has them.
        kiv::ThumbnailImageProvider::addProviders(engine);
        support->setupFinished();
    }

private:
    TestFileInterceptor m_interceptor;
    bool m_typesRegistered = false;
};

QUICK_TEST_MAIN_WITH_SETUP(qmlshell, Setup)

#include "tst_qmlshell.moc"
