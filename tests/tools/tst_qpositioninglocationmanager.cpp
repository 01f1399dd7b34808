#include <QtTest>

#include "model/ModelManager.h"
#include "support/ApplicationIdentity.h"
#include "support/TestPaths.h"
#include "support/ToastApplication.h"
#include "tools/QPositioningLocationManager.h"

#include <QNmeaPositionInfoSource>

#include <memory>

using namespace kiv;

namespace {

// A position source the test drives by hand.
class ScriptedSource : public QGeoPositionInfoSource
{
    Q_OBJECT

public:
    ScriptedSource()
        : QGeoPositionInfoSource(nullptr)
    {
    }

    QGeoPositionInfoSource::Error startError = NoError;
    int starts = 0;
    int stops = 0;

    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 100; }
    Error error() const override { return m_error; }
    void raise(Error error)
    {
        m_error = error;
        emit QGeoPositionInfoSource::error(error);
    }

public slots:
    void startUpdates() override
    {
        ++starts;
        if (startError != NoError)
            raise(startError);
    }
    void stopUpdates() override { ++stops; }
    void requestUpdate(int) override {}

private:
    Error m_error = NoError;
};

QGeoPositionInfo report(const QDateTime& time)
{
    return QGeoPositionInfo(QGeoCoordinate(46.5, 7.25, 545.4), time);
}

// The recorded log with its RMC dates moved to the given day.
QByteArray nmeaLog(const QDate& day)
{
    QFile file(test::dataPath("nmea/fix-1hz.nmea"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray log;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        QByteArray body = line.mid(1, line.indexOf('*') - 1);
        if (body.startsWith("GPRMC")) {
            QList<QByteArray> fields = body.split(',');
            fields[9] = day.toString("ddMMyy").toLatin1();
            body = fields.join(',');
        }
        char sum = 0;
        for (char c : body)
            sum ^= c;
        log += '$' + body + '*' + QByteArray::number(uchar(sum), 16).rightJustified(2, '0').toUpper() + "\r\n";
    }
    return log;
}

} // namespace

class TestQPositioningLocationManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<test::ToastApplication> m_application;
    ScriptedSource* m_source = nullptr;
    QPositioningLocationManager* m_location = nullptr;

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void init()
    {
        QSettings().clear();
        m_documents = std::make_unique<QTemporaryDir>();
        m_application = std::make_unique<test::ToastApplication>(m_documents->path());
        m_source = new ScriptedSource;
        m_location = new QPositioningLocationManager(m_source);
        m_application->installLocationManager(m_location);
    }

    void cleanup() { m_application.reset(); }

    void sourceIsAdopted()
    {
        QCOMPARE(m_source->parent(), m_location);
        m_location->setUpdateInterval(1500);
        QCOMPARE(m_location->updateInterval(), 1500);
        QSignalSpy timeouts(m_location, &AbstractLocationManager::updateTimeout);
        emit m_source->updateTimeout();
        QCOMPARE(timeouts.count(), 1);
    }

    void errorsAreShownOncePerKind()
    {
        m_source->raise(QGeoPositionInfoSource::ClosedError);
        m_source->raise(QGeoPositionInfoSource::ClosedError);
        QCOMPARE(m_application->toastTexts(), QStringList{test::LocationAccessText});
        m_source->raise(QGeoPositionInfoSource::UnknownSourceError);
        QCOMPARE(m_application->toastTexts(), (QStringList{test::LocationAccessText, test::LocationUnknownText}));
        m_source->raise(QGeoPositionInfoSource::NoError);
        QCOMPARE(m_application->toastTexts().size(), 2);
        QCOMPARE(m_source->stops, 2);
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(false));
    }

    void reportsGoThroughTheAcceptanceTest()
    {
        m_location->startUpdates();
        QSignalSpy fixes(m_location, &AbstractLocationManager::positionUpdated);
        const QDateTime t0 = QDateTime::currentDateTime();
        emit m_source->positionUpdated(report(t0));
        emit m_source->positionUpdated(report(t0.addSecs(-121)));
        emit m_source->positionUpdated(QGeoPositionInfo());
        QCOMPARE(fixes.count(), 1);
        QCOMPARE(fixes.at(0).at(0).value<QGeoPositionInfo>().timestamp(), t0);
        QCOMPARE(m_location->lastKnownCoordinate(), QPointF(7.25, 46.5));
    }

    void stopping_data()
    {
        QTest::addColumn<bool>("implicite");
        QTest::addColumn<bool>("stored");
        QTest::newRow("by the user") << false << false;
        QTest::newRow("implicit") << true << true;
    }

    void stopping()
    {
        QFETCH(bool, implicite);
        QFETCH(bool, stored);
        m_location->startUpdates();
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(true));
        QSignalSpy updating(m_location, &AbstractLocationManager::updatingChanged);
        m_location->stopUpdates(implicite);
        QVERIFY(!m_location->updating());
        QCOMPARE(updating.count(), 1);
        QCOMPARE(m_source->stops, 1);
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(stored));
    }

    void errorWhileStarting()
    {
        m_source->startError = QGeoPositionInfoSource::AccessError;
        QSignalSpy updating(m_location, &AbstractLocationManager::updatingChanged);
        m_location->startUpdates();
        QVERIFY(!m_location->updating());
        QVERIFY(!updating.contains(QVariantList{true}));
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(false));
        QCOMPARE(m_application->toastTexts(), QStringList{test::LocationAccessText});
        // Each start may report the error again.
        m_location->startUpdates();
        QCOMPARE(m_application->toastTexts(), (QStringList{test::LocationAccessText, test::LocationAccessText}));
    }

    void withoutASource()
    {
        // Once from the stop that follows the error, once from construction.
        QTest::ignoreMessage(QtWarningMsg, "No default QGeoPositionInfoSource!");
        QTest::ignoreMessage(QtWarningMsg, "No default QGeoPositionInfoSource!");
        auto* location = new QPositioningLocationManager(static_cast<QGeoPositionInfoSource*>(nullptr));
        m_application->installLocationManager(location);
        QCOMPARE(m_application->toastTexts(), QStringList{test::LocationNotSupportedText});
        QTest::ignoreMessage(QtWarningMsg, "No default QGeoPositionInfoSource!");
        QCOMPARE(location->updateInterval(), 0);
        QTest::ignoreMessage(QtWarningMsg, "No default QGeoPositionInfoSource!");
        location->startUpdates();
        QVERIFY(!location->updating());
        QCOMPARE(test::storedSetting("GPSAuto"), QVariant(false));
        location->requestUpdate();
    }

    void recordedReceiverLog()
    {
        auto* source = new QNmeaPositionInfoSource(QNmeaPositionInfoSource::SimulationMode);
        auto* log = new QBuffer(source);
        log->setData(nmeaLog(QDate::currentDate().addDays(-2)));
        QVERIFY(log->open(QIODevice::ReadOnly));
        source->setDevice(log);
        auto* location = new QPositioningLocationManager(source);
        m_application->installLocationManager(location);
        QSignalSpy fixes(location, &AbstractLocationManager::positionUpdated);
        QSignalSpy searching(location, &AbstractLocationManager::searchingChanged);
        location->startUpdates();
        QVERIFY(location->searching());
        QTRY_COMPARE_WITH_TIMEOUT(fixes.count(), 5, 20000);
        QCOMPARE(searching.count(), 2);
        QVERIFY(!location->searching());
        QCOMPARE(location->lastKnownCoordinate(), QPointF(7.25, 46.5));
        QCOMPARE(location->altitude(), 545.4);
        QCOMPARE(location->horizontalAccuracy(), -1.0);
        QCOMPARE(location->verticalAccuracy(), -1.0);
        QCOMPARE(location->lastUpdateDetails(), QStringLiteral("2d ago"));
        QDateTime previous;
        for (const QVariantList& fix : fixes) {
            const QDateTime stamp = fix.at(0).value<QGeoPositionInfo>().timestamp();
            QVERIFY(!previous.isValid() || previous.secsTo(stamp) == 1);
            previous = stamp;
        }
    }
};

QTEST_GUILESS_MAIN(TestQPositioningLocationManager)
#include "tst_qpositioninglocationmanager.moc"
