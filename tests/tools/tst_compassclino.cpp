#include <QtTest>

#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/CompassApplication.h"
#include "tools/QuaternionCompassClino.h"

#include <cmath>
#include <limits>
#include <memory>

Q_DECLARE_METATYPE(Eigen::Quaterniond)

using kiv::OrientationContext;
using kiv::OrientationReadings;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Logs every call to the virtual setters and to start and stop.
class RecordingClino : public kiv::QuaternionCompassClino
{
public:
    using Base = QuaternionCompassClino;

    void setBearing(double v) override { record("setBearing", v); Base::setBearing(v); }
    void setDip(double v) override { record("setDip", v); Base::setDip(v); }
    void setDipAzimuth(double v) override { record("setDipAzimuth", v); Base::setDipAzimuth(v); }
    void setPlunge(double v) override { record("setPlunge", v); Base::setPlunge(v); }
    void setPlungeAzimuth(double v) override { record("setPlungeAzimuth", v); Base::setPlungeAzimuth(v); }
    void setPlaneSymbolRotation(double v) override { record("setPlaneSymbolRotation", v); Base::setPlaneSymbolRotation(v); }
    void setLineSymbolRotation(double v) override { record("setLineSymbolRotation", v); Base::setLineSymbolRotation(v); }
    bool startUpdates() override
    {
        log << "startUpdates";
        setDeviceUpdating(true);
        return true;
    }
    void stopUpdates() override
    {
        log << "stopUpdates";
        Base::stopUpdates();
    }
    void givePortrait()
    {
        m_primaryOrientation = Qt::PortraitOrientation;
        m_currentOrientation = Qt::PortraitOrientation;
    }
    using AbstractCompassClino::setHasRequiredSensors;

    QStringList log;

private:
    void record(const char* name, double v) { log << QStringLiteral("%1 %2").arg(name).arg(v); }
};

Eigen::Quaterniond turned(double degrees, const Eigen::Vector3d& axis)
{
    return Eigen::Quaterniond(Eigen::AngleAxisd(degrees * M_PI / 180.0, axis));
}

Eigen::Quaterniond quaternion(double x, double y, double z, double w)
{
    return Eigen::Quaterniond(w, x, y, z);
}

// Differences of angles modulo a full turn.
double turnDifference(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

} // namespace

class TestCompassClino : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<kiv::test::CompassApplication> application;
    std::unique_ptr<RecordingClino> clino;

private slots:
    void init()
    {
        application = std::make_unique<kiv::test::CompassApplication>();
        clino = std::make_unique<RecordingClino>();
    }

    void cleanup()
    {
        clino.reset();
        application.reset();
    }

    void freshSource()
    {
        const QVariantList expected {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 90.0, false, false, false,
                                     false, false, false};
        const QMetaObject* meta = clino->metaObject();
        const int first = meta->indexOfProperty("bearing");
        for (int i = 0; i < expected.size(); ++i) {
            const QMetaProperty property = meta->property(first + i);
            QVERIFY2(property.hasNotifySignal(), property.name());
            QCOMPARE(property.read(clino.get()), expected.at(i));
        }
        QCOMPARE(clino->projectDeclination(), 0.0f);
    }

    void settersStoreOnlyChanges_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("emissions");
        QTest::newRow("value") << 12.0 << 1;
        QTest::newRow("NaN") << NaN << 2;
        QTest::newRow("initial") << 0.0 << 0;
    }

    void settersStoreOnlyChanges()
    {
        QFETCH(double, value);
        QFETCH(int, emissions);
        QSignalSpy spy(clino.get(), &kiv::AbstractCompassClino::bearingChanged);
        clino->setBearing(value);
        clino->setBearing(value);
        QCOMPARE(spy.count(), emissions);
    }

    void declination_data()
    {
        QTest::addColumn<float>("declination");
        QTest::addColumn<float>("stored");
        QTest::addColumn<int>("emissions");
        QTest::newRow("none") << kiv::Project::NoDeclination << 0.0f << 2;
        QTest::newRow("east") << 7.5f << 7.5f << 1;
    }

    void declination()
    {
        QFETCH(float, declination);
        QFETCH(float, stored);
        QFETCH(int, emissions);
        QSignalSpy spy(clino.get(), &kiv::AbstractCompassClino::projectDeclinationChanged);
        clino->onProjectDeclinationChanged(declination);
        clino->onProjectDeclinationChanged(declination);
        QCOMPARE(clino->projectDeclination(), stored);
        QCOMPARE(spy.count(), emissions);
        QCOMPARE(spy.last().at(0).toFloat(), stored);
    }

    void enableSwitch_data()
    {
        QTest::addColumn<bool>("hasSensors");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QStringList>("calls");
        const QStringList reset {"stopUpdates", "setBearing 0", "setDip 0", "setDipAzimuth 0",
                                 "setPlaneSymbolRotation 0", "setPlunge 0", "setPlungeAzimuth 0",
                                 "setLineSymbolRotation 0"};
        QTest::newRow("off") << true << false << QStringList {"enabledChanged false"} + reset;
        QTest::newRow("off without sensors") << false << false << QStringList {"enabledChanged false"};
        QTest::newRow("on") << true << true << QStringList {"enabledChanged true", "startUpdates"};
    }

    void enableSwitch()
    {
        QFETCH(bool, hasSensors);
        QFETCH(bool, enable);
        QFETCH(QStringList, calls);
        application->setCompassClinoEnabled(!enable);
        clino->setHasRequiredSensors(hasSensors);
        application->installCompassClino(clino.get());
        connect(clino.get(), &kiv::AbstractCompassClino::enabledChanged, this,
                [this](bool on) { clino->log << QStringLiteral("enabledChanged %1").arg(on ? "true" : "false"); });
        clino->setBearing(5.0);
        clino->log.clear();
        application->setCompassClinoEnabled(enable);
        QCOMPARE(clino->log, calls);
        application->installCompassClino(nullptr);
    }

    void followsTheCurrentProject()
    {
        kiv::Project first;
        kiv::Project second;
        first.setDeclination(4.0f);
        emit kiv::ModelManager::instance()->currentProjectChanged(&first);
        QCOMPARE(clino->projectDeclination(), 4.0f);
        emit kiv::ModelManager::instance()->currentProjectChanged(&second);
        QCOMPARE(clino->projectDeclination(), 0.0f);
        first.setDeclination(6.0f);
        QCOMPARE(clino->projectDeclination(), 0.0f);
        second.setDeclination(-3.0f);
        QCOMPARE(clino->projectDeclination(), -3.0f);
    }

    void angleOfParallelVectors()
    {
        // Normalising some of these leaves a cosine just above 1.
        for (int i = 1; i < 12; ++i) {
            for (int j = 1; j < 12; ++j) {
                for (int k = 1; k < 12; ++k) {
                    const Eigen::Vector3d v(0.1 * i, 0.1 * j, 0.1 * k);
                    QVERIFY(kiv::angleBetweenDegrees(v, 2.0 * v) < 1e-5);
                    QVERIFY(kiv::angleBetweenDegrees(v, -3.0 * v) > 180.0 - 1e-5);
                }
            }
        }
        QVERIFY(std::isnan(kiv::angleBetweenDegrees(Eigen::Vector3d::Zero(), kiv::Y)));
    }

    void geometry_data()
    {
        QTest::addColumn<bool>("fusion");
        QTest::addColumn<Eigen::Quaterniond>("q");
        QTest::addColumn<double>("declination");
        QTest::addColumn<int>("primary");
        QTest::addColumn<QString>("flags");
        // bearing, dip, dip azimuth, plane rotation, plunge, plunge azimuth,
        // line rotation; NaN: not checked.
        QTest::addColumn<QVector<double>>("expected");
        const auto I = Eigen::Quaterniond::Identity();
        const int P = Qt::PortraitOrientation;
        QTest::newRow("identity") << false << I << 0.0 << P << "bpl"
                                  << QVector<double> {0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("top east") << false << turned(-90, kiv::Z) << 0.0 << P << "b"
                                  << QVector<double> {90, NaN, NaN, NaN, NaN, NaN, NaN};
        QTest::newRow("top east, declination") << false << turned(-90, kiv::Z) << 10.0 << P << "b"
                                               << QVector<double> {100, NaN, NaN, NaN, NaN, NaN, NaN};
        QTest::newRow("wraps below north") << false << turned(-5, kiv::Z) << -20.0 << P << "b"
                                           << QVector<double> {345, NaN, NaN, NaN, NaN, NaN, NaN};
        QTest::newRow("screen down, dips west") << false << turned(150, kiv::Y) << 0.0 << P << "p"
                                                << QVector<double> {NaN, 30, 270, NaN, NaN, NaN, NaN};
        QTest::newRow("axis down") << false << turned(-30, kiv::X) << 0.0 << P << "l"
                                   << QVector<double> {NaN, NaN, NaN, NaN, 30, 0, 0};
        QTest::newRow("axis up") << false << turned(30, kiv::X) << 0.0 << P << "l"
                                 << QVector<double> {NaN, NaN, NaN, NaN, 30, 180, 180};
        QTest::newRow("unknown primary as portrait") << false << turned(30, kiv::X) << 0.0 << 0 << "l"
                                                     << QVector<double> {NaN, NaN, NaN, NaN, 30, 180, 180};
        QTest::newRow("example A") << false
                                   << quaternion(0.330366090, -0.088521327, -0.243210347, 0.907673371)
                                   << 10.0 << P << "bpl"
                                   << QVector<double> {40, 40, 220, 180, 40, 220, 180};
        QTest::newRow("fusion example B") << true
                                          << quaternion(-0.209064613, 0.056018694, -0.252684000, 0.943029527)
                                          << -5.0 << P << "bpl"
                                          << QVector<double> {295, 25, 295, 0, 25, 295, -90};
        QTest::newRow("fusion identity") << true << I << 0.0 << P << "b"
                                         << QVector<double> {270, NaN, NaN, NaN, NaN, NaN, NaN};
    }

    void geometry()
    {
        QFETCH(bool, fusion);
        QFETCH(Eigen::Quaterniond, q);
        QFETCH(double, declination);
        QFETCH(int, primary);
        QFETCH(QString, flags);
        QFETCH(QVector<double>, expected);
        OrientationContext context;
        context.projectDeclination = declination;
        context.primaryOrientation = primary;
        context.currentOrientation = Qt::PortraitOrientation;
        context.bearing = flags.contains('b');
        context.plane = flags.contains('p');
        context.line = flags.contains('l');
        const OrientationReadings r = fusion ? kiv::fusionOrientationFromQuaternion(q, context)
                                             : kiv::orientationFromQuaternion(q, context);
        const double actual[] = {r.bearing, r.dip, r.dipAzimuth, r.planeSymbolRotation,
                                 r.plunge, r.plungeAzimuth, r.lineSymbolRotation};
        for (int i = 0; i < expected.size(); ++i) {
            if (std::isnan(expected[i]))
                continue;
            QVERIFY2(turnDifference(actual[i], expected[i]) < 1e-6,
                     qPrintable(QStringLiteral("reading %1: %2").arg(i).arg(actual[i], 0, 'g', 12)));
        }
    }

    // The symbol is drawn on the turned picture: it turns back against it.
    void planeSymbolRotationFollowsTheScreen_data()
    {
        QTest::addColumn<double>("screen");
        QTest::addColumn<double>("rotation");
        QTest::newRow("0") << 0.0 << 180.0;
        QTest::newRow("90") << 90.0 << 90.0;
        QTest::newRow("180") << 180.0 << 0.0;
        QTest::newRow("270") << -90.0 << 270.0;
    }

    void planeSymbolRotationFollowsTheScreen()
    {
        QFETCH(double, screen);
        QFETCH(double, rotation);
        OrientationContext context;
        context.screenRotation = screen;
        context.primaryOrientation = context.currentOrientation = Qt::PortraitOrientation;
        context.plane = true;
        const OrientationReadings r = kiv::orientationFromQuaternion(
            quaternion(0.330366090, -0.088521327, -0.243210347, 0.907673371), context);
        QVERIFY2(turnDifference(r.planeSymbolRotation, rotation) < 1e-6, qPrintable(QString::number(r.planeSymbolRotation)));
    }

    void lineFlagCallsOnlyLineSetters()
    {
        clino->givePortrait();
        clino->setEmitLineUpdates(true);
        clino->computeFromQuaternion(turned(-30, kiv::X));
        QCOMPARE(clino->log.size(), 3);
        QVERIFY(clino->log[0].startsWith("setPlungeAzimuth"));
        QVERIFY(clino->log[1].startsWith("setPlunge "));
        QCOMPARE(clino->log[2], QStringLiteral("setLineSymbolRotation 0"));
        QCOMPARE(clino->plunge(), 30.0);
    }

    void applicationState()
    {
        clino->startUpdates();
        clino->log.clear();
        clino->onApplicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(clino->log, QStringList {"stopUpdates"});
        clino->onApplicationStateChanged(Qt::ApplicationHidden);
        QCOMPARE(clino->log, QStringList {"stopUpdates"});
        emit application->applicationStateChanged(Qt::ApplicationActive);
        clino->onApplicationStateChanged(Qt::ApplicationActive);
        QCOMPARE(clino->log, QStringList({"stopUpdates", "startUpdates"}));
    }
};

QTEST_MAIN(TestCompassClino)
#include "tst_compassclino.moc"
