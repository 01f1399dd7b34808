#include "model/Strike.h"

#include <QFile>
#include <QJSEngine>
#include <QtTest>

#include <cmath>
#include <limits>

// The one strike rule, against the table the QML theme is tested with too.
class TestStrike : public QObject
{
    Q_OBJECT

private slots:
    void sharedCases_data();
    void sharedCases();
    void storedAsFloat_data();
    void storedAsFloat();
    void notANumberStaysSo();
};

void TestStrike::sharedCases_data()
{
    QTest::addColumn<double>("dipAzimuth");
    QTest::addColumn<double>("strike");

    QFile file(QStringLiteral(QUARZEL_TEST_DATA_DIR "/strikecases.js"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJSEngine engine;
    const QJSValue result = engine.evaluate(QString::fromUtf8(file.readAll()), file.fileName());
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    const QJSValue cases = engine.globalObject().property(QStringLiteral("cases"));
    const int count = cases.property(QStringLiteral("length")).toInt();
    QVERIFY(count >= 10);
    for (int i = 0; i < count; ++i) {
        const QJSValue row = cases.property(quint32(i));
        QTest::newRow(qPrintable(row.property(QStringLiteral("tag")).toString()))
            << row.property(QStringLiteral("dipAzimuth")).toNumber() << row.property(QStringLiteral("strike")).toNumber();
    }
}

void TestStrike::sharedCases()
{
    QFETCH(double, dipAzimuth);
    QFETCH(double, strike);
    const double actual = kiv::strikeFromDipAzimuth(dipAzimuth);
    QVERIFY2(std::abs(actual - strike) < 1e-9, qPrintable(QString::number(actual, 'f', 9)));
    QVERIFY(actual >= 0.0);
}

void TestStrike::storedAsFloat_data()
{
    QTest::addColumn<float>("dipAzimuth");
    QTest::addColumn<float>("strike");
    QTest::newRow("quarter") << 90.0f << 0.0f;
    QTest::newRow("just below a quarter") << 89.99f << 359.99f;
    QTest::newRow("north") << 0.0f << 270.0f;
    QTest::newRow("a full turn") << 360.0f << 270.0f;
}

void TestStrike::storedAsFloat()
{
    QFETCH(float, dipAzimuth);
    QFETCH(float, strike);
    QCOMPARE(kiv::strikeFromDipAzimuth(dipAzimuth), strike);
}

void TestStrike::notANumberStaysSo()
{
    // A wrap loop on a non-finite value would never end.
    QVERIFY(std::isnan(kiv::strikeFromDipAzimuth(std::numeric_limits<double>::quiet_NaN())));
    QVERIFY(std::isinf(kiv::strikeFromDipAzimuth(-std::numeric_limits<double>::infinity())));
}

QTEST_GUILESS_MAIN(TestStrike)
#include "tst_strike.moc"
