#include <QtTest>

#include "support/ApplicationIdentity.h"
#include "support/FakeLocationService.h"
#include "support/ToastApplication.h"
#include "tools/WinLocationManager.h"

#include <atomic>
#include <memory>

using namespace kiv;
using platform::LocationReport;
using platform::ReportType;

namespace {

LocationReport latLong(double latitude, double longitude, std::optional<double> altitude,
                       std::optional<double> errorRadius)
{
    return LocationReport {ReportType::LatLong, latitude, longitude, altitude, errorRadius};
}

} // namespace

Q_DECLARE_METATYPE(LocationReport)

class TestWinLocationManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<test::ToastApplication> m_application;
    std::shared_ptr<test::FakeLocationService> m_service;
    std::unique_ptr<WinLocationManager> m_location;

    platform::LocationEventSink& sink() { return *m_service->sink(); }

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void init()
    {
        QSettings().clear();
        m_documents = std::make_unique<QTemporaryDir>();
        m_application = std::make_unique<test::ToastApplication>(m_documents->path());
        m_service = std::make_shared<test::FakeLocationService>();
        m_location = std::make_unique<WinLocationManager>([service = m_service] { return service; });
    }

    void cleanup()
    {
        m_location.reset();
        m_application.reset();
    }

    void reports_data()
    {
        QTest::addColumn<int>("argumentType"); // the type the service names
        QTest::addColumn<LocationReport>("report");
        QTest::addColumn<QPointF>("coordinate");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<double>("accuracy");
        const QPointF before(2.0, 1.0);
        const int latLongType = int(ReportType::LatLong);
        QTest::newRow("altitude unreadable") << latLongType << latLong(46.5, 7.25, {}, 12.0) << QPointF(7.25, 46.5)
                                             << 0.0 << 12.0;
        QTest::newRow("error radius unreadable") << latLongType << latLong(46.5, 7.25, 545.0, {})
                                                 << QPointF(7.25, 46.5) << 545.0 << 30.0;
        // The acceptance test would refuse it: not newer and far less accurate.
        QTest::newRow("less accurate") << latLongType << latLong(46.5, 7.25, 100.0, 500.0) << QPointF(7.25, 46.5)
                                       << 100.0 << 500.0;
        QTest::newRow("other type named") << int(ReportType::Other) << latLong(46.5, 7.25, 545.0, 12.0) << before
                                          << 100.0 << 30.0;
        LocationReport other = latLong(46.5, 7.25, 545.0, 12.0);
        other.type = ReportType::Other;
        QTest::newRow("not a lat-long report") << latLongType << other << before << 100.0 << 30.0;
        QTest::newRow("latitude unreadable")
            << latLongType << LocationReport {ReportType::LatLong, {}, 7.25, 545.0, 12.0} << before << 100.0 << 30.0;
    }

    void reports()
    {
        QFETCH(int, argumentType);
        QFETCH(LocationReport, report);
        QFETCH(QPointF, coordinate);
        QFETCH(double, altitude);
        QFETCH(double, accuracy);
        m_location->startUpdates();
        QVERIFY(sink().OnLocationChanged(ReportType::LatLong, latLong(1.0, 2.0, 100.0, 30.0))
                == platform::Result::Success);
        QSignalSpy fixes(m_location.get(), &AbstractLocationManager::positionUpdated);
        QVERIFY(sink().OnLocationChanged(ReportType(argumentType), report) == platform::Result::Success);
        QCOMPARE(fixes.count(), coordinate == QPointF(2.0, 1.0) ? 0 : 1);
        QCOMPARE(m_location->lastKnownCoordinate(), coordinate);
        QCOMPARE(m_location->altitude(), altitude);
        QCOMPARE(m_location->horizontalAccuracy(), accuracy);
        QCOMPARE(m_location->verticalAccuracy(), accuracy);
        QVERIFY(m_location->validGPSPosition());
    }

    void statuses_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QStringList>("toasts");
        QTest::newRow("initializing, running") << QList<int> {3, 4} << QStringList();
        QTest::newRow("access denied twice")
            << QList<int> {2, 2} << QStringList {test::LocationAccessText, test::LocationAccessText};
        QTest::newRow("not supported") << QList<int> {0} << QStringList {test::LocationNotSupportedText};
        QTest::newRow("error") << QList<int> {1} << QStringList {test::LocationUnknownText};
    }

    void statuses()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QStringList, toasts);
        m_location->startUpdates();
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(true));
        // Held as the service holds it while it calls back.
        const std::shared_ptr<platform::LocationEventSink> held = m_service->sink();
        for (int status : statuses)
            held->OnStatusChanged(ReportType::LatLong, status);
        QCOMPARE(m_application->toastTexts(), toasts);
        QCOMPARE(m_location->updating(), toasts.isEmpty());
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(toasts.isEmpty()));
        QCOMPARE(m_service->unregistrations, toasts.isEmpty() ? 0 : 1);
    }

    void startAndStop()
    {
        QSignalSpy updating(m_location.get(), &AbstractLocationManager::updatingChanged);
        QCOMPARE(m_service->permissionRequests, 1);
        QVERIFY(!m_service->permissionModal);
        m_location->startUpdates();
        m_location->startUpdates();
        QVERIFY(m_location->updating());
        QCOMPARE(m_service->registrations, 1);
        QVERIFY(m_service->accuracy == platform::LocationAccuracy::High);
        QCOMPARE(updating.count(), 1);
        m_location->setUpdateInterval(5000);
        QCOMPARE(m_service->interval, std::optional<unsigned>(5000));
        QCOMPARE(m_location->updateInterval(), 5000);
        m_service->interval.reset();
        QCOMPARE(m_location->updateInterval(), 0);
        m_location->stopUpdates(true);
        QVERIFY(!m_location->updating());
        QCOMPARE(updating.count(), 2);
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(true));
        QVERIFY(!m_service->sink());
        QVERIFY(m_application->toastTexts().isEmpty());
    }

    void failedRegistration()
    {
        m_service->registerSucceeds = false;
        QSignalSpy updating(m_location.get(), &AbstractLocationManager::updatingChanged);
        m_location->startUpdates();
        QVERIFY(!m_location->updating());
        QCOMPARE(updating.count(), 0);
        QCOMPARE(m_service->accuracyRequests, 0);
        QVERIFY(m_application->toastTexts().isEmpty());
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(false));
    }

    void withoutService_data()
    {
        QTest::addColumn<int>("layer");
        QTest::newRow("creation fails") << 0;
        QTest::newRow("permission refused") << 1;
        QTest::newRow("default layer") << 2;
    }

    void withoutService()
    {
        QFETCH(int, layer);
        m_service->permissionsSucceed = layer != 1;
        if (layer == 0)
            m_location = std::make_unique<WinLocationManager>([] { return nullptr; });
        else if (layer == 1)
            m_location = std::make_unique<WinLocationManager>([service = m_service] { return service; });
        else
            m_location = std::make_unique<WinLocationManager>(static_cast<QObject*>(nullptr));
        QSignalSpy updating(m_location.get(), &AbstractLocationManager::updatingChanged);
        m_location->startUpdates();
        QCOMPARE(m_application->toastTexts(), QStringList {test::LocationAccessText});
        QVERIFY(!m_location->updating());
        QCOMPARE(updating.count(), 0);
        QVERIFY(!test::storedSetting("GPSAuto").isValid());
        m_location->setUpdateInterval(5000);
        QCOMPARE(m_location->updateInterval(), 0);
        m_location->stopUpdates();
        QVERIFY(!test::storedSetting("GPSAuto").isValid());
        QCOMPARE(m_service->registrations, 0);
    }

    void reportsFromAnotherThread()
    {
        constexpr int Count = 1000;
        m_location->startUpdates();
        QList<double> latitudes;
        bool elsewhere = false;
        connect(m_location.get(), &AbstractLocationManager::positionUpdated, this,
                [&](const QGeoPositionInfo& info) {
                    elsewhere |= QThread::currentThread() != thread();
                    latitudes << info.coordinate().latitude();
                });
        std::thread delivery = m_service->deliverFromThread([](platform::LocationEventSink& sink) {
            for (int i = 0; i < Count; ++i)
                sink.OnLocationChanged(ReportType::LatLong, latLong(10.0 + i * 0.001, 7.25, 0.0, 5.0));
        });
        delivery.join();
        QTRY_COMPARE(latitudes.size(), Count);
        QVERIFY(!elsewhere);
        for (int i = 0; i < Count; ++i)
            QCOMPARE(latitudes.at(i), 10.0 + i * 0.001);
    }

    void destroyedWhileDelivering()
    {
        m_location->startUpdates();
        QSignalSpy fixes(m_location.get(), &AbstractLocationManager::positionUpdated);
        std::atomic<bool> stop {false};
        std::thread delivery = m_service->deliverFromThread([&stop](platform::LocationEventSink& sink) {
            for (int i = 0; i < 100000 && !stop; ++i) {
                sink.OnLocationChanged(ReportType::LatLong, latLong(46.5, 7.25, 0.0, 5.0));
                sink.OnStatusChanged(ReportType::LatLong, i % 2 ? platform::ReportRunning : platform::ReportError);
            }
        });
        QTRY_VERIFY(fixes.count() > 0);
        m_location.reset();
        QVERIFY(!m_service->sink());
        stop = true;
        delivery.join();
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(TestWinLocationManager)
#include "tst_winlocationmanager.moc"
