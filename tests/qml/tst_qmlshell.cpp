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
#include <QQmlIncubationController>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQuickTest>

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "app/ThumbnailImageProvider.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/FileSizeLimit.h"
#include "support/MessageLog.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedCompassClino.h"
#include "support/ScriptedLocationManager.h"
#include "tools/AbstractCompassClino.h"

#include <QDesktopServices>
#include <QSettings>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

// The test file that stands in for the program's map page.
QString s_mapViewFile = QStringLiteral("screens/MapView.qml");


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
    Q_PROPERTY(int closes MEMBER m_closes NOTIFY closesChanged)

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

    Q_INVOKABLE void closeCurrentProject()
    {
        ++m_closes;
        emit closesChanged();
    }

signals:
    void currentProjectChanged();
    void lastRequestedProjectChanged();
    void closesChanged();

private:
    QObject* m_currentProject = nullptr;
    int m_lastRequestedProject = -1;
    int m_closes = 0;
};

// The application manager over a documents folder of the test's own, with
// sensors the test installs.
class TestApplicationManager : public kiv::ApplicationManager
{
public:
    explicit TestApplicationManager(QGuiApplication* application)
        : kiv::ApplicationManager(application)
    {
    }

    QString documentPath() const override { return m_documents.path(); }

    // As on a system without a browser: the link is handed over and refused.
    bool openLink(const QUrl& url) override { return kiv::ApplicationManager::openLink(url) && !m_refuseLinks; }
    void setRefuseLinks(bool refuse) { m_refuseLinks = refuse; }

    void installSensors(bool location, bool compassClino, bool hasSensors)
    {
        kiv::AbstractLocationManager* manager = location ? new kiv::test::ScriptedLocationManager(this) : nullptr;
        auto* compass = compassClino ? new kiv::test::ScriptedCompassClino(this) : nullptr;
        if (compass)
            compass->setHasRequiredSensors(hasSensors);
        setSensors(manager, compass);
    }

private:
    QTemporaryDir m_documents;
    bool m_refuseLinks = false;
};

// What the QML tests need beyond the application's own objects: the QML
// warnings of the engine and a model manager they can put in and take out.
class TestSupport : public QObject
{
    Q_OBJECT

public:
    TestSupport(QQmlEngine* engine, TestApplicationManager* appManager)
        : QObject(engine)
        , m_engine(engine)
        , m_appManager(appManager)
    {
        engine->setOutputWarningsToStandardError(false);
        connect(engine, &QQmlEngine::warnings, this, &TestSupport::record);
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "recordUrl");
    }

    ~TestSupport() override
    {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        // The engine's root context is gone by now.
        dropRealModelManager(false);
    }

    // As on a system without a browser: openLink fails.
    Q_INVOKABLE void refuseLinks(bool refuse) { m_appManager->setRefuseLinks(refuse); }

    // Objects the engine still builds in the background; one left building
    // when a test file's engine goes is leaked by Qt.
    Q_INVOKABLE int incubatingObjects() const
    {
        const QQmlIncubationController* controller = m_engine->incubationController();
        return controller ? controller->incubatingObjectCount() : 0;
    }

    // The links openLink handed to the system, oldest first.
    Q_INVOKABLE QStringList takeOpenedUrls()
    {
        QStringList taken;
        taken.swap(m_openedUrls);
        return taken;
    }

    // Makes _modelManager a new real one over an emptied documents folder
    // holding `projects` projects; returns it.
    Q_INVOKABLE QObject* useRealModelManager(int projects)
    {
        dropRealModelManager();
        QDir documents(m_appManager->documentPath());
        documents.removeRecursively();
        documents.mkpath(QStringLiteral("."));
        m_realModelManager = new kiv::ModelManager();
        // Handed to QML below: without this its garbage collector owns it.
        QQmlEngine::setObjectOwnership(m_realModelManager, QQmlEngine::CppOwnership);
        // Asking for the instance makes one when there is none: replace it.
        kiv::ModelManager*& instance = kiv::ModelManager::instance();
        delete instance;
        instance = m_realModelManager;
        m_realModelManager->init(documents);
        for (int i = 1; i < projects; ++i)
            m_realModelManager->createProject();
        m_engine->rootContext()->setContextProperty(QStringLiteral("_modelManager"), m_realModelManager);
        return m_realModelManager;
    }

    // A stored project named name in a new folder outside the documents
    // folder; the folder's path.
    Q_INVOKABLE QString makeExternalProject(const QString& name)
    {
        const QString folder = makeTemporaryFolder() + QStringLiteral("/field.qz");
        QDir().mkpath(folder);
        kiv::Project project(kiv::ProjectId(9000 + ++m_lastId), nullptr, name, QString(), QString(), QDir(folder));
        project.save();
        return folder;
    }

    Q_INVOKABLE bool exists(const QString& path) const { return QFileInfo::exists(path); }

    Q_INVOKABLE QString documentPath() const { return m_appManager->documentPath(); }

    // Adds a stored locality to the project; with a photograph name, one
    // image datum whose picture exists. False when there is no such project.
    Q_INVOKABLE bool addLocality(uint projectId, const QString& photograph = QString())
    {
        const auto project = m_realModelManager ? m_realModelManager->projectById(kiv::ProjectId(projectId)) : nullptr;
        if (!project)
            return false;
        const auto locality = project->createLocality(kiv::test::idOf(++m_lastId));
        project->syncLocalityDetails(locality.get());
        if (photograph.isEmpty())
            return true;
        const auto data = locality->addImage(kiv::test::idOf(++m_lastId), 46.0, 7.0, 0.0f, photograph, "", "", "");
        project->syncDataDetails(data);
        return writeImage(project->folder().absoluteFilePath(QStringLiteral("images/") + photograph));
    }

    Q_INVOKABLE void installSensors(bool location, bool compassClino, bool hasSensors)
    {
        m_appManager->installSensors(location, compassClino, hasSensors);
    }

    // A value of the user's settings file as stored on disk.
    Q_INVOKABLE QVariant userSetting(const QString& key) const
    {
        return QSettings(QStringLiteral("user"), QString()).value(key);
    }

    // The bytes of the user's settings file.
    Q_INVOKABLE QString userSettingsFile() const
    {
        return bytesOf(QSettings(QStringLiteral("user"), QString()).fileName());
    }

    // The same for the application's own settings file.
    Q_INVOKABLE QVariant appSetting(const QString& key) const { return QSettings().value(key); }
    Q_INVOKABLE QString appSettingsFile() const { return bytesOf(QSettings().fileName()); }

    // As on a full disk, no file of the process grows while full.
    Q_INVOKABLE bool setDiskFull(bool full)
    {
        m_fullDisk.reset(full ? new kiv::test::FileSizeLimit(0) : nullptr);
        return !m_fullDisk || m_fullDisk->isSet();
    }

    // The warnings so far belong to setting up the engine, not to a test.
    void setupFinished() { m_setupWarnings.swap(m_warnings); }

    // The QML warnings of setting up the engine (making the theme object).
    Q_INVOKABLE QStringList setupWarnings() const { return m_setupWarnings; }
    Q_INVOKABLE void setMapViewFile(const QString& file) { s_mapViewFile = file; }
    // Debug lines of the QML files, for tests of what a file logs.
    Q_INVOKABLE QStringList takeDebugLines() { return kiv::test::takeDebugLines(); }

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
    static QString bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void dropRealModelManager(bool engineAlive = true)
    {
        if (!m_realModelManager)
            return;
        if (engineAlive)
            m_engine->rootContext()->setContextProperty(QStringLiteral("_modelManager"), QVariant());
        if (kiv::ModelManager::instance() == m_realModelManager)
            kiv::ModelManager::instance() = nullptr;
        delete m_realModelManager;
        m_realModelManager = nullptr;
    }

private slots:
    void recordUrl(const QUrl& url) { m_openedUrls.append(url.toString()); }

private:
    void record(const QList<QQmlError>& errors)
    {
        for (const QQmlError& error : errors) {
            m_warnings.append(error.toString());
            qWarning("%s", qPrintable(error.toString()));
        }
    }

    QQmlEngine* m_engine;
    TestApplicationManager* m_appManager;
    kiv::ModelManager* m_realModelManager = nullptr;
    QStringList m_openedUrls;
    int m_lastId = 0;
    QStringList m_warnings;
    QStringList m_setupWarnings;
    FakeModelManager* m_modelManager = nullptr;
    QPointer<QObject> m_theme;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;
    std::unique_ptr<kiv::test::FileSizeLimit> m_fullDisk;
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
        if (url == QUrl(QStringLiteral("qrc:/qml/MapView.qml")))
            return QUrl::fromLocalFile(QStringLiteral(QUICK_TEST_SOURCE_DIR "/") + s_mapViewFile);
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
        kiv::test::setApplicationIdentity();
        // No GL under the offscreen platform: Qt Quick draws in software.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

    // Every test file gets a fresh engine and fresh application objects.
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        engine->setUrlInterceptor(&m_interceptor);

        // After the test logger's own handler, which it installs once testing starts.
        kiv::test::recordLogLines();

        auto* appManager = new TestApplicationManager(qGuiApp);
        auto* support = new TestSupport(engine, appManager);
        // Torn down after the support object and the model manager it holds.
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
