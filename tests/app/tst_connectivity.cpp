#include <QtTest>

#include "app/ApplicationManager.h"
#include "app/ConnectionProbe.h"
#include "app/OnlineTileSettings.h"
#include "app/TestConnectionThread.h"
#include "support/ApplicationIdentity.h"
#include "support/LocalHttpServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSettings>

#include <curl/curl.h>

#include <cstdio>
#include <memory>

using kiv::ApplicationManager;
using kiv::test::LocalHttpServer;

namespace {

const char* const WorkerChildFlag = "--worker-child";
constexpr int Tick = 50;

// Counts every report of the background probe as it reaches the GUI thread.
class CountingManager : public ApplicationManager
{
public:
    using ApplicationManager::ApplicationManager;
    using ApplicationManager::connectionThread;

    void onOnlineStatusTestResult(bool online) override
    {
        ++reports;
        ApplicationManager::onOnlineStatusTestResult(online);
    }

    int reports = 0;
};

void setEndpoint(const QString& endpoint)
{
    QSettings().setValue(QStringLiteral("OnlineTiles/endpoint"), endpoint);
}

// A worker probing a server that never answers, in a process whose event loop
// quits while the probe is under way: the process must still end cleanly.
int runWorkerChild(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QGuiApplication application(argc, argv);
    auto* manager = new CountingManager(&application); // never deleted, as in the program
    manager->setConnectionTestInterval(Tick);
    manager->startConnectionTest(true);
    QTimer::singleShot(10 * Tick, &application, &QCoreApplication::quit);
    const int code = application.exec();
    std::printf("worker finished=%d\n", int(manager->connectionThread()->isFinished()));
    std::fflush(stdout);
    curl_global_cleanup();
    return code;
}

} // namespace

class TestConnectivity : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CountingManager> manager;
    std::unique_ptr<LocalHttpServer> server;

private slots:
    void initTestCase()
    {
        kiv::test::setApplicationIdentity();
        qputenv("no_proxy", "127.0.0.1");
    }

    void init()
    {
        QSettings().clear();
        qunsetenv("QUARZEL_TILE_HOST");
        qunsetenv("QUARZEL_PROBE_HOST");
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->start());
        manager = std::make_unique<CountingManager>(qGuiApp);
        manager->setConnectionTestInterval(Tick);
    }

    void cleanup()
    {
        manager.reset();
        server.reset();
    }

    void tileSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("tileHost");
        QTest::addColumn<QString>("probeHost");
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("probeUrl");
        QTest::newRow("fresh store") << "" << "" << "" << "" << "";
        QTest::newRow("stored endpoint") << "https://a.test:8443" << "" << ""
                                         << "https://a.test:8443" << "https://a.test:8443/";
        QTest::newRow("no scheme is http") << "tiles.test:8080" << "" << ""
                                           << "http://tiles.test:8080" << "http://tiles.test:8080/";
        QTest::newRow("probe is the host's root") << "http://tiles.test/v4?x=1" << "" << ""
                                                  << "http://tiles.test/v4?x=1" << "http://tiles.test/";
        QTest::newRow("tile host keeps the scheme") << "https://a.test:8443" << "127.0.0.1:9" << ""
                                                    << "https://127.0.0.1:9" << "https://127.0.0.1:9/";
        QTest::newRow("tile host without endpoint") << "" << "127.0.0.1:9" << ""
                                                    << "http://127.0.0.1:9" << "http://127.0.0.1:9/";
        QTest::newRow("tile host without port") << "https://a.test:8443" << "127.0.0.1" << ""
                                                << "https://127.0.0.1" << "https://127.0.0.1/";
        QTest::newRow("tile host naming no host") << "https://a.test" << "no host here" << "" << "" << "";
        QTest::newRow("probe host wins") << "https://a.test:8443" << "127.0.0.1:9" << "127.0.0.1:7"
                                         << "https://127.0.0.1:9" << "https://127.0.0.1:7/";
        QTest::newRow("probe host alone") << "" << "" << "[::1]:7" << "" << "http://[::1]:7/";
    }

    void tileSettings()
    {
        QFETCH(QString, stored);
        QFETCH(QString, tileHost);
        QFETCH(QString, probeHost);
        QFETCH(QString, endpoint);
        QFETCH(QString, probeUrl);
        if (!stored.isEmpty())
            setEndpoint(stored);
        if (!tileHost.isEmpty())
            qputenv("QUARZEL_TILE_HOST", tileHost.toUtf8());
        if (!probeHost.isEmpty())
            qputenv("QUARZEL_PROBE_HOST", probeHost.toUtf8());
        const kiv::OnlineTileSettings tiles = kiv::onlineTileSettings();
        QCOMPARE(tiles.endpoint, endpoint);
        QCOMPARE(kiv::ConnectionProbe::defaultUrl().toString(), probeUrl);
        if (QTest::currentDataTag() == QLatin1String("fresh store")) {
            for (const QString& value : {tiles.satelliteMapId, tiles.streetMapId, tiles.terrainMapId,
                                         tiles.accessToken, tiles.attribution, tiles.attributionUrl,
                                         tiles.improveUrl})
                QVERIFY(value.isEmpty());
        }
    }

    void checkOnlineStatus_data()
    {
        QTest::addColumn<QString>("kind"); // a status, "closed", "hangs" or "none"
        QTest::addColumn<bool>("online");
        QTest::addColumn<int>("headsPerCall");
        QTest::newRow("answers") << "200" << true << 1;
        QTest::newRow("any status is online") << "404" << true << 1;
        QTest::newRow("closed port") << "closed" << false << 0;
        QTest::newRow("never answers") << "hangs" << false << 1;
        QTest::newRow("no endpoint") << "none" << false << 0;
    }

    void checkOnlineStatus()
    {
        QFETCH(QString, kind);
        QFETCH(bool, online);
        QFETCH(int, headsPerCall);
        LocalHttpServer::Reply reply;
        reply.status = kind.toInt();
        reply.hang = kind == QLatin1String("hangs");
        server->setReply(QStringLiteral("/"), reply);
        if (kind == QLatin1String("closed")) {
            LocalHttpServer closed; // stopped again at the end of the block
            QVERIFY(closed.start());
            setEndpoint(closed.baseUrl());
        } else if (kind != QLatin1String("none")) {
            setEndpoint(server->baseUrl());
        }
        QSignalSpy changed(manager.get(), &ApplicationManager::onlineStatusChanged);
        manager->checkOnlineStatus();
        QCOMPARE(manager->online(), online);
        QCOMPARE(changed.count(), online ? 1 : 0);
        int calls = 1;
        if (!reply.hang) { // each call would wait out the time-out
            manager->checkOnlineStatus();
            QCOMPARE(changed.count(), online ? 1 : 0);
            manager->checkOnlineStatus(true);
            QCOMPARE(changed.count(), online ? 2 : 1);
            QCOMPARE(changed.last().first().toBool(), online);
            calls = 3;
        }
        QStringList heads;
        for (int i = 0; i < calls * headsPerCall; ++i)
            heads.append(QStringLiteral("HEAD"));
        QCOMPARE(server->requestMethods(), heads);
        QCOMPARE(server->requestCount(QStringLiteral("/")), heads.size());
    }

    void workerResultsReachOnlineOnChangeOnly()
    {
        QSignalSpy changed(manager.get(), &ApplicationManager::onlineStatusChanged);
        for (bool result : {true, true, false, false})
            manager->onOnlineStatusTestResult(result);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).first().toBool(), true);
        QCOMPARE(changed.at(1).first().toBool(), false);
    }

    void workerFollowsTileLoading()
    {
        setEndpoint(server->baseUrl());
        QSignalSpy changed(manager.get(), &ApplicationManager::onlineStatusChanged);
        manager->startConnectionTest(true); // tiles count as loading until told otherwise
        QTRY_VERIFY(manager->reports >= 2);
        kiv::TestConnectionThread* thread = manager->connectionThread();
        manager->startConnectionTest(false);
        QTest::qWait(2 * Tick); // a probe under way still reports
        const int stopped = manager->reports;
        QTest::qWait(10 * Tick);
        QCOMPARE(manager->reports, stopped);
        QVERIFY(thread->isRunning());
        manager->startConnectionTest(true);
        QTRY_VERIFY(manager->reports >= stopped + 3); // repeats while tiles load
        QCOMPARE(manager->connectionThread(), thread);

        QCoreApplication::processEvents();
        const int beforeStop = manager->reports;
        manager->onLoadingTilesChanged(false);
        QTRY_COMPARE(manager->reports, beforeStop + 1);
        manager->onLoadingTilesChanged(false); // unchanged
        QTest::qWait(10 * Tick);
        QCOMPARE(manager->reports, beforeStop + 1);

        for (int period = 0; period < 2; ++period) {
            const int before = manager->reports;
            manager->onLoadingTilesChanged(true);
            QTRY_COMPARE(manager->reports, before + 1);
            QTest::qWait(10 * Tick); // still loading, yet one probe per period
            QCOMPARE(manager->reports, before + 1);
            manager->onLoadingTilesChanged(false);
        }
        QTest::qWait(10 * Tick);
        QCOMPARE(server->requestCount(), manager->reports);
        QCOMPARE(changed.count(), 1);
        QVERIFY(manager->online());
    }

    void workerEndsWithTheEventLoop()
    {
        LocalHttpServer::Reply hang;
        hang.hang = true;
        server->setReply(QStringLiteral("/"), hang);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUARZEL_PROBE_HOST"), QStringLiteral("127.0.0.1:%1").arg(server->port()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {WorkerChildFlag});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("worker finished=1"));
        QCOMPARE(server->requestMethods(), QStringList {"HEAD"}); // the loop quit during the probe
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], WorkerChildFlag) == 0)
        return runWorkerChild(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QGuiApplication application(argc, argv);
    TestConnectivity test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int result = QTest::qExec(&test, argc, argv);
    curl_global_cleanup();
    return result;
}

#include "tst_connectivity.moc"
