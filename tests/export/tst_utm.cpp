#include <QtTest>

#include "export/UTM.h"

#include <climits>
#include <cmath>
#include <random>
#include <cstring>

namespace {

QString fixed(double value)
{
    return QString::number(value, 'f', 6);
}

double centralMeridian(int zone)
{
    return 6.0 * zone - 183.0;
}

} // namespace

class TestUtm : public QObject
{
    Q_OBJECT

private slots:
    void withZone_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("easting");  // empty: not checked
        QTest::addColumn<QString>("northing");

        QTest::newRow("equator, central meridian") << 0.0 << 3.0 << QByteArray("31N") << "500000.000000" << "0.000000";
        QTest::newRow("northern Italy") << 45.5 << 9.2 << QByteArray("32T") << "515625.359593" << "5038515.956102";
        QTest::newRow("Cape Town") << -33.9 << 18.4 << QByteArray("34H") << "259583.221643" << "6245888.045363";
        QTest::newRow("Norway exception") << 60.0 << 5.0 << QByteArray("32V") << "276979.926418" << QString();
        QTest::newRow("Norway, north edge excluded") << 64.0 << 5.0 << QByteArray("31W") << QString() << QString();
        QTest::newRow("Norway, west edge included") << 56.0 << 3.0 << QByteArray("32V") << QString() << QString();
        // Zones as GeoConvert gives them (32n 667239 and 33n 332705 east).
        QTest::newRow("Norway, east edge excluded") << 60.0 << 12.0 << QByteArray("33V") << QString() << QString();
        QTest::newRow("Norway, just inside the east edge") << 60.0 << 11.999 << QByteArray("32V") << QString() << QString();
        QTest::newRow("Svalbard 33") << 78.0 << 15.0 << QByteArray("33X") << "500000.000000" << QString();
        QTest::newRow("Svalbard 31") << 72.0 << 8.999 << QByteArray("31X") << QString() << QString();
        QTest::newRow("Svalbard 35") << 80.0 << 21.0 << QByteArray("35X") << QString() << QString();
        QTest::newRow("Svalbard 37") << 83.9 << 41.9 << QByteArray("37X") << QString() << QString();
        QTest::newRow("east of Svalbard") << 80.0 << 42.0 << QByteArray("38X") << QString() << QString();
        QTest::newRow("south of Svalbard") << 71.9 << 8.0 << QByteArray("32W") << QString() << QString();
        QTest::newRow("84 N is no Svalbard point") << 84.0 << 10.0 << QByteArray("32X") << QString() << QString();
        QTest::newRow("above the bands") << 85.0 << 0.0 << QByteArray("31Z") << QString() << QString();
        QTest::newRow("southern band limit") << -80.0 << 0.0 << QByteArray("31C") << QString() << QString();
        QTest::newRow("longitude 180") << 0.0 << 180.0 << QByteArray("1N") << QString() << QString();
        QTest::newRow("longitude -180") << 0.0 << -180.0 << QByteArray("1N") << QString() << QString();
        QTest::newRow("longitude below -180") << 0.0 << -181.0 << QByteArray("60N") << QString() << QString();
        QTest::newRow("longitude 540") << 0.0 << 540.0 << QByteArray("1N") << QString() << QString();
        QTest::newRow("wrapped once") << 45.5 << 369.2 << QByteArray("32T") << "515625.359593" << "5038515.956102";
        QTest::newRow("huge longitude") << 10.0 << 1e300 << QByteArray() << QString() << QString();
    }

    void withZone()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QByteArray, zone);
        QFETCH(QString, easting);
        QFETCH(QString, northing);

        char text[kiv::UtmZoneTextSize + 4];
        std::memset(text, '#', sizeof text);
        double n = 0.0;
        double e = 0.0;
        kiv::latLongToUTMWithZone(lat, lon, n, e, text);
        QVERIFY(std::memchr(text, '\0', kiv::UtmZoneTextSize));
        QCOMPARE(text[kiv::UtmZoneTextSize], '#');
        if (zone.isEmpty()) {
            const int number = kiv::utmZoneNumber(text);
            QVERIFY(number >= 1 && number <= 60);
        } else {
            QCOMPARE(QByteArray(text), zone);
        }
        if (!easting.isEmpty())
            QCOMPARE(fixed(e), easting);
        if (!northing.isEmpty())
            QCOMPARE(fixed(n), northing);
        QVERIFY(std::isfinite(e) && std::isfinite(n));
    }

    void nonFinite_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("latitude NaN") << nan << 10.0;
        QTest::newRow("longitude NaN") << 45.0 << nan;
        QTest::newRow("longitude infinite") << 45.0 << inf;
        QTest::newRow("latitude infinite") << -inf << 10.0;
    }

    void nonFinite()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        char text[kiv::UtmZoneTextSize] = "abc";
        double n = 0.0;
        double e = 0.0;
        kiv::latLongToUTMWithZone(lat, lon, n, e, text);
        QCOMPARE(QByteArray(text), QByteArray("0Z"));
        QVERIFY(std::isnan(n) && std::isnan(e));
    }

    void band_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<char>("band");
        const QByteArray letters("CDEFGHJKLMNPQRSTUVW");
        for (int i = 0; i < letters.size(); ++i) {
            const double south = -80.0 + 8.0 * i;
            const char letter = letters[i];
            const char below = i == 0 ? 'Z' : letters[i - 1];
            QTest::newRow(qPrintable(QStringLiteral("%1 south edge").arg(letter))) << south << letter;
            QTest::newRow(qPrintable(QStringLiteral("%1 middle").arg(letter))) << south + 4.0 << letter;
            QTest::newRow(qPrintable(QStringLiteral("below %1").arg(letter))) << std::nextafter(south, -90.0) << below;
        }
        QTest::newRow("X south edge") << 72.0 << 'X';
        QTest::newRow("X north edge included") << 84.0 << 'X';
        QTest::newRow("above 84") << std::nextafter(84.0, 90.0) << 'Z';
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 'Z';
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 'Z';
    }

    void band()
    {
        QFETCH(double, lat);
        QFETCH(char, band);
        QCOMPARE(kiv::utmLatitudeBand(lat), band);
    }

    void zoneNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("33X") << QByteArray("33X") << 33;
        QTest::newRow("7C") << QByteArray("7C") << 7;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("letter only") << QByteArray("Z") << 0;
        QTest::newRow("leading blank") << QByteArray(" 12U") << 12;
        QTest::newRow("beyond int") << QByteArray("99999999999999999999X") << 0;
    }

    void zoneNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, number);
        QCOMPARE(kiv::utmZoneNumber(text.constData()), number);
    }

    void givenZone_data()
    {
        QTest::addColumn<int>("zone");
        QTest::addColumn<double>("minOffset");  // |easting - 500000| at least
        QTest::newRow("own zone") << 32 << 0.0;
        QTest::newRow("neighbouring zone") << 31 << 400000.0;
        QTest::newRow("far zone") << 1 << 1e6;
        QTest::newRow("absurd zone") << INT_MAX << 1e6;
    }

    // The caller's zone is used as given: no wrap, no exception, no error.
    void givenZone()
    {
        QFETCH(int, zone);
        QFETCH(double, minOffset);
        double n = 0.0;
        double e = 0.0;
        kiv::latLongToUTM(45.5, 9.2, zone, n, e);
        QVERIFY(std::isfinite(e) && std::isfinite(n));
        QVERIFY(std::fabs(e - 500000.0) >= minOffset);
        if (zone == 32) {
            QCOMPARE(fixed(e), QStringLiteral("515625.359593"));
            QCOMPARE(fixed(n), QStringLiteral("5038515.956102"));
        }
    }

    // Random points within 3 degrees of their zone's central meridian against
    // GeographicLib's exact transverse Mercator.
    void geoConvert_data()
    {
        QTest::addColumn<QRectF>("area");  // x longitude, y latitude
        QTest::addColumn<uint>("seed");
        QTest::newRow("northern hemisphere") << QRectF(-180, 0, 360, 84) << 11u;
        QTest::newRow("southern hemisphere") << QRectF(-180, -80, 360, 80) << 12u;
        QTest::newRow("Norway") << QRectF(3, 56, 9, 8) << 13u;
        QTest::newRow("Svalbard") << QRectF(0, 72, 42, 12) << 14u;
    }

    void geoConvert()
    {
        QFETCH(QRectF, area);
        QFETCH(uint, seed);
        const QString program = QStandardPaths::findExecutable(QStringLiteral("GeoConvert"));
        QVERIFY2(!program.isEmpty(), "GeoConvert missing: install geographiclib-tools");

        std::mt19937 random(seed);
        std::uniform_real_distribution<double> lonOf(area.left(), area.right());
        std::uniform_real_distribution<double> latOf(area.top(), area.bottom());
        struct Point
        {
            double lat, lon, northing, easting;
            int zone;
        };
        QVector<Point> points;
        QByteArray input;
        while (points.size() < 100) {
            Point p{latOf(random), lonOf(random), 0.0, 0.0, 0};
            char text[kiv::UtmZoneTextSize];
            kiv::latLongToUTMWithZone(p.lat, p.lon, p.northing, p.easting, text);
            p.zone = kiv::utmZoneNumber(text);
            if (std::fabs(p.lon - centralMeridian(p.zone)) >= 3.0)
                continue;
            points.append(p);
            input += QByteArray::number(p.lat, 'f', 12) + ' ' + QByteArray::number(p.lon, 'f', 12) + '\n';
        }

        QProcess process;
        process.start(program, {QStringLiteral("-u"), QStringLiteral("-p"), QStringLiteral("3")});
        QVERIFY(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished());
        const QList<QByteArray> lines = process.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), points.size());

        for (int i = 0; i < points.size(); ++i) {
            const Point& p = points[i];
            const QByteArrayList f = lines[i].simplified().split(' ');
            QCOMPARE(f.size(), 3);
            const QByteArray zone = f[0];
            const QString where = QStringLiteral("%1 %2: %3").arg(p.lat, 0, 'f', 6).arg(p.lon, 0, 'f', 6)
                                      .arg(QString::fromLatin1(lines[i]));
            QVERIFY2(kiv::utmZoneNumber(zone.constData()) == p.zone, qPrintable(where));
            QVERIFY2(zone.endsWith(p.lat < 0 ? 's' : 'n'), qPrintable(where));
            QVERIFY2(std::fabs(f[1].toDouble() - p.easting) < 0.01, qPrintable(where));
            QVERIFY2(std::fabs(f[2].toDouble() - p.northing) < 0.01, qPrintable(where));
        }
    }
};

QTEST_GUILESS_MAIN(TestUtm)
#include "tst_utm.moc"
