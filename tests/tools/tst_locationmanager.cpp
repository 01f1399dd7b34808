#include <QtTest>

#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "support/ToastApplication.h"
#include "tools/MagneticModel.h"

#include <cmath>
#include <limits>
#include <memory>
#include <thread>

using namespace kiv;
using Manager = AbstractLocationManager;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Declinations for a fixed day.
class DatedLocationManager : public test::ScriptedLocationManager
{
protected:
    QDate declinationDate() const override { return QDate(2025, 1, 1); }
};

QGeoPositionInfo report(const QDateTime& time, double latitude, double longitude, double accuracy = -1.0)
{
    QGeoPositionInfo info(QGeoCoordinate(latitude, longitude, 500.0), time);
    if (accuracy >= 0.0 || std::isnan(accuracy)) {
        info.setAttribute(QGeoPositionInfo::HorizontalAccuracy, accuracy);
        info.setAttribute(QGeoPositionInfo::VerticalAccuracy, accuracy);
    }
    return info;
}

QList<QStringList> toastsOf(const DialogController& dialogs)
{
    QList<QStringList> list;
    for (const DialogController::Toast& toast : dialogs.toasts())
        list << QStringList{toast.icon, toast.message, QString::number(toast.duration)};
    return list;
}

QStringList errorToast(const QString& message)
{
    return {DialogController::errorGlyph, message, QStringLiteral("4000")};
}

QStringList infoToast(const QString& message)
{
    return {DialogController::infoGlyph, message, QStringLiteral("2000")};
}

} // namespace

class TestLocationManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<test::ToastApplication> m_application;
    DatedLocationManager* m_location = nullptr;

    void compareAngle(double actual, double expected)
    {
        if (std::isnan(expected))
            QVERIFY2(std::isnan(actual), qPrintable(QString::number(actual)));
        else
            QVERIFY2(std::abs(actual - expected) < 1e-6, qPrintable(QString::number(actual, 'f', 9)));
    }

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        // Text must not follow the user's locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void init()
    {
        QSettings().clear();
        m_documents = std::make_unique<QTemporaryDir>();
        m_application = std::make_unique<test::ToastApplication>(m_documents->path());
        test::resetModelManager();
        m_location = new DatedLocationManager;
        m_application->installLocationManager(m_location);
    }

    void cleanup()
    {
        delete ModelManager::instance();
        ModelManager::instance() = nullptr;
        m_application.reset();
    }

    void validCoordinates_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("valid");
        QTest::newRow("null") << QPointF(0, 0) << false;
        QTest::newRow("upper corner") << QPointF(180, 90) << true;
        QTest::newRow("lower corner") << QPointF(-180, -90) << true;
        QTest::newRow("longitude beyond") << QPointF(181, 0) << false;
        QTest::newRow("latitude beyond") << QPointF(0, -90.0001) << false;
        QTest::newRow("999 longitude only") << QPointF(999, 5) << false;
        QTest::newRow("none") << QPointF(999, 999) << false;
    }

    void validCoordinates()
    {
        QFETCH(QPointF, point);
        QFETCH(bool, valid);
        QCOMPARE(Manager::isValidCoordinate(point), valid);
    }

    void acceptance_data()
    {
        QTest::addColumn<double>("storedAccuracy");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<double>("accuracy");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("shownAccuracy");
        QTest::newRow("much newer, much worse") << 10.0 << 121 << 510.0 << true << 510.0;
        QTest::newRow("at the window, worse") << 10.0 << 120 << 510.0 << false << 10.0;
        QTest::newRow("newer, 60 m worse") << 10.0 << 60 << 70.0 << false << 10.0;
        QTest::newRow("newer, 50 m worse") << 10.0 << 60 << 60.0 << true << 60.0;
        QTest::newRow("older, better") << 10.0 << -1 << 9.0 << true << 9.0;
        QTest::newRow("much older, better") << 10.0 << -121 << 1.0 << false << 10.0;
        QTest::newRow("no accuracy, newer") << -1.0 << 1 << -1.0 << true << -1.0;
        QTest::newRow("no accuracy, same time") << -1.0 << 0 << -1.0 << false << -1.0;
        QTest::newRow("NaN accuracy, newer") << NaN << 1 << NaN << true << -1.0;
    }

    void acceptance()
    {
        QFETCH(double, storedAccuracy);
        QFETCH(int, seconds);
        QFETCH(double, accuracy);
        QFETCH(bool, accepted);
        QFETCH(double, shownAccuracy);
        const QDateTime t0 = QDateTime::currentDateTimeUtc();
        m_location->applyPositionInfo(report(t0, 46.0, 7.0, storedAccuracy));
        const QGeoPositionInfo candidate = report(t0.addSecs(seconds), 46.5, 7.5, accuracy);
        QCOMPARE(m_location->acceptPosition(candidate), accepted);
        if (accepted)
            m_location->applyPositionInfo(candidate);
        QCOMPARE(m_location->horizontalAccuracy(), shownAccuracy);
        QCOMPARE(m_location->verticalAccuracy(), shownAccuracy);
        QCOMPARE(m_location->validGPSPosition(), true);
        QVERIFY(!m_location->acceptPosition(QGeoPositionInfo()));
    }

    void reportReplacesTheFix()
    {
        m_location->startUpdates();
        QVERIFY(m_location->searching());
        QSignalSpy coordinate(m_location, &Manager::lastKnownCoordinateUpdated);
        QSignalSpy searching(m_location, &Manager::searchingChanged);
        const QGeoPositionInfo info = report(QDateTime::currentDateTime(), 46.25, 7.5, 4.0);
        m_location->applyPositionInfo(info);
        m_location->applyPositionInfo(info);
        QCOMPARE(m_location->lastKnownCoordinate(), QPointF(7.5, 46.25));
        QCOMPARE(coordinate.count(), 2);
        QCOMPARE(searching.count(), 1);
        QCOMPARE(m_location->altitude(), 500.0);
        m_location->applyPositionInfo(QGeoPositionInfo());
        QCOMPARE(coordinate.count(), 2);
    }

    void manualPosition()
    {
        QCOMPARE(m_location->lastUpdateDetails(), QString());
        m_location->applyPositionInfo(report(QDateTime::currentDateTime().addDays(-3), 46.0, 7.0, 8.0));
        QCOMPARE(m_location->lastUpdateDetails(), QStringLiteral("3d ago"));
        m_location->startUpdates();
        QSignalSpy fixes(m_location, &Manager::positionUpdated);
        const QString before = QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);
        m_location->setLastKnownCoordinate(QPointF(7.5, 46.25));
        const QString after = QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);
        QCOMPARE(m_location->lastKnownCoordinate(), QPointF(7.5, 46.25));
        QCOMPARE(m_location->horizontalAccuracy(), 0.0);
        QCOMPARE(m_location->verticalAccuracy(), 0.0);
        QCOMPARE(m_location->altitude(), 500.0);
        QVERIFY(!m_location->validGPSPosition());
        QVERIFY(!m_location->searching());
        QVERIFY(m_location->updating());
        QCOMPARE(fixes.count(), 1);
        QVERIFY(!fixes.at(0).at(0).value<QGeoPositionInfo>().isValid());
        const QString details = m_location->lastUpdateDetails();
        QVERIFY2(details == before || details == after, qPrintable(details));
    }

    void positioningErrors_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stops");
        QTest::newRow("NoError") << 0 << QString() << false;
        QTest::newRow("UnknownError") << 1
                                      << "An error has occured with your devices location service. Please check "
                                         "your device settings and try again."
                                      << true;
        QTest::newRow("AccessError") << 2
                                     << "Quarzel is unable to access location services on this device. Please "
                                        "check your device settings and try again."
                                     << true;
        QTest::newRow("NotSupportedError")
            << 3 << "This device does not provide a location service. Please provide your own location." << true;
        QTest::newRow("outside the table") << 7 << QString() << true;
    }

    void positioningErrors()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(bool, stops);
        m_location->setUpdating(true);
        m_application->dialogs->dismissToast();
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(true));
        m_location->handlePositioningError(code);
        QList<QStringList> expected;
        if (!message.isEmpty())
            expected << errorToast(message);
        QCOMPARE(toastsOf(*m_application->dialogs), expected);
        QCOMPARE(m_location->updating(), !stops);
        QCOMPARE(test::storedSetting("GPSAuto").toBool(), !stops);
    }

    void userStartAndStop_data()
    {
        QTest::addColumn<bool>("startFails");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("searchingChanges");
        const QString starting = "Starting location updates...";
        QTest::newRow("start twice") << false << true << QStringList{starting, starting} << true << 1;
        QTest::newRow("start fails") << true << true << QStringList() << false << 0;
        QTest::newRow("stop") << false << false << QStringList{starting, "Location updates disabled."} << false << 2;
    }

    void userStartAndStop()
    {
        QFETCH(bool, startFails);
        QFETCH(bool, wanted);
        QFETCH(QStringList, messages);
        QFETCH(bool, stored);
        QFETCH(int, searchingChanges);
        m_location->startFails = startFails;
        QSignalSpy searching(m_location, &Manager::searchingChanged);
        m_location->setUpdating(true);
        m_location->setUpdating(wanted);
        QList<QStringList> expected;
        for (const QString& message : messages)
            expected << infoToast(message);
        QCOMPARE(toastsOf(*m_application->dialogs), expected);
        QCOMPARE(m_location->updating(), stored);
        QCOMPARE(m_location->searching(), stored);
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(stored));
        QCOMPARE(searching.count(), searchingChanges);
    }

    void seedingFromTheProject_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<bool>("updating");
        QTest::addColumn<QPointF>("coordinate");
        // The project holds no altitude: the one held stays, whatever it is.
        QTest::addColumn<double>("altitude");
        QTest::newRow("no latitude") << 999.0 << 7.0 << false << QPointF(1, 2) << 12.0;
        QTest::newRow("no longitude") << 46.0 << 999.0 << false << QPointF(1, 2) << 12.0;
        QTest::newRow("stored position") << 46.0 << 7.0 << false << QPointF(7, 46) << 250.5;
        QTest::newRow("stored position at altitude 0") << 46.0 << 7.0 << false << QPointF(7, 46) << 0.0;
        QTest::newRow("stored position without altitude") << 46.0 << 7.0 << false << QPointF(7, 46) << 12.0;
        QTest::newRow("while updating") << 46.0 << 7.0 << true << QPointF(1, 2) << 12.0;
    }

    void seedingFromTheProject()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(bool, updating);
        QFETCH(QPointF, coordinate);
        QFETCH(double, altitude);
        m_location->setLastKnownCoordinate(QPointF(1, 2));
        m_location->setAltitude(altitude);
        if (updating)
            m_location->startUpdates();
        Project project(ProjectId(901), nullptr, QDir(m_documents->path()));
        project.setLastLatitude(latitude);
        project.setLastLongitude(longitude);
        // The position bar reads the altitude when the position is announced.
        QList<double> announced;
        connect(m_location, &Manager::lastKnownCoordinateUpdated, this,
                [&] { announced << m_location->altitude(); });
        emit ModelManager::instance()->currentProjectChanged(&project);
        disconnect(m_location, &Manager::lastKnownCoordinateUpdated, this, nullptr);
        QCOMPARE(m_location->lastKnownCoordinate(), coordinate);
        QCOMPARE(m_location->altitude(), altitude);
        QCOMPARE(announced, coordinate == QPointF(1, 2) ? QList<double>() : QList<double>{altitude});
    }

    void declination_data()
    {
        QTest::addColumn<bool>("model");
        QTest::addColumn<QPointF>("coordinate");
        QTest::addColumn<int>("emitted");
        QTest::newRow("bundled model") << true << QPointF(10, 50) << 2;
        QTest::newRow("no coefficient file") << false << QPointF(10, 50) << 0;
        QTest::newRow("no coordinate") << true << QPointF(999, 999) << 0;
        QTest::newRow("out of range") << true << QPointF(10, 91) << 0;
    }

    void declination()
    {
        QFETCH(bool, model);
        QFETCH(QPointF, coordinate);
        QFETCH(int, emitted);
        QTemporaryDir assets;
        m_application->assets = assets.path();
        if (model)
            QVERIFY(MagneticModel::installBundledModel(assets.path()));
        m_location->setLastKnownCoordinate(coordinate);
        QSignalSpy declinations(m_location, &Manager::declinationChanged);
        m_location->startDeclinationUpdates();
        m_location->startDeclinationUpdates();
        QCOMPARE(declinations.count(), emitted);
        QVERIFY(m_location->updating());
        if (emitted == 0) {
            QCOMPARE(m_location->declination(), 999.0);
            return;
        }
        QVERIFY(std::abs(declinations.at(1).at(0).toDouble() - 3.876) < 0.01);
        QCOMPARE(m_location->declination(), declinations.at(1).at(0).toDouble());
    }

    void declinationFillsTheCurrentProject()
    {
        QTemporaryDir assets;
        m_application->assets = assets.path();
        QVERIFY(MagneticModel::installBundledModel(assets.path()));
        const QString folder = QDir(m_documents->path()).absoluteFilePath("a.qz");
        QDir().mkpath(folder);
        {
            Project project(ProjectId(902), nullptr, "A", QString(), QString(), QDir(folder));
            project.setDeclination(Project::NoDeclination);
            project.setLastLatitude(50.0);
            project.setLastLongitude(10.0);
            QVERIFY(project.save());
        }
        ModelManager::instance()->init(QDir(m_documents->path()));
        const auto project = ModelManager::instance()->currentProject();
        QVERIFY(project);
        QVERIFY(std::abs(project->declination() - 3.876) < 0.01);
        QCOMPARE(test::storedProjectRecord(folder + "/main.db").declination(), project->declination());
    }

    void reportsFromAnotherThread()
    {
        QList<double> latitudes;
        bool offThread = false;
        connect(m_location, &Manager::positionUpdated, this, [&](const QGeoPositionInfo& info) {
            offThread |= QThread::currentThread() != thread();
            latitudes << info.coordinate().latitude();
        });
        const QDateTime now = QDateTime::currentDateTime();
        std::thread sender([this, now] {
            for (int i = 0; i < 1000; ++i)
                m_location->applyPositionInfo(report(now, i * 0.05, 7.0));
        });
        sender.join();
        QTRY_COMPARE(latitudes.size(), 1000);
        QVERIFY(!offThread);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(latitudes.at(i), i * 0.05);
        QCOMPARE(m_location->lastKnownCoordinate().y(), 999 * 0.05);
    }

    void inputModeIsStored()
    {
        QSignalSpy modes(m_location, &Manager::inputModeChanged);
        m_location->setInputMode(Manager::DecimalDegrees);
        m_location->setInputMode(Manager::DecimalDegrees);
        QCOMPARE(modes.count(), 1);
        QCOMPARE(test::storedSetting("InputMode"), QVariant(1));
        QCOMPARE(test::ScriptedLocationManager().inputMode(), Manager::DecimalDegrees);
    }

    // --- coordinate text ------------------------------------------------------------

    void formatting_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("latitude");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QString>("text");
        QTest::newRow("5.25 N") << 0 << true << 5.25 << "05° 15' 00.00\" N";
        QTest::newRow("-5.25 W") << 0 << false << -5.25 << "005° 15' 00.00\" W";
        QTest::newRow("-33.5 S") << 0 << true << -33.5 << "33° 30' 00.00\" S";
        QTest::newRow("12.3456789") << 0 << true << 12.3456789 << "12° 20' 44.44\" N";
        QTest::newRow("-122.4194") << 0 << false << -122.4194 << "122° 25' 09.84\" W";
        QTest::newRow("180") << 0 << false << 180.0 << "180° 00' 00.00\" E";
        QTest::newRow("-180") << 0 << false << -180.0 << "180° 00' 00.00\" W";
        QTest::newRow("-0.0001") << 0 << true << -0.0001 << "00° 00' 00.36\" S";
        QTest::newRow("shown as zero latitude") << 0 << true << -1e-9 << "00° 00' 00.00\" N";
        QTest::newRow("shown as zero longitude") << 0 << false << -1e-9 << "000° 00' 00.00\" E";
        QTest::newRow("seconds carry") << 0 << true << 5.2499999 << "05° 15' 00.00\" N";
        QTest::newRow("minutes carry") << 0 << true << 59.99999999 << "60° 00' 00.00\" N";
        QTest::newRow("190 wraps west") << 0 << false << 190.0 << "170° 00' 00.00\" W";
        QTest::newRow("5.5 seconds") << 0 << true << 10 + 5.5 / 3600 << "10° 00' 05.50\" N";
        QTest::newRow("12.5 seconds") << 0 << true << 10 + 12.5 / 3600 << "10° 00' 12.50\" N";
        QTest::newRow("not a number") << 0 << true << NaN << "";
        QTest::newRow("decimal 45.5") << 1 << true << 45.5 << "45.500000";
        QTest::newRow("decimal -3.25") << 1 << false << -3.25 << "-3.250000";
    }

    void formatting()
    {
        QFETCH(int, mode);
        QFETCH(bool, latitude);
        QFETCH(double, angle);
        QFETCH(QString, text);
        m_location->setInputMode(Manager::InputMode(mode));
        QCOMPARE(latitude ? m_location->latitudeForAngle(angle) : m_location->longitudeForAngle(angle), text);
    }

    void parseDMS_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("ordinal");
        QTest::addColumn<double>("angle");
        const QString masked = "45° 30' 00.00\"";
        QTest::newRow("S") << masked << "S" << -45.5;
        QTest::newRow("N") << masked << "N" << 45.5;
        QTest::newRow("W") << masked << "W" << -45.5;
        QTest::newRow("91 N") << "91° 00' 00.00\"" << "N" << NaN;
        QTest::newRow("91 E") << "91° 00' 00.00\"" << "E" << 91.0;
        QTest::newRow("minutes 60") << "45° 60' 00.00\"" << "N" << 46.0;
        QTest::newRow("minutes 61") << "45° 61' 00.00\"" << "N" << NaN;
        QTest::newRow("seconds 60") << "45° 00' 60.00\"" << "N" << 45.0 + 1.0 / 60;
        QTest::newRow("seconds 60.01") << "45° 00' 60.01\"" << "N" << NaN;
        QTest::newRow("above 90 N") << "90° 00' 00.01\"" << "N" << NaN;
        QTest::newRow("180 W") << "180° 00' 00.00\"" << "W" << -180.0;
        QTest::newRow("above 180 E") << "180° 00' 00.01\"" << "E" << NaN;
        QTest::newRow("short fields") << "12° 3' 4.\"" << "E" << 12.0 + 3.0 / 60 + 4.0 / 3600;
        QTest::newRow("degrees only") << "5° ' .\"" << "E" << 5.0;
        QTest::newRow("nothing typed") << "° ' \"" << "E" << 0.0;
        QTest::newRow("no blanks") << "45°30'00\"" << "N" << NaN;
        QTest::newRow("empty") << "" << "N" << NaN;
        QTest::newRow("letters") << "abc" << "N" << NaN;
        QTest::newRow("own letter S") << "33° 30' 0.00\" S" << "" << -33.5;
        QTest::newRow("own letter N above 90") << "91° 00' 0.00\" N" << "" << NaN;
        QTest::newRow("no letter") << masked << "" << 45.5;
    }

    void parseDMS()
    {
        QFETCH(QString, text);
        QFETCH(QString, ordinal);
        QFETCH(double, angle);
        compareAngle(m_location->parseDMS(text, ordinal), angle);
    }

    void parseDD_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("latitude");
        QTest::addColumn<double>("angle");
        QTest::newRow("lone dot") << "." << true << 0.0;
        QTest::newRow("-95 latitude") << "-95.0" << true << NaN;
        QTest::newRow("-95 longitude") << "-95.0" << false << -95.0;
        QTest::newRow("masked") << "45.500000°" << true << 45.5;
        QTest::newRow("beyond -180") << "-180.000001°" << false << NaN;
        QTest::newRow("beyond 90") << "90.000001°" << true << NaN;
        QTest::newRow("90") << "90.000000°" << true << 90.0;
        QTest::newRow("trailing dot") << "12." << false << 12.0;
        QTest::newRow("leading dot") << "-.5°" << false << -0.5;
        QTest::newRow("blanks") << "  -7.25° " << false << -7.25;
        QTest::newRow("empty") << "" << false << NaN;
        QTest::newRow("letters") << "abc" << false << NaN;
    }

    void parseDD()
    {
        QFETCH(QString, text);
        QFETCH(bool, latitude);
        QFETCH(double, angle);
        compareAngle(m_location->parseDD(text, latitude), angle);
    }

    void parseInputLocation_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QPointF>("point");
        QTest::newRow("DMS") << 0 << QStringList{"45° 30' 00.00\"", "007° 15' 00.00\"", "N", "E"}
                             << QPointF(7.25, 45.5);
        QTest::newRow("DMS south west") << 0 << QStringList{"45° 30' 00.00\"", "007° 15' 00.00\"", "S", "W"}
                                        << QPointF(-7.25, -45.5);
        QTest::newRow("DMS own letters") << 0 << QStringList{"45° 30' 0.00\" S", "007° 15' 0.00\" W"}
                                         << QPointF(-7.25, -45.5);
        QTest::newRow("empty longitude") << 0 << QStringList{"45° 30' 00.00\"", ""} << QPointF(0, 0);
        QTest::newRow("decimal") << 1 << QStringList{"-33.500000°", "151.200000°"} << QPointF(151.2, -33.5);
        QTest::newRow("decimal refused") << 1 << QStringList{"-95", "10"} << QPointF(0, 0);
    }

    void parseInputLocation()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, fields);
        QFETCH(QPointF, point);
        m_location->setInputMode(Manager::InputMode(mode));
        QPointF parsed;
        if (fields.size() == 4)
            parsed = m_location->parseInputLocation(fields[0], fields[1], fields[2], fields[3]);
        else
            parsed = m_location->parseInputLocation(fields[0], fields[1]);
        QCOMPARE(parsed, point);
    }

    void formatAndParseBack_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("resolution");
        QTest::newRow("decimal degrees") << 1 << 1e-6;
        QTest::newRow("degrees minutes seconds") << 0 << 0.005 / 3600;
    }

    void formatAndParseBack()
    {
        QFETCH(int, mode);
        QFETCH(double, resolution);
        m_location->setInputMode(Manager::InputMode(mode));
        QRandomGenerator random(27);
        for (int i = 0; i < 10000; ++i) {
            const bool latitude = i % 2 == 0;
            const double limit = latitude ? 90.0 : 180.0;
            const double angle = random.bounded(2 * limit) - limit;
            const QString text = latitude ? m_location->latitudeForAngle(angle) : m_location->longitudeForAngle(angle);
            const double parsed = mode == 1 ? m_location->parseDD(text, latitude) : m_location->parseDMS(text);
            QVERIFY2(std::abs(parsed - angle) <= resolution * 1.0001,
                     qPrintable(QString("%1 -> %2 -> %3").arg(angle, 0, 'g', 17).arg(text).arg(parsed, 0, 'g', 17)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLocationManager)
#include "tst_locationmanager.moc"
