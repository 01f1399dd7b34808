#include <QtTest>

#include "support/TestPaths.h"
#include "tools/GeomagneticSynthesis.h"
#include "tools/LegendreFunctions.h"
#include "tools/MagneticCoefficientReader.h"
#include "tools/MagneticCoefficients.h"
#include "tools/MagneticModel.h"

#include <cmath>

using kiv::GeomagneticSynthesis;
using kiv::MagneticModel;

namespace {

QByteArray bundledCof()
{
    QFile file(QStringLiteral(":/WMM/WMM.COF"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The published file with one line inserted before the first line that
// starts with `before`.
QByteArray insertedBefore(const QByteArray& before, const QByteArray& line)
{
    QByteArray cof = bundledCof();
    const int at = cof.indexOf("\n" + before) + 1;
    return cof.insert(at, line + '\n');
}

// The published coefficients in the spherical-harmonic data file format.
QByteArray asShdf(const QByteArray& cof, int models = 1)
{
    QByteArray rows;
    for (const QByteArray& line : cof.split('\n').mid(1)) {
        const QByteArrayList f = line.simplified().split(' ');
        if (line.startsWith("9999") || f.size() < 6)
            continue;
        rows += "I," + f.mid(0, 6).join(',') + '\n';
    }
    QByteArray header = "%SHDF 16695 Test model\n%ModelName: WMM-2025\n%Publisher: Test\n"
                        "%ReleaseDate: 2024.9\n%ModelStartYear: 2025\n%ModelEndYear: 2030\n"
                        "%Epoch: 2025.0\n%IntStaticDeg: 12\n%IntSecVarDeg: 12\n%ExtStaticDeg: 0\n"
                        "%ExtSecVarDeg: 0\n%GeoMagRefRad: 6371.2\n%Normalization: Schmidt\n"
                        "%SpatBasFunc: spherical harmonics\n# n m g h dg dh\n";
    QByteArray text;
    for (int i = 0; i < models; ++i)
        text += header + rows;
    return text;
}

// The published coefficients padded with zero terms up to `degree`.
QByteArray paddedCof(int degree)
{
    QByteArray cof = bundledCof();
    QByteArray padding;
    for (int n = 13; n <= degree; ++n)
        for (int m = 0; m <= n; ++m)
            padding += QByteArray::number(n) + ' ' + QByteArray::number(m) + " 0.0 0.0 0.0 0.0\n";
    return cof.insert(cof.indexOf("\n9999") + 1, padding);
}

// The bundled model's field at a time and place.
GeomagneticSynthesis::Elements fieldAt(double year, double lon, double lat, double heightKm = 0.0)
{
    const auto model = kiv::MagneticCoefficientReader::read(QStringLiteral(":/WMM/WMM.COF"));
    kiv::MagneticCoefficients timed(model->nMax);
    model->adjustTo(year, timed);
    return GeomagneticSynthesis::evaluate(timed, GeomagneticSynthesis::Ellipsoid::wgs84(), lon, lat, heightKm);
}

double declinationOf(const QByteArray& cof, double year, double lon, double lat, double height = 0.0)
{
    QTemporaryDir assets;
    writeFile(MagneticModel::modelPath(assets.path()), cof);
    MagneticModel model(assets.path());
    return model.magneticDeclination(year, QPointF(lon, lat), height);
}

} // namespace

class TestMagneticModel : public QObject
{
    Q_OBJECT

private slots:
    void decimalYear_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("error");

        const QString badDay = QStringLiteral("\nError: The day entered is invalid\n");
        const QString badMonth =
            QStringLiteral("\nError: The Month entered is invalid, valid months are '1 to 12'\n");
        QTest::newRow("1 January") << 2016 << 1 << 1 << 2016.0 << QString();
        QTest::newRow("31 December, leap year") << 2016 << 12 << 31 << 2016.0 + 365.0 / 366.0 << QString();
        QTest::newRow("31 December, common year") << 2015 << 12 << 31 << 2015.0 + 364.0 / 365.0 << QString();
        QTest::newRow("1 March, leap year") << 2016 << 3 << 1 << 2016.0 + 60.0 / 366.0 << QString();
        QTest::newRow("29 February 2000") << 2000 << 2 << 29 << 2000.0 + 59.0 / 366.0 << QString();
        QTest::newRow("29 February 1900") << 1900 << 2 << 29 << 0.0 << badDay;
        QTest::newRow("29 February 2025") << 2025 << 2 << 29 << 0.0 << badDay;
        QTest::newRow("31 April") << 2025 << 4 << 31 << 0.0 << badDay;
        QTest::newRow("day 0") << 2025 << 1 << 0 << 0.0 << badDay;
        QTest::newRow("month 0") << 2025 << 0 << 1 << 0.0 << badMonth;
        QTest::newRow("month 13") << 2025 << 13 << 1 << 0.0 << badMonth;
    }

    void decimalYear()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(double, expected);
        QFETCH(QString, error);

        double decimalYear = 0.0;
        QString message;
        const bool ok = MagneticModel::dateToDecimalYear(year, month, day, decimalYear, message);
        QCOMPARE(ok, error.isEmpty());
        QCOMPARE(message, error);
        if (ok)
            QCOMPARE(decimalYear, expected);
    }

    void missingFile_data()
    {
        QTest::addColumn<bool>("relative");
        QTest::newRow("absolute asset folder") << false;
        QTest::newRow("relative asset folder") << true;
    }

    void missingFile()
    {
        QFETCH(bool, relative);
        QTemporaryDir assets;
        const QString folder = relative ? QDir::current().relativeFilePath(assets.path()) : assets.path();
        const QString absolute = assets.path() + QStringLiteral("/WMM/conf/WMM.COF");

        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("WMM.COF not found! ") + absolute));
        MagneticModel model(folder);
        QVERIFY(!model.isLoaded());
        QTest::ignoreMessage(QtWarningMsg, "World Magnetic Model was not found.");
        QCOMPARE(model.magneticDeclination(2025.0, QPointF(10, 50), 0.0), 999.0);
    }

    void longitudeFirst_data()
    {
        QTest::addColumn<QPointF>("lonLat");
        QTest::addColumn<double>("expected");
        QTest::newRow("10 E, 50 N") << QPointF(10, 50) << 3.876;
        QTest::newRow("50 E, 10 N") << QPointF(50, 10) << 0.353;
    }

    void longitudeFirst()
    {
        QFETCH(QPointF, lonLat);
        QFETCH(double, expected);
        double year = 0.0;
        QString error;
        QVERIFY(MagneticModel::dateToDecimalYear(2025, 1, 1, year, error));
        const double declination = declinationOf(bundledCof(), year, lonLat.x(), lonLat.y());
        QVERIFY2(std::fabs(declination - expected) < 0.01, qPrintable(QString::number(declination)));
    }

    void publishedValues_data()
    {
        QTest::addColumn<double>("year");
        QTest::addColumn<double>("heightKm");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QVector<double>>("xyz");
        QTest::addColumn<double>("incl");
        QTest::addColumn<double>("decl");

        QFile file(kiv::test::dataPath(QStringLiteral("WMM/WMM2025_test_values.csv")));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        file.readLine();
        while (!file.atEnd()) {
            const QByteArrayList f = file.readLine().trimmed().split(',');
            if (f.size() < 12)
                continue;
            QTest::newRow(QByteArray(f[0] + " " + f[2] + " " + f[3] + " " + f[1] + " km").constData())
                << f[0].toDouble() << f[1].toDouble() << f[2].toDouble() << f[3].toDouble()
                << QVector<double>{f[4].toDouble(), f[5].toDouble(), f[6].toDouble()}
                << f[9].toDouble() << f[10].toDouble();
        }
    }

    void publishedValues()
    {
        QFETCH(double, year);
        QFETCH(double, heightKm);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QVector<double>, xyz);
        QFETCH(double, incl);
        QFETCH(double, decl);

        const double declination = declinationOf(bundledCof(), year, lon, lat, heightKm);
        QVERIFY2(std::fabs(declination - decl) < 0.01, qPrintable(QString::number(declination)));

        const auto e = fieldAt(year, lon, lat, heightKm);
        const QVector<double> found{e.x, e.y, e.z, e.incl};
        const QVector<double> published = xyz + QVector<double>{incl};
        for (int i = 0; i < found.size(); ++i)
            QVERIFY2(std::fabs(found[i] - published[i]) < 0.01, qPrintable(QString::number(found[i], 'f', 6)));
    }

    // Every variant must give exactly the published model's declination.
    void coefficientLines_data()
    {
        QTest::addColumn<QByteArray>("cof");
        const QByteArray cof = bundledCof();
        QTest::newRow("order above degree") << insertedBefore("  2  1", "  1  2  5000.0  5000.0  10.0  10.0");
        QTest::newRow("negative order") << insertedBefore("  2  1", "  2 -1  5000.0  5000.0  10.0  10.0");
        QTest::newRow("five numbers") << insertedBefore("  2  1", "  2  0  5000.0  5000.0  10.0");
        QTest::newRow("text values") << insertedBefore("  2  1", "  2  0  north  5000.0  10.0  1.0");
        QTest::newRow("not a number") << insertedBefore("  2  1", "  2  0  nan  0.0  0.0  0.0");
        QTest::newRow("degree after a stop") << insertedBefore("9999", "end of terms\n 13 13 5000.0 5000.0 0.0 0.0");
        QTest::newRow("no terminator") << cof.left(cof.indexOf("\n9999") + 1);
        QTest::newRow("terms after terminator") << cof + "  1  0  5000.0  0.0  0.0  0.0\n";
        QTest::newRow("windows line ends") << QByteArray(cof).replace("\n", "\r\n");
        QTest::newRow("spherical-harmonic data format") << asShdf(cof);
        QTest::newRow("degree 20, zero terms") << paddedCof(20);
    }

    void coefficientLines()
    {
        QFETCH(QByteArray, cof);
        const QVector<QPointF> points{{10, 50}, {-121, 89}, {87, 82}, {109, -33}, {0, 90}, {40, -90}};
        for (const QPointF& p : points) {
            const double expected = declinationOf(bundledCof(), 2027.5, p.x(), p.y());
            const double actual = declinationOf(cof, 2027.5, p.x(), p.y());
            QVERIFY2(std::fabs(actual - expected) < 1e-9,
                     qPrintable(QStringLiteral("%1 %2: %3 vs %4").arg(p.x()).arg(p.y()).arg(actual).arg(expected)));
        }
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("nMax");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("validUntil");

        const QByteArray cof = bundledCof();
        const QByteArray body = cof.mid(cof.indexOf('\n'));
        QTest::newRow("published file") << cof << 12 << "WMM-2025" << 2030.0;
        QTest::newRow("long model name")
            << "2025.0 WMM-2025-with-a-name-of-more-than-32-characters 11/13/2024" + body << 12
            << "WMM-2025-with-a-name-of-more-tha" << 2030.0;
        QTest::newRow("spherical-harmonic data format") << asShdf(cof) << 12 << "WMM-2025" << 2030.0;
        QTest::newRow("empty file") << QByteArray() << -1 << QString() << 0.0;
        QTest::newRow("header only") << QByteArray("2025.0 WMM-2025\n") << -1 << QString() << 0.0;
        QTest::newRow("no epoch") << "WMM-2025 11/13/2024" + body << -1 << QString() << 0.0;
        QTest::newRow("absurd degree") << insertedBefore("9999", "5000 0 1.0 0.0 0.0 0.0") << -1 << QString() << 0.0;
        QTest::newRow("two models in one data file") << asShdf(cof, 2) << -1 << QString() << 0.0;
        QTest::newRow("data file without degree")
            << QByteArray(asShdf(cof)).replace("%IntStaticDeg: 12\n", "") << -1 << QString() << 0.0;
    }

    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, nMax);
        QFETCH(QString, name);
        QFETCH(double, validUntil);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("model.cof"));
        QVERIFY(writeFile(path, content));
        const auto model = kiv::MagneticCoefficientReader::read(path);
        QCOMPARE(model != nullptr, nMax > 0);
        if (!model)
            return;
        QCOMPARE(model->nMax, nMax);
        QCOMPARE(model->name, name);
        QCOMPARE(model->epoch, 2025.0);
        QCOMPARE(model->validUntil, validUntil);
        QCOMPARE(model->mainG[kiv::MagneticCoefficients::index(1, 0)], -29351.8);
        QCOMPARE(model->secVarH[kiv::MagneticCoefficients::index(12, 12)], -0.1);
    }

    // The scaled high-degree form must agree with the plain recursion.
    void legendreForms_data()
    {
        QTest::addColumn<double>("latitude");
        for (double lat : {-89.9, -60.0, -1.0, 0.0, 23.5, 45.0, 80.0, 89.999})
            QTest::newRow(qPrintable(QString::number(lat))) << lat;
    }

    void legendreForms()
    {
        QFETCH(double, latitude);
        const double phi = qDegreesToRadians(latitude);
        std::vector<double> p1, dp1, p2, dp2;
        kiv::LegendreFunctions::lowDegree(40, std::sin(phi), std::cos(phi), p1, dp1);
        kiv::LegendreFunctions::highDegree(40, std::sin(phi), std::cos(phi), p2, dp2);
        QCOMPARE(p1.size(), p2.size());
        for (std::size_t i = 0; i < p1.size(); ++i) {
            QVERIFY2(std::fabs(p1[i] - p2[i]) < 1e-10, qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(dp1[i] - dp2[i]) < 1e-8 * std::max(1.0, std::fabs(dp1[i])),
                     qPrintable(QString::number(i)));
        }
    }

    // At a pole the east component takes its limit form; it must match the
    // field a centimetre away.
    void poles_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        for (double lon : {-135.0, 0.0, 60.0, 179.0}) {
            QTest::newRow(qPrintable(QStringLiteral("north %1").arg(lon))) << 90.0 << lon;
            QTest::newRow(qPrintable(QStringLiteral("south %1").arg(lon))) << -90.0 << lon;
        }
    }

    void poles()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        const auto ellipsoid = GeomagneticSynthesis::Ellipsoid::wgs84();
        const double near = latitude - std::copysign(1e-7, latitude);
        QVERIFY(GeomagneticSynthesis::geodeticToSpherical(ellipsoid, longitude, latitude, 0).cosPhig
                < GeomagneticSynthesis::PoleCosine);
        QVERIFY(GeomagneticSynthesis::geodeticToSpherical(ellipsoid, longitude, near, 0).cosPhig
                > GeomagneticSynthesis::PoleCosine);
        const auto atPole = fieldAt(2026.0, longitude, latitude);
        const auto nearPole = fieldAt(2026.0, longitude, near);
        QVERIFY(std::fabs(atPole.y - nearPole.y) < 0.01);
        QVERIFY(std::fabs(atPole.yDot - nearPole.yDot) < 0.01);
        QVERIFY(std::fabs(atPole.decl - nearPole.decl) < 1e-4);
        // The pole itself is a valid position for the model.
        QVERIFY(std::fabs(declinationOf(bundledCof(), 2026.0, longitude, latitude) - nearPole.decl) < 1e-4);
    }

    // The yearly changes must be the derivative of the time-adjusted field.
    void secularVariation_data()
    {
        QTest::addColumn<QPointF>("lonLat");
        QTest::newRow("Europe") << QPointF(10, 50);
        QTest::newRow("South Atlantic") << QPointF(-30, -25);
        QTest::newRow("Arctic") << QPointF(-100, 80);
    }

    void secularVariation()
    {
        QFETCH(QPointF, lonLat);
        const double step = 0.01;
        const auto e = fieldAt(2026.0, lonLat.x(), lonLat.y());
        const auto before = fieldAt(2026.0 - step / 2, lonLat.x(), lonLat.y());
        const auto after = fieldAt(2026.0 + step / 2, lonLat.x(), lonLat.y());
        QVERIFY(std::fabs(e.xDot - (after.x - before.x) / step) < 1e-6);
        QVERIFY(std::fabs(e.yDot - (after.y - before.y) / step) < 1e-6);
        QVERIFY(std::fabs(e.zDot - (after.z - before.z) / step) < 1e-6);
        QVERIFY(std::fabs(e.hDot - (after.h - before.h) / step) < 1e-4);
        QVERIFY(std::fabs(e.fDot - (after.f - before.f) / step) < 1e-4);
        QVERIFY(std::fabs(e.declDot - (after.decl - before.decl) / step) < 1e-6);
        QVERIFY(std::fabs(e.inclDot - (after.incl - before.incl) / step) < 1e-6);
    }

    void outsideValidity_data()
    {
        QTest::addColumn<double>("year");
        QTest::newRow("before the epoch") << 2024.5;
        QTest::newRow("after the end") << 2031.0;
    }

    void outsideValidity()
    {
        QFETCH(double, year);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^The magnetic model WMM-2025 is valid from "
                                                               "2025.0 to 2030.0; extrapolated to")));
        const double declination = declinationOf(bundledCof(), year, 10, 50);
        const double start = fieldAt(2025.0, 10, 50).decl;
        const double linear = start + (year - 2025.0) * (fieldAt(2026.0, 10, 50).decl - start);
        QVERIFY(std::fabs(declination - linear) < 0.05);
    }

    void invalidInput_data()
    {
        QTest::addColumn<double>("year");
        QTest::addColumn<QPointF>("lonLat");
        QTest::addColumn<double>("height");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("latitude above 90") << 2026.0 << QPointF(10, 91) << 0.0;
        QTest::newRow("longitude not a number") << 2026.0 << QPointF(nan, 50) << 0.0;
        QTest::newRow("infinite height") << 2026.0 << QPointF(10, 50) << std::numeric_limits<double>::infinity();
        QTest::newRow("year not a number") << nan << QPointF(10, 50) << 0.0;
        QTest::newRow("earth's centre") << 2026.0 << QPointF(0, 0) << -6378.137;
    }

    void invalidInput()
    {
        QFETCH(double, year);
        QFETCH(QPointF, lonLat);
        QFETCH(double, height);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^No declination")));
        QCOMPARE(declinationOf(bundledCof(), year, lonLat.x(), lonLat.y(), height), 999.0);
    }

    void installBundledModel_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("existingFile");
        // Header epoch of the existing file in place of the bundled one.
        QTest::addColumn<QByteArray>("existingEpoch");
        QTest::addColumn<QString>("existingFolder");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("replaced");

        const QString cof = "WMM/conf/WMM.COF";
        QTest::newRow("fresh asset folder") << "assets" << QString() << QByteArray() << QString() << true << true;
        QTest::newRow("non-ASCII asset folder")
            << QStringLiteral("Gel\u00e4nde \u00d8st") << QString() << QByteArray() << QString() << true << true;
        QTest::newRow("own model of the same epoch kept") << "assets" << cof << QByteArray() << QString() << true << false;
        QTest::newRow("newer model kept") << "assets" << cof << QByteArray("2025.1") << QString() << true << false;
        QTest::newRow("older model replaced") << "assets" << cof << QByteArray("2024.9") << QString() << true << true;
        QTest::newRow("unreadable model replaced") << "assets" << cof << QByteArray("WMM") << QString() << true << true;
        QTest::newRow("folder in place of the file")
            << "assets" << QString() << QByteArray() << cof << false << false;
        QTest::newRow("file in place of the folder") << "assets" << "WMM" << QByteArray() << QString() << false << false;
    }

    void installBundledModel()
    {
        QFETCH(QString, folder);
        QFETCH(QString, existingFile);
        QFETCH(QByteArray, existingEpoch);
        QFETCH(QString, existingFolder);
        QFETCH(bool, installed);
        QFETCH(bool, replaced);

        QTemporaryDir root;
        const QString assets = root.filePath(folder);
        QByteArray own = insertedBefore("9999", "  1  0  -30000.0  0.0  0.0  0.0");
        if (!existingEpoch.isEmpty())
            own.replace(own.indexOf("2025.0"), 6, existingEpoch);
        if (!existingFile.isEmpty())
            QVERIFY(writeFile(assets + '/' + existingFile, own));
        if (!existingFolder.isEmpty())
            QVERIFY(QDir().mkpath(assets + '/' + existingFolder));

        if (!installed)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Cannot")));
        QCOMPARE(MagneticModel::installBundledModel(assets), installed);
        if (!installed)
            return;

        QFile file(MagneticModel::modelPath(assets));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), replaced ? bundledCof() : own);
        QVERIFY(file.permissions() & QFileDevice::WriteOwner);

        MagneticModel model(assets);
        QVERIFY(model.isLoaded());
        if (replaced)
            QVERIFY(std::fabs(model.magneticDeclination(2025.0, QPointF(10, 50), 0.0) - 3.876) < 0.01);
    }

    // The default folder and today's date: what the program itself uses.
    void defaultFolderToday()
    {
        QVERIFY(MagneticModel::installBundledModel(MagneticModel::defaultAssetFolder()));
        MagneticModel model;
        QVERIFY(model.isLoaded());

        const QDate today = QDate::currentDate();
        double year = 0.0;
        QString error;
        QVERIFY(MagneticModel::dateToDecimalYear(today.year(), today.month(), today.day(), year, error));
        const double expected = model.magneticDeclination(year, QPointF(10, 50), 0.0);
        if (QDate::currentDate() != today)
            QSKIP("The date changed during the test");
        QCOMPARE(model.magneticDeclination(QPointF(10, 50), 0.0), expected);
    }
};

QTEST_GUILESS_MAIN(TestMagneticModel)
#include "tst_magneticmodel.moc"
