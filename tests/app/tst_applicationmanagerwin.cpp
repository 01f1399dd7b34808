#include <QtTest>

#include "Database/Task.h"
#include "app/ApplicationManagerWin.h"
#include "app/MainView.h"
#include "support/LocalHttpServer.h"
#include "support/SampleData.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QProcess>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <unistd.h>

using kiv::ApplicationManagerWin;

namespace {

const char* const InitChildFlag = "--init-child";

// A task that only collects what it is told.
class RecordingTask : public kiv::Task
{
public:
    RecordingTask()
        : kiv::Task(QStringLiteral("zip"), false)
    {
        connect(this, &Task::progressChanged, [this](kiv::Task*, int value) { reported.append(value); });
    }
    void work() override {}

    QList<int> reported;
};

const QString VersionPath = QStringLiteral("/assets/quarzel_version_win.txt");

// A loopback server answering the version file with the given status.
std::unique_ptr<kiv::test::LocalHttpServer> versionServer(int status, const QByteArray& body)
{
    auto server = std::make_unique<kiv::test::LocalHttpServer>();
    server->setReply(VersionPath, {status, body, "text/plain; charset=utf-8", false});
    return server->start() ? std::move(server) : nullptr;
}

// The entries of a valid archive; empty when unzip finds a fault.
QStringList zipEntries(const QString& archive)
{
    if (kiv::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}).exitCode != 0)
        return {};
    const QByteArray list = kiv::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}).output;
    return QString::fromUtf8(list).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

void useSoftwareScene()
{
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

// The whole start-up in a process of its own: an old system ends it.
int runInitChild(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Quarzel"));
    QGuiApplication::setOrganizationName(QStringLiteral("KIV"));
    QGuiApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
    useSoftwareScene();
    auto* manager = new ApplicationManagerWin(&application);
    manager->init();
    const kiv::MainView* view = manager->mainView();
    std::printf("init returned width=%d fullscreen=%d keyboard=%d documents=%d gl=%g online=%d\n",
                view ? view->width() : -1, int(manager->fullscreen()), int(manager->userKeyboardControl()),
                int(QFileInfo(manager->documentPath()).isDir()), manager->physicalToGLMultiplier(),
                int(manager->online()));
    std::fflush(stdout);
    // The window and its world are never torn down in the program either.
    ::_exit(0);
}

} // namespace

class TestApplicationManagerWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManagerWin> manager;
    QList<QUrl> openedUrls;

    void remindDaysAgo(int days)
    {
        if (days < 0)
            QSettings().remove(QStringLiteral("NewVersionRemindMeLaterTime"));
        else if (days == 0)
            manager->newBuildRemindLater();
        else
            QSettings().setValue(QStringLiteral("NewVersionRemindMeLaterTime"),
                                 QDateTime::currentDateTime().addDays(-days));
    }

public slots:
    // Stands in for the desktop's file manager.
    void openUrl(const QUrl& url) { openedUrls.append(url); }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("KIV"));
        QCoreApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
        QCoreApplication::setApplicationName(QStringLiteral("Quarzel"));
        // Loopback only, whatever the environment says about proxies.
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        qRegisterMetaType<QNetworkReply*>();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init()
    {
        QSettings().clear();
        openedUrls.clear();
        qunsetenv("QUARZEL_TOUCH_DIGITIZER");
        manager = std::make_unique<ApplicationManagerWin>(qGuiApp);
    }

    void cleanup()
    {
        if (manager)
            manager->setMainView(nullptr);
        manager.reset();
        qunsetenv("QUARZEL_TOUCH_DIGITIZER");
    }

    void commandLineOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("uiScale");
        QTest::addColumn<bool>("designSize");
        QTest::addColumn<QSize>("windowSize");
        QTest::addColumn<bool>("startFullscreen");
        QTest::addColumn<QString>("updateUrl");

        const QString program = QStringLiteral("/usr/bin/Quarzel");
        auto row = [&](const char* name, const QStringList& arguments, double uiScale, bool designSize, QSize size,
                       bool fullscreen, const QString& url = QString()) {
            QTest::newRow(name) << arguments << uiScale << designSize << size << fullscreen << url;
        };
        row("program only", {program}, 0.0, false, QSize(), false);
        row("scale", {program, "-u=1.5"}, 1.5, false, QSize(), false);
        row("scale up to next =", {"-u=2.25=7"}, 2.25, false, QSize(), false);
        row("scale not a number", {"-u=big"}, 0.0, false, QSize(), false);
        row("scale infinite", {"-u=inf"}, 0.0, false, QSize(), false);
        row("scale not finite", {"-u=nan"}, 0.0, false, QSize(), false);
        row("options are case-sensitive", {"-U=1.5", "-FS", "-DS"}, 0.0, false, QSize(), false);
        row("width only", {"-w=800"}, 0.0, false, QSize(800, 0), false);
        row("width and height", {"-w=800", "-h=600"}, 0.0, false, QSize(800, 600), false);
        row("height not a number", {"-h=tall"}, 0.0, false, QSize(0, 0), false);
        row("full screen", {"-fs"}, 0.0, false, QSize(), true);
        row("full screen needs the whole argument", {"-fsx", "x-fs"}, 0.0, false, QSize(), false);
        row("design size", {"-ds"}, 0.0, true, QSize(), false);
        row("update over http", {"-update=http://127.0.0.1:8080/v.txt?a=b"}, 0.0, false, QSize(), false,
            "http://127.0.0.1:8080/v.txt?a=b");
        row("update from a local path", {"-update=/srv/quarzel/version.txt"}, 0.0, false, QSize(), false,
            "file:///srv/quarzel/version.txt");
        row("all together", {program, "-ds", "-u=3", "-h=500", "-fs", "-w=700"}, 3.0, true, QSize(700, 500), true);
    }

    void commandLineOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(double, uiScale);
        QFETCH(bool, designSize);
        QFETCH(QSize, windowSize);
        QFETCH(bool, startFullscreen);
        QFETCH(QString, updateUrl);
        manager->readCommandLineOptions(arguments);
        QCOMPARE(manager->uiScaleOverride(), uiScale);
        QCOMPARE(manager->designSize(), designSize);
        QCOMPARE(manager->requestedWindowSize(), windowSize.isValid() ? windowSize : QSize(0, 0));
        QCOMPARE(QSettings().value(QStringLiteral("startFullscreen"), false).toBool(), startFullscreen);
        QCOMPARE(manager->updateUrl().toString(), updateUrl);
    }

    void uiScaleFactor_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withView");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("expected");
        // The offscreen screen's own rule gives less than 1.0 (checked
        // below), so the automatic factor is 1.0.
        QTest::newRow("automatic, raised to 1.0") << QStringList {} << true << 3.0 << 1.0;
        QTest::newRow("-u=1.0 keeps the automatic factor") << QStringList {"-u=1.0"} << true << 3.0 << 1.0;
        QTest::newRow("-u=0.5 is ignored") << QStringList {"-u=0.5"} << true << 3.0 << 1.0;
        QTest::newRow("-u=1.5 wins") << QStringList {"-u=1.5"} << true << 3.0 << 1.5;
        QTest::newRow("-u=1.5 without a window") << QStringList {"-u=1.5"} << false << 1.0 << 1.5;
        QTest::newRow("no window keeps the factor") << QStringList {} << false << 2.0 << 2.0;
        QTest::newRow("no window, raised to 1.0") << QStringList {} << false << 0.5 << 1.0;
        QTest::newRow("design size without a window") << QStringList {"-ds", "-u=1.5"} << false << 1.0 << 1.5;
    }

    void uiScaleFactor()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withView);
        QFETCH(double, stored);
        QFETCH(double, expected);
        kiv::MainView view;
        QVERIFY(view.screen());
        const QRect screen = view.screen()->geometry();
        QVERIFY(ApplicationManagerWin::scaleFactorFor(view.screen()->physicalDotsPerInch(),
                                                      qMax(screen.width(), screen.height()))
                < 1.0);
        if (withView)
            manager->setMainView(&view);
        manager->setLogicalToPhysicalMultiplier(stored);
        manager->readCommandLineOptions(arguments);
        QSignalSpy changed(manager.get(), &kiv::ApplicationManager::logicalToPhysicalMultiplierChanged);
        manager->updateLogicalToPhysicalMultiplier();
        QCOMPARE(manager->logicalToPhysicalMultiplier(), expected);
        QCOMPARE(changed.count(), stored == expected ? 0 : 1);
        manager->updateLogicalToPhysicalMultiplier();
        QCOMPARE(changed.count(), stored == expected ? 0 : 1);
    }

    void designSizeFollowsTheWindow_data()
    {
        QTest::addColumn<bool>("designSize");
        QTest::addColumn<QList<QSize>>("sizes");
        QTest::addColumn<QList<double>>("factors");
        QTest::newRow("design size") << true << QList<QSize> {{2048, 1536}, {1024, 1536}, {512, 384}}
                                     << QList<double> {2.0, 1.0, 0.5};
        QTest::newRow("no design size") << false << QList<QSize> {{2048, 1536}, {1024, 1536}}
                                        << QList<double> {1.25, 1.25};
    }

    void designSizeFollowsTheWindow()
    {
        QFETCH(bool, designSize);
        QFETCH(QList<QSize>, sizes);
        QFETCH(QList<double>, factors);
        kiv::MainView view;
        manager->setMainView(&view);
        manager->setLogicalToPhysicalMultiplier(1.25);
        if (designSize)
            manager->readCommandLineOptions({QStringLiteral("-ds")});
        // As start-up wires it.
        connect(&view, &kiv::MainView::resized, manager.get(), &ApplicationManagerWin::handleMainWindowResize);
        view.show();
        for (int i = 0; i < sizes.size(); ++i) {
            view.resize(sizes[i]);
            QTRY_COMPARE(view.size(), sizes[i]);
            QTRY_COMPARE(manager->logicalToPhysicalMultiplier(), factors[i]);
        }
    }

    void requestedWindowSize_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("fullscreen");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("width only") << QStringList {"-w=800"} << false << QSize(800, 480);
        QTest::newRow("height only") << QStringList {"-h=300"} << false << QSize(640, 300);
        QTest::newRow("both") << QStringList {"-w=720", "-h=520"} << false << QSize(720, 520);
        QTest::newRow("not positive") << QStringList {"-w=-5", "-h=0"} << false << QSize(640, 480);
        QTest::newRow("nothing asked") << QStringList {} << false << QSize(640, 480);
        QTest::newRow("full screen wins") << QStringList {"-w=700", "-h=500"} << true << QSize();
    }

    void requestedWindowSize()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fullscreen);
        QFETCH(QSize, expected);
        kiv::MainView view;
        manager->setMainView(&view);
        view.resize(640, 480);
        view.show();
        if (fullscreen) {
            manager->setFullscreen(true);
            QTRY_VERIFY(manager->fullscreen());
        }
        const QSize before = view.size();
        manager->readCommandLineOptions(arguments);
        manager->applyRequestedWindowSize();
        QTRY_COMPARE(view.size(), expected.isValid() ? expected : before);
    }

    void keyboardControlFollowsFullscreenAndDigitizer_data()
    {
        QTest::addColumn<QByteArray>("digitizer");
        QTest::addColumn<bool>("fullscreen");
        QTest::addColumn<bool>("expected");
        QTest::newRow("touch, full screen") << QByteArray("1") << true << true;
        QTest::newRow("touch, window") << QByteArray("1") << false << false;
        QTest::newRow("no touch, full screen") << QByteArray("0") << true << false;
    }

    void keyboardControlFollowsFullscreenAndDigitizer()
    {
        QFETCH(QByteArray, digitizer);
        QFETCH(bool, fullscreen);
        QFETCH(bool, expected);
        qputenv("QUARZEL_TOUCH_DIGITIZER", digitizer);
        kiv::MainView view;
        manager->setMainView(&view);
        view.show();
        QSignalSpy changed(manager.get(), &kiv::ApplicationManager::userKeyboardControlChanged);
        manager->setFullscreen(fullscreen);
        QCOMPARE(manager->fullscreen(), fullscreen);
        QCOMPARE(manager->userKeyboardControl(), expected);
        QCOMPARE(changed.count(), expected ? 1 : 0);
        QCOMPARE(QSettings().value(QStringLiteral("startFullscreen")).toBool(), fullscreen);
        manager->setFullscreen(false);
        QCOMPARE(manager->userKeyboardControl(), false);
        QCOMPARE(changed.count(), expected ? 2 : 0);
    }

    void versionTextFromLocalFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("notes");
        auto row = [](const char* name, const QByteArray& text, const QString& notes,
                      const QString& url = QStringLiteral("http://get.quarzel.example/new")) {
            QTest::newRow(name) << text << QStringLiteral("1.3.1.100") << url << notes;
        };
        row("three lines", "1.3.1.100\nhttp://get.quarzel.example/new\nFaster maps", "Faster maps");
        row("https address", "1.3.1.100\nhttps://get.quarzel.example/new\nNotes", "Notes",
            "https://get.quarzel.example/new");
        row("notes over several lines", "1.3.1.100\nhttp://get.quarzel.example/new\nFaster maps\n\n- Fixes\n",
            "Faster maps\n\n- Fixes\n");
        row("empty third line", "1.3.1.100\nhttp://get.quarzel.example/new\n\nFixes", "\nFixes");
        row("notes text also in the first line", "1.3.1.100\nhttp://get.quarzel.example/new\n1", "1");
        row("windows line ends", "1.3.1.100\r\nhttp://get.quarzel.example/new\r\nFaster maps\r\n", "Faster maps\n");
        row("utf-8 notes", "1.3.1.100\nhttp://x.example/\nGef\xc3\xbc" "ge und Kl\xc3\xbc" "fte",
            QStringLiteral("Gef\u00fcge und Kl\u00fcfte"), "http://x.example/");
        // What cannot be read leaves the announcement as it was.
        const QString number = QStringLiteral("1.3.0.25162");
        const QString url = QStringLiteral("https://www.quarzel.example/digital-mapping");
        const QString notes = QStringLiteral("Minor updates and bug fixes.");
        QTest::newRow("two lines are ignored") << QByteArray("1.3.1.100\nhttp://get.quarzel.example/new") << number
                                               << url << notes;
        QTest::newRow("empty file") << QByteArray("") << number << url << notes;
        QTest::newRow("local file address") << QByteArray("1.3.1.100\nfile:///tmp/x\nNotes") << number << url << notes;
        QTest::newRow("script address") << QByteArray("1.3.1.100\njavascript:alert(1)\nNotes") << number << url
                                        << notes;
        QTest::newRow("no file") << QByteArray() << number << url << notes;
    }

    void versionTextFromLocalFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, number);
        QFETCH(QString, url);
        QFETCH(QString, notes);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("quarzel_version_win.txt"));
        QVERIFY(text.isNull() || writeFile(path, text)); // null: no file at all
        QCOMPARE(QFileInfo::exists(path), !text.isNull());
        manager->readCommandLineOptions({QStringLiteral("-update=") + path});
        QVERIFY(manager->updateUrl().isLocalFile());
        QSignalSpy announced(manager.get(), &kiv::ApplicationManager::newBuildNumberChanged);
        manager->checkForUpdate();
        QCOMPARE(announced.count(), number == manager->buildNumber() ? 0 : 1);
        QCOMPARE(manager->newBuildNumber(), number);
        QCOMPARE(manager->newBuildUrl(), url);
        QCOMPARE(manager->newBuildNotes(), notes);
        QVERIFY(!manager->findChild<QNetworkAccessManager*>());
    }

    void newBuildAvailable_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<int>("remindedDaysAgo"); // -1: never
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("expected");
        QTest::newRow("newer, reminder due") << "1.3.1.100" << -1 << false << true;
        QTest::newRow("newer in the last part") << "1.3.0.25163" << -1 << false << true;
        QTest::newRow("older") << "1.3.0.25161" << -1 << false << false;
        QTest::newRow("older clears an earlier announcement") << "1.3.0.25161" << -1 << true << false;
        QTest::newRow("three parts") << "1.3.0" << -1 << false << false;
        QTest::newRow("three parts leave it as it is") << "1.3.0" << -1 << true << true;
        QTest::newRow("five parts") << "1.3.1.100.2" << -1 << false << false;
        QTest::newRow("numbers, not text") << "1.3.0.100000" << -1 << false << true;
        QTest::newRow("reminded later today") << "1.3.1.100" << 0 << false << false;
        QTest::newRow("reminded yesterday") << "1.3.1.100" << 1 << false << true;
    }

    void newBuildAvailable()
    {
        QFETCH(QString, announced);
        QFETCH(int, remindedDaysAgo);
        QFETCH(bool, before);
        QFETCH(bool, expected);
        remindDaysAgo(remindedDaysAgo);
        manager->setNewBuildAvailable(before);
        manager->parseVersionText(announced + QStringLiteral("\nhttp://get.quarzel.example/\nNotes"));
        QCOMPARE(manager->newBuildNumber(), announced);
        QCOMPARE(manager->newBuildAvailable(), expected);
    }

    void updateOverHttp_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("notes");
        QTest::newRow("found") << 200 << "1.3.1.100" << "Faster maps\r\n";
        QTest::newRow("not found") << 404 << "1.3.0.25162" << "Minor updates and bug fixes.";
        QTest::newRow("server error") << 500 << "1.3.0.25162" << "Minor updates and bug fixes.";
    }

    void updateOverHttp()
    {
        QFETCH(int, status);
        QFETCH(QString, number);
        QFETCH(QString, notes);
        const auto server = versionServer(status, "1.3.1.100\r\nhttp://get.quarzel.example/new\r\nFaster maps\r\n");
        QVERIFY(server);
        manager->readCommandLineOptions({QStringLiteral("-update=") + server->baseUrl() + VersionPath});
        manager->checkForUpdate();
        manager->checkForUpdate(); // while the first is pending
        auto* network = manager->findChild<QNetworkAccessManager*>();
        QVERIFY(network);
        QSignalSpy finished(network, &QNetworkAccessManager::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(manager->newBuildNumber(), number);
        QCOMPARE(manager->newBuildNotes(), notes);
        if (number != manager->buildNumber())
            QCOMPARE(manager->newBuildUrl(), QStringLiteral("http://get.quarzel.example/new"));
        // Never a second request in this run.
        manager->checkForUpdate();
        QTest::qWait(200);
        QCOMPARE(server->requestCount(), 1);
        QCOMPARE(finished.count(), 1);
    }

    void replyOtherThanThePendingOneIsIgnored()
    {
        const auto server = versionServer(200, "1.3.1.100\nhttp://get.quarzel.example/new\nNotes");
        QVERIFY(server);
        QNetworkAccessManager stranger;
        QNetworkReply* reply = stranger.get(QNetworkRequest(QUrl(server->baseUrl() + VersionPath)));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        manager->replyFinished(reply);
        QCOMPARE(manager->newBuildNumber(), manager->buildNumber());
        QVERIFY(!manager->findChild<QNetworkAccessManager*>());
    }

    void emptyUpdateUrlDoesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("built without an address") << QStringList {};
        QTest::newRow("-update=") << QStringList {"-update="};
    }

    void emptyUpdateUrlDoesNothing()
    {
        QFETCH(QStringList, arguments);
        manager->readCommandLineOptions(arguments);
        QVERIFY(manager->updateUrl().isEmpty());
        manager->checkForUpdate();
        QVERIFY(!manager->findChild<QNetworkAccessManager*>());
    }

    void zipFiles_data()
    {
        QTest::addColumn<QStringList>("names"); // "" marks a file that cannot be read
        QTest::addColumn<bool>("withTask");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QList<int>>("progress");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("second cannot be read")
            << QStringList {"a.txt", "", "c.txt"} << true << false << QList<int> {33} << QStringList {"a.txt"};
        QTest::newRow("all three") << QStringList {"a.txt", "b.kml", "c.txt"} << true << true
                                   << QList<int> {33, 66, 100} << QStringList {"a.txt", "b.kml", "c.txt"};
        QTest::newRow("first cannot be read") << QStringList {"", "b.kml"} << true << false << QList<int> {}
                                              << QStringList {};
        QTest::newRow("no task") << QStringList {"a.txt", "", "c.txt"} << false << false << QList<int> {}
                                 << QStringList {"a.txt"};
        QTest::newRow("empty list") << QStringList {} << true << true << QList<int> {} << QStringList {};
        QTest::newRow("seven files") << QStringList {"1", "2", "3", "4", "5", "6", "7"} << true << true
                                     << QList<int> {14, 28, 42, 57, 71, 85, 100}
                                     << QStringList {"1", "2", "3", "4", "5", "6", "7"};
    }

    void zipFiles()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, withTask);
        QFETCH(bool, result);
        QFETCH(QList<int>, progress);
        QFETCH(QStringList, entries);
        QTemporaryDir folder;
        // Sources in a sub-folder: entries carry the file name alone.
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("project/images")));
        QStringList files;
        for (const QString& name : names) {
            if (name.isEmpty()) {
                files.append(folder.filePath(QStringLiteral("project/images/missing.jpeg")));
                continue;
            }
            const QString path = folder.filePath(QStringLiteral("project/images/") + name);
            QVERIFY(writeFile(path, QByteArray("contents of ") + name.toUtf8()));
            files.append(path);
        }
        RecordingTask task;
        const QString archive = folder.filePath(QStringLiteral("export.kmz"));
        QCOMPARE(manager->zipFiles(archive, files, withTask ? &task : nullptr), result);
        QCOMPARE(task.reported, progress);
        if (!entries.isEmpty())
            QCOMPARE(zipEntries(archive), entries);
        else if (result) // unzip calls an archive without entries a failure
            QCOMPARE(QFileInfo(archive).size(), 22);
    }

    void zipFilesIntoMissingFolder()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFile(file, "a"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("zipFiles: cannot create"));
        QVERIFY(!manager->zipFiles(folder.filePath(QStringLiteral("no/such/folder/x.zip")), {file}, nullptr));
    }

    void shareFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("opened");
        QTest::newRow("empty list") << QStringList {} << false << QString();
        QTest::newRow("folder of the first file")
            << QStringList {"/data/exports/one.kmz", "/elsewhere/two.kmz"} << true << "/data/exports";
    }

    void shareFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, result);
        QFETCH(QString, opened);
        QCOMPARE(manager->shareFiles(files), result);
        if (opened.isEmpty())
            QVERIFY(openedUrls.isEmpty());
        else
            QCOMPARE(openedUrls, QList<QUrl> {QUrl::fromLocalFile(opened)});
    }

    void initInChildProcess_data()
    {
        QTest::addColumn<QByteArray>("osVersion");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("digitizer");
        QTest::addColumn<QStringList>("environment"); // "%port": the loopback server's
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("heads");
        QTest::newRow("Vista is refused") << QByteArray("6.0") << QStringList {"-w=800"} << QByteArray("0")
                                          << QStringList {} << true << QString() << 0;
        QTest::newRow("Windows 7 window")
            << QByteArray("6.1") << QStringList {"-w=800"} << QByteArray("1") << QStringList {} << false
            << "width=800 fullscreen=0 keyboard=0 documents=1 gl=1 online=0" << 0;
        QTest::newRow("full screen with touch") << QByteArray("10.0") << QStringList {"-fs", "-w=900"}
                                                << QByteArray("1") << QStringList {} << false
                                                << "fullscreen=1 keyboard=1 documents=1 gl=1 online=0" << 0;
        QTest::newRow("scaled by Qt") << QByteArray("10.0") << QStringList {} << QByteArray("0")
                                      << QStringList {"QT_SCALE_FACTOR=2"} << false << "gl=2 online=0" << 0;
        QTest::newRow("probe host") << QByteArray("10.0") << QStringList {} << QByteArray("0")
                                    << QStringList {"QUARZEL_PROBE_HOST=127.0.0.1:%port"} << false
                                    << "gl=1 online=1" << 1;
    }

    void initInChildProcess()
    {
        QFETCH(QByteArray, osVersion);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, digitizer);
        QFETCH(QStringList, environment);
        QFETCH(bool, refused);
        QFETCH(QString, report);
        QFETCH(int, heads);
        kiv::test::LocalHttpServer server;
        QVERIFY(server.start());
        QProcess child;
        QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
        childEnvironment.insert(QStringLiteral("QUARZEL_FAKE_OS_VERSION"), QString::fromLatin1(osVersion));
        childEnvironment.insert(QStringLiteral("QUARZEL_TOUCH_DIGITIZER"), QString::fromLatin1(digitizer));
        childEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        childEnvironment.insert(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1"));
        for (QString variable : environment) {
            variable.replace(QLatin1String("%port"), QString::number(server.port()));
            childEnvironment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        }
        child.setProcessEnvironment(childEnvironment);
        child.start(QCoreApplication::applicationFilePath(), QStringList {InitChildFlag} + arguments);
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), refused ? 1 : 0);
        QCOMPARE(errors.contains(QLatin1String("Incompatible Version of Windows: "
                                               "This application requires Windows 7 or above.")),
                 refused);
        QCOMPARE(output.contains(QLatin1String("init returned")), !refused);
        if (!refused)
            QVERIFY2(output.contains(report), qPrintable(output + errors));
        QCOMPARE(server.requestMethods(), QStringList(QVector<QString>(heads, QStringLiteral("HEAD")).toList()));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], InitChildFlag) == 0)
        return runInitChild(argc, argv);
    QGuiApplication application(argc, argv);
    useSoftwareScene();
    TestApplicationManagerWin test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applicationmanagerwin.moc"
