#include <QtTest>

#include "support/CompassApplication.h"
#include "support/FakeOrientationSensors.h"
#include "tools/QuatSensorEvents.h"
#include "tools/WinCompassClino.h"

#include <atomic>
#include <memory>

using namespace kiv;
using platform::DisplayMode;
using platform::Result;
using platform::SensorType;

class TestWinCompassClino : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::CompassApplication> m_application;
    std::shared_ptr<test::FakeSensorManager> m_manager;
    std::shared_ptr<test::FakeSensor> m_sensor;
    std::unique_ptr<WinCompassClino> m_clino;
    DisplayMode m_display {0, 1080, 1920};

    void makeClino()
    {
        m_clino = std::make_unique<WinCompassClino>(m_manager, [this] { return m_display; });
        m_application->installCompassClino(m_clino.get());
    }

    void setAllEmitFlags()
    {
        m_clino->setEmitBearingUpdates(true);
        m_clino->setEmitPlaneUpdates(true);
        m_clino->setEmitLineUpdates(true);
    }

private slots:
    void init()
    {
        m_application = std::make_unique<test::CompassApplication>();
        m_manager = std::make_shared<test::FakeSensorManager>();
        m_sensor = std::make_shared<test::FakeSensor>();
        m_manager->sensors = {std::make_shared<test::FakeSensor>(SensorType::Other), m_sensor,
                              std::make_shared<test::FakeSensor>()};
    }

    void cleanup()
    {
        m_application->installCompassClino(nullptr);
        m_clino.reset();
        m_application.reset();
    }

    void displayTable_data()
    {
        QTest::addColumn<int>("turn");
        QTest::addColumn<unsigned>("width");
        QTest::addColumn<unsigned>("height");
        QTest::addColumn<int>("primary"); // of the same display unturned
        QTest::addColumn<int>("primaryWhenTurned");
        QTest::addColumn<int>("current"); // 0: left as it was
        QTest::addColumn<double>("rotation");
        QTest::newRow("landscape, default") << 0 << 1920u << 1080u << 2 << 2 << 2 << 0.0;
        QTest::newRow("landscape, 90") << 1 << 1920u << 1080u << 2 << 1 << 1 << -90.0;
        QTest::newRow("landscape, 270") << 3 << 1920u << 1080u << 2 << 1 << 4 << 90.0;
        QTest::newRow("portrait, default") << 0 << 1080u << 1920u << 1 << 1 << 1 << 0.0;
        QTest::newRow("portrait, 180") << 2 << 1080u << 1920u << 1 << 1 << 4 << 180.0;
        QTest::newRow("portrait, 270") << 3 << 1080u << 1920u << 1 << 2 << 2 << 90.0;
        QTest::newRow("square, 90") << 1 << 1000u << 1000u << 1 << 2 << 8 << -90.0;
        QTest::newRow("unknown turn") << 4 << 1920u << 1080u << 2 << 0 << 0 << 0.0;
    }

    void displayTable()
    {
        QFETCH(int, turn);
        QFETCH(unsigned, width);
        QFETCH(unsigned, height);
        QFETCH(int, primary);
        QFETCH(int, primaryWhenTurned);
        QFETCH(int, current);
        QFETCH(double, rotation);
        QCOMPARE(platform::primaryOrientationFor({0, width, height}), primary);
        QCOMPARE(platform::primaryOrientationFor({turn, width, height}), primaryWhenTurned);
        const std::optional<platform::ScreenState> state = platform::screenStateFor({turn, width, height}, primary);
        QCOMPARE(state.has_value(), current != 0);
        if (state) {
            QCOMPARE(state->currentOrientation, current);
            QCOMPARE(state->screenRotation, rotation);
        }
    }

    void decoder_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("padding"); // bytes after the four floats; negative cuts
        QTest::addColumn<bool>("decoded");
        QTest::newRow("15 bytes") << 0x1011 << -1 << false;
        QTest::newRow("16 bytes") << 0x1011 << 0 << true;
        QTest::newRow("19 bytes") << 0x1011 << 3 << true;
        QTest::newRow("20 bytes") << 0x1011 << 4 << false;
        QTest::newRow("other type") << 0x1013 << 0 << false;
    }

    void decoder()
    {
        QFETCH(int, type);
        QFETCH(int, padding);
        QFETCH(bool, decoded);
        platform::SensorValue value = test::quaternionReport(0.5, -0.25, 0.125, 0.75, std::max(0, padding)).quaternion;
        value.type = std::uint16_t(type);
        if (padding < 0)
            value.bytes.resize(value.bytes.size() - size_t(-padding));
        const std::optional<platform::DeviceQuaternion> q = platform::decodeQuaternion(value);
        QCOMPARE(q.has_value(), decoded);
        if (q) {
            QCOMPARE(q->w, 0.75);
            QCOMPARE(q->x, 0.5);
            QCOMPARE(q->y, -0.25);
            QCOMPARE(q->z, 0.125);
        }
    }

    void sinkAnswers()
    {
        makeClino();
        QuatSensorEvents sink(m_clino.get());
        QSignalSpy samples(m_clino.get(), &WinCompassClino::newData);
        const platform::SensorDataReport good = test::quaternionReport(0.5, -0.25, 0.125, 0.75);
        platform::SensorDataReport unreadable = good;
        unreadable.quaternionRead = Result::Failure;
        QVERIFY(sink.OnDataUpdated(nullptr, &good) == Result::InvalidArgument);
        QVERIFY(sink.OnDataUpdated(m_sensor.get(), nullptr) == Result::InvalidArgument);
        QVERIFY(sink.OnDataUpdated(m_sensor.get(), &unreadable) == Result::Failure);
        QVERIFY(sink.OnStateChanged(nullptr, 0) == Result::InvalidArgument);
        QVERIFY(sink.OnStateChanged(m_sensor.get(), 0) == Result::Success);
        QVERIFY(sink.OnEvent(m_sensor.get(), 0) == Result::Success);
        QVERIFY(sink.OnLeave(0) == Result::Success);
        QCOMPARE(samples.count(), 0);
        QVERIFY(sink.OnDataUpdated(m_sensor.get(), &good) == Result::Success);
        QCOMPARE(samples.count(), 1);
        QCOMPARE(samples.at(0), (QVariantList {0.75, 0.5, -0.25, 0.125}));
        sink.detach();
        QVERIFY(sink.OnDataUpdated(m_sensor.get(), &good) == Result::Success);
        QCOMPARE(samples.count(), 1);
    }

    void starting_data()
    {
        QTest::addColumn<bool>("configures");
        QTest::addColumn<bool>("installs");
        QTest::newRow("all succeed") << true << true;
        QTest::newRow("configuration fails") << false << true;
        QTest::newRow("sink refused") << true << false;
    }

    void starting()
    {
        QFETCH(bool, configures);
        QFETCH(bool, installs);
        m_sensor->configureSucceeds = configures;
        m_sensor->setSinkSucceeds = installs;
        makeClino();
        QVERIFY(m_clino->hasRequiredSensors());
        QSignalSpy updating(m_clino.get(), &AbstractCompassClino::deviceUpdatingChanged);
        QCOMPARE(m_clino->startUpdates(), installs);
        QCOMPARE(m_clino->startUpdates(), installs);
        QCOMPARE(m_clino->deviceUpdating(), installs);
        QCOMPARE(updating.count(), installs ? 1 : 0);
        QCOMPARE(m_sensor->sinkInstalls, installs ? 1 : 2);
        QCOMPARE(m_sensor->sensitivity, 0.01f);
        QCOMPARE(m_sensor->intervalMs, 16u);
        m_clino->stopUpdates();
        QVERIFY(!m_clino->deviceUpdating());
        QCOMPARE(m_sensor->sinkRemovals, installs ? 1 : 0);
        QVERIFY(!m_sensor->sink());
    }

    void withoutSensor_data()
    {
        QTest::addColumn<int>("layer");
        QTest::newRow("no sensor manager") << 0;
        QTest::newRow("no aggregated sensor") << 1;
        QTest::newRow("default layer") << 2;
    }

    void withoutSensor()
    {
        QFETCH(int, layer);
        m_manager->sensors = {std::make_shared<test::FakeSensor>(SensorType::Other)};
        if (layer == 0)
            m_clino = std::make_unique<WinCompassClino>(nullptr, [this] { return m_display; });
        else if (layer == 1)
            m_clino = std::make_unique<WinCompassClino>(m_manager, [this] { return m_display; });
        else
            m_clino = std::make_unique<WinCompassClino>(static_cast<QObject*>(nullptr));
        m_application->installCompassClino(m_clino.get());
        QVERIFY(!m_clino->hasRequiredSensors());
        QVERIFY(!m_clino->startUpdates());
        QVERIFY(!m_clino->deviceUpdating());
    }

    void sampleQueuedBeforeStop()
    {
        makeClino();
        QVERIFY(m_clino->startUpdates());
        setAllEmitFlags();
        QSignalSpy bearing(m_clino.get(), &AbstractCompassClino::bearingChanged);
        const platform::SensorDataReport report = test::quaternionReport(0.330366090, -0.088521327, -0.243210347,
                                                                         0.907673371);
        m_sensor->sink()->OnDataUpdated(m_sensor.get(), &report);
        m_clino->stopUpdates();
        QCoreApplication::processEvents();
        QCOMPARE(bearing.count(), 0);
        QCOMPARE(m_clino->dip(), 0.0);
    }

    void readingsFromAnotherThread()
    {
        makeClino();
        m_clino->onProjectDeclinationChanged(10.0f);
        QVERIFY(m_clino->startUpdates());
        setAllEmitFlags();
        QSignalSpy line(m_clino.get(), &AbstractCompassClino::lineSymbolRotationChanged);
        const platform::SensorDataReport report = test::quaternionReport(0.330366090, -0.088521327, -0.243210347,
                                                                         0.907673371);
        std::thread delivery = m_sensor->deliverFromThread(
            [&report](platform::SensorEventSink& sink, const platform::Sensor& sensor) {
                sink.OnDataUpdated(&sensor, &report);
            });
        delivery.join();
        QTRY_COMPARE(line.count(), 1);
        const double expected[] = {40.0, 40.0, 180.0, 220.0, 220.0, 40.0, 180.0};
        const double readings[] = {m_clino->bearing(),       m_clino->dip(),    m_clino->planeSymbolRotation(),
                                   m_clino->dipAzimuth(),    m_clino->plungeAzimuth(), m_clino->plunge(),
                                   m_clino->lineSymbolRotation()};
        for (size_t i = 0; i < std::size(expected); ++i)
            QVERIFY2(std::abs(readings[i] - expected[i]) < 1e-3, qPrintable(QString::number(readings[i])));
    }

    void destroyedWhileSamplesArrive()
    {
        makeClino();
        QVERIFY(m_clino->startUpdates());
        setAllEmitFlags();
        QSignalSpy bearing(m_clino.get(), &AbstractCompassClino::bearingChanged);
        std::atomic<bool> stop {false};
        std::thread delivery = m_sensor->deliverFromThread([&stop](platform::SensorEventSink& sink,
                                                                   const platform::Sensor& sensor) {
            for (int i = 0; i < 100000 && !stop; ++i) {
                const platform::SensorDataReport report = test::quaternionReport(0.0, 0.0, std::sin(i * 1e-3),
                                                                                 std::cos(i * 1e-3));
                sink.OnDataUpdated(&sensor, &report);
            }
        });
        QTRY_VERIFY(bearing.count() > 1);
        m_application->installCompassClino(nullptr);
        m_clino.reset();
        QVERIFY(!m_sensor->sink());
        stop = true;
        delivery.join();
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestWinCompassClino)
#include "tst_wincompassclino.moc"
