#include <QtTest>

#include "support/CompassApplication.h"
#include "tools/SimpleCompassClino.h"

#include <QScreen>
#include <QSensorBackend>
#include <QSensorManager>

#include <cmath>
#include <memory>

using kiv::FusionFilterState;

namespace {

const QByteArray FakeIdentifier = "kiv.fake";
const QList<QByteArray> SensorTypes {QAccelerometer::type, QGyroscope::type, QMagnetometer::type};

class FakeBackend : public QSensorBackend
{
public:
    FakeBackend(QSensor* sensor, bool refuses)
        : QSensorBackend(sensor)
        , m_refuses(refuses)
    {
        addDataRate(1, 100);
    }
    void start() override
    {
        if (m_refuses)
            sensorStopped();
    }
    void stop() override {}
    void push(double x, double y, double z, quint64 timestamp)
    {
        setValues(x, y, z);
        reading()->setTimestamp(timestamp);
        newReadingAvailable();
    }

protected:
    virtual void setValues(double x, double y, double z) = 0;

private:
    bool m_refuses;
};

template <typename Reading>
class FakeSensor : public FakeBackend
{
public:
    FakeSensor(QSensor* sensor, bool refuses)
        : FakeBackend(sensor, refuses)
    {
        m_reading = setReading<Reading>(nullptr);
    }

private:
    void setValues(double x, double y, double z) override
    {
        m_reading->setX(x);
        m_reading->setY(y);
        m_reading->setZ(z);
    }

    Reading* m_reading;
};

// Makes the fake backends and remembers the latest one of each type.
class FakeSensorFactory : public QSensorBackendFactory
{
public:
    QSensorBackend* createBackend(QSensor* sensor) override
    {
        const bool refuses = sensor->type() == refusing;
        FakeBackend* backend = nullptr;
        if (sensor->type() == QAccelerometer::type)
            backend = new FakeSensor<QAccelerometerReading>(sensor, refuses);
        else if (sensor->type() == QGyroscope::type)
            backend = new FakeSensor<QGyroscopeReading>(sensor, refuses);
        else if (sensor->type() == QMagnetometer::type)
            backend = new FakeSensor<QMagnetometerReading>(sensor, refuses);
        backends[sensor->type()] = backend;
        return backend;
    }

    QByteArray refusing;
    QHash<QByteArray, QPointer<FakeBackend>> backends;
};

// Opens the source's state to the test and counts orientation evaluations.
class ProbeClino : public kiv::SimpleCompassClino
{
public:
    void computeFromQuaternion(const Eigen::Quaterniond& quaternion) override
    {
        ++evaluations;
        SimpleCompassClino::computeFromQuaternion(quaternion);
    }
    const FusionFilterState& fusion() const { return m_fusion; }
    void setPrimaryOrientation(int orientation) { m_primaryOrientation = orientation; }
    double screenRotation() const { return m_screenRotation; }
    bool anySensorActive() const
    {
        return m_accelerometer->isActive() || m_gyroscope->isActive() || m_magnetometer->isActive();
    }

    int evaluations = 0;
};

} // namespace

class TestSimpleCompassClino : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<kiv::test::CompassApplication> application;
    std::unique_ptr<ProbeClino> clino;
    FakeSensorFactory factory;
    bool registered = false;

    void registerBackends(const QByteArray& refusing = QByteArray())
    {
        factory.refusing = refusing;
        for (const QByteArray& type : SensorTypes)
            QSensorManager::registerBackend(type, FakeIdentifier, &factory);
        registered = true;
    }

    void makeClino()
    {
        clino = std::make_unique<ProbeClino>();
        application->installCompassClino(clino.get());
    }

    void push(const QByteArray& type, double x, double y, double z, quint64 timestamp = 1)
    {
        factory.backends.value(type)->push(x, y, z, timestamp);
    }

private slots:
    void initTestCase()
    {
        // Only the fakes: the platform's plugins must not answer.
        qputenv("QT_SENSORS_LOAD_PLUGINS", "0");
    }

    void init() { application = std::make_unique<kiv::test::CompassApplication>(); }

    void cleanup()
    {
        application->installCompassClino(nullptr);
        clino.reset();
        if (registered) {
            for (const QByteArray& type : SensorTypes)
                QSensorManager::unregisterBackend(type, FakeIdentifier);
            registered = false;
        }
        application.reset();
    }

    void withoutBackends()
    {
        makeClino();
        QVERIFY(!clino->hasRequiredSensors());
        QVERIFY(!clino->enabled());
        QVERIFY(!clino->startUpdates());
        QVERIFY(!clino->deviceUpdating());
    }

    void startsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("refusing");
        QTest::newRow("all start") << QByteArray();
        QTest::newRow("accelerometer refuses") << QByteArray(QAccelerometer::type);
        QTest::newRow("magnetometer refuses") << QByteArray(QMagnetometer::type);
        QTest::newRow("gyroscope refuses") << QByteArray(QGyroscope::type);
    }

    void startsAllOrNothing()
    {
        QFETCH(QByteArray, refusing);
        registerBackends(refusing);
        makeClino();
        QVERIFY(clino->hasRequiredSensors());
        QSignalSpy spy(clino.get(), &kiv::AbstractCompassClino::deviceUpdatingChanged);
        const bool started = clino->startUpdates();
        QCOMPARE(started, refusing.isEmpty());
        QCOMPARE(clino->deviceUpdating(), started);
        QCOMPARE(clino->anySensorActive(), started);
        QCOMPARE(spy.count(), started ? 1 : 0);
        clino->stopUpdates();
        QVERIFY(!clino->anySensorActive());
        QCOMPARE(spy.count(), started ? 2 : 0);
    }

    void screenRotation_data()
    {
        QTest::addColumn<int>("primary"); // 0: the screen's own
        QTest::addColumn<int>("orientation");
        QTest::addColumn<double>("rotation");
        const int P = Qt::PortraitOrientation, L = Qt::LandscapeOrientation;
        const int IP = Qt::InvertedPortraitOrientation, IL = Qt::InvertedLandscapeOrientation;
        QTest::newRow("portrait, landscape") << P << L << 90.0;
        QTest::newRow("portrait, inverted portrait") << P << IP << 180.0;
        QTest::newRow("portrait, inverted landscape") << P << IL << -90.0;
        QTest::newRow("portrait, portrait") << P << P << 0.0;
        QTest::newRow("landscape, portrait") << L << P << -90.0;
        QTest::newRow("landscape, inverted portrait") << L << IP << 90.0;
        QTest::newRow("landscape, inverted landscape") << L << IL << 180.0;
        QTest::newRow("offscreen screen") << 0 << 0 << 0.0;
    }

    void screenRotation()
    {
        QFETCH(int, primary);
        QFETCH(int, orientation);
        QFETCH(double, rotation);
        makeClino();
        if (primary)
            clino->setPrimaryOrientation(primary);
        if (!orientation)
            orientation = QGuiApplication::primaryScreen()->orientation();
        clino->onOrientationChanged(Qt::ScreenOrientation(orientation));
        QCOMPARE(clino->screenRotation(), rotation);
    }

    void gyroscopePacesTheFilter_data()
    {
        QTest::addColumn<QList<quint64>>("timestamps");
        QTest::addColumn<bool>("magnetometer");
        QTest::addColumn<bool>("emitFlag");
        QTest::addColumn<float>("deltaT");
        QTest::addColumn<int>("updates");
        const QList<quint64> twoReadings {1000, 21000};
        QTest::newRow("first reading") << QList<quint64> {1000} << true << true << 0.001f << 0;
        QTest::newRow("second reading") << twoReadings << true << true << 0.02f << 1;
        QTest::newRow("earlier timestamp") << QList<quint64> {21000, 1000} << true << true << 0.001f << 0;
        QTest::newRow("same timestamp") << QList<quint64> {1000, 1000} << true << true << 0.001f << 0;
        QTest::newRow("no magnetometer yet") << twoReadings << false << true << 0.001f << 0;
        QTest::newRow("no emit flag") << twoReadings << true << false << 0.02f << 1;
    }

    void gyroscopePacesTheFilter()
    {
        QFETCH(QList<quint64>, timestamps);
        QFETCH(bool, magnetometer);
        QFETCH(bool, emitFlag);
        QFETCH(float, deltaT);
        QFETCH(int, updates);
        registerBackends();
        makeClino();
        QVERIFY(clino->startUpdates());
        clino->setEmitBearingUpdates(emitFlag);
        QSignalSpy bearing(clino.get(), &kiv::AbstractCompassClino::bearingChanged);
        push(QAccelerometer::type, 0.0, 0.0, 9.81);
        if (magnetometer)
            push(QMagnetometer::type, 0.0, 15.0, -25.98);
        for (quint64 timestamp : timestamps)
            push(QGyroscope::type, 0.01, 0.0, 0.0, timestamp);
        QCOMPARE(clino->fusion().deltaT, deltaT);
        QCOMPARE(clino->fusion().warmUpTime, updates ? deltaT : 0.0f);
        // Without a flag the filter still runs, but no reading is computed.
        QCOMPARE(clino->evaluations, emitFlag ? updates : 0);
        QCOMPARE(bearing.count(), emitFlag ? updates : 0);
    }

    void converges()
    {
        registerBackends();
        makeClino();
        QVERIFY(clino->startUpdates());
        clino->setEmitBearingUpdates(true);
        clino->setEmitPlaneUpdates(true);
        // Flat, top to magnetic north, inclination 60 degrees.
        push(QAccelerometer::type, 0.0, 0.0, 9.81);
        push(QMagnetometer::type, 0.0, 15.0, -25.98);
        // 5 s at 100 Hz.
        for (quint64 i = 1; i <= 501; ++i)
            push(QGyroscope::type, 0.01, 0.0, 0.0, i * 10000);
        QVERIFY(std::abs(clino->fusion().warmUpTime - 2.5f) < 0.011f);
        const double off = std::fmod(clino->bearing() + 180.0, 360.0) - 180.0;
        QVERIFY2(std::abs(off) < 0.1, qPrintable(QString::number(clino->bearing())));
        QVERIFY2(clino->dip() < 0.1, qPrintable(QString::number(clino->dip())));
        QCOMPARE(clino->dipAzimuth(), clino->bearing());
    }

    void gainSchedule_data()
    {
        QTest::addColumn<float>("warmUp");
        QTest::addColumn<float>("gain");
        QTest::addColumn<float>("after");
        QTest::newRow("fresh") << 0.0f << 0.5f << 0.02f;
        QTest::newRow("last warm-up step") << 2.47f << 0.5f << 2.49f;
        QTest::newRow("reaches the end") << 2.49f << 0.041f << 2.51f;
        QTest::newRow("over") << 2.51f << 0.041f << 2.51f;
    }

    void gainSchedule()
    {
        QFETCH(float, warmUp);
        QFETCH(float, gain);
        QFETCH(float, after);
        FusionFilterState state;
        state.warmUpTime = warmUp;
        state.deltaT = 0.02f;
        QCOMPARE(state.advanceGain(), gain);
        QCOMPARE(state.warmUpTime, after);
    }

    void perfectMatchStaysFinite()
    {
        FusionFilterState state;
        state.update(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
        QCOMPARE(state.q0, 1.0f);
        QCOMPARE(state.biasX, 0.0f);
        QVERIFY(state.output.isApprox(Eigen::Quaterniond::Identity()));
    }
};

QTEST_MAIN(TestSimpleCompassClino)
#include "tst_simplecompassclino.moc"
