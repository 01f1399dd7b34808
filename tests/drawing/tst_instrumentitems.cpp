#include <QtTest>

#include "drawing/ButtonClinoItem.h"
#include "drawing/ButtonCompassItem.h"
#include "drawing/ClinoItem.h"
#include "drawing/CompassAngles.h"
#include "drawing/CompassItem.h"
#include "support/ApplicationIdentity.h"
#include "support/CompassApplication.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <memory>

using namespace kiv;
using Path = QList<QPointF>;

namespace {

class StubCompassClino : public AbstractCompassClino
{
public:
    explicit StubCompassClino(QObject* parent)
        : AbstractCompassClino(parent)
    {
        setHasRequiredSensors(true);
    }
    bool startUpdates() override { return false; }
};

// Reaches the pointer handlers and counts layouts.
template <typename Item>
class Probe : public Item
{
public:
    explicit Probe(double side) { this->setSize(QSizeF(side, side)); }
    bool send(QEvent::Type type, const QPointF& at)
    {
        QMouseEvent event(type, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        if (type == QEvent::MouseButtonPress)
            this->mousePressEvent(&event);
        else if (type == QEvent::MouseMove)
            this->mouseMoveEvent(&event);
        else
            this->mouseReleaseEvent(&event);
        return event.isAccepted();
    }
    // Press at the first point, move through the others; no release.
    void drag(const Path& path)
    {
        send(QEvent::MouseButtonPress, path.first());
        for (int i = 1; i < path.size(); ++i)
            send(QEvent::MouseMove, path[i]);
    }
    QImage render()
    {
        QImage image(int(this->width()), int(this->height()), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        this->paint(&painter);
        return image;
    }
    int layouts = 0;

protected:
    void layout() override
    {
        ++layouts;
        Item::layout();
    }
};

QString colourClass(const QColor& c)
{
    if (c.alpha() < 128)
        return QStringLiteral("none");
    if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
        return QStringLiteral("red");
    if (c.red() < 80 && c.green() < 80 && c.blue() < 80)
        return QStringLiteral("black");
    return QStringLiteral("other");
}

int redPixelsIn(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += colourClass(image.pixelColor(x, y)) == QLatin1String("red");
    return count;
}

// A point at a pointer angle (clockwise from straight down) about the dial centre.
QPointF atPointerAngle(double angle, double distance)
{
    const double a = angle * M_PI / 180.0;
    return QPointF(149.0 - distance * std::sin(a), 149.0 + distance * std::cos(a));
}

} // namespace

class TestInstrumentItems : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        m_app = std::make_unique<test::CompassApplication>();
        m_app->installCompassClino(new StubCompassClino(m_app.get()));
        m_ui.setProperty("microText", 12.0);
        m_ui.setProperty("smallText", 14.0);
        m_ui.setProperty("mediumText", 18.0);
        m_ui.setProperty("giantText", 40.0);
        m_ui.setProperty("toolBarWidth", 46.0);
        m_ui.setProperty("kivLightBlue", QColor("#009cde"));
        m_ui.setProperty("kivBlue", QColor("#006eb8"));
        m_app->setUi(&m_ui);
    }

    void init()
    {
        m_app->setLogicalToPhysicalMultiplier(1.0);
        m_app->setCompassClinoEnabled(true);
        m_app->setCompassClinoInputMode(ClinoItem::RelativeOffset);
    }

    void formatAzimuth_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QString::fromUtf8("000°");
        QTest::newRow("half up") << 7.5 << QString::fromUtf8("008°");
        QTest::newRow("45.5") << 45.5 << QString::fromUtf8("046°");
        QTest::newRow("no wrap") << 359.6 << QString::fromUtf8("360°");
        QTest::newRow("small negative") << -0.4 << QString::fromUtf8("000°");
        QTest::newRow("four digits") << 1234.0 << QString::fromUtf8("1234°");
    }

    void formatAzimuth()
    {
        QFETCH(double, angle);
        QFETCH(QString, text);
        QCOMPARE(kiv::formatAzimuth(angle), text);
    }

    void bearing_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("point");
        QTest::newRow("N bound") << 22.5 << 22.5 << "N";
        QTest::newRow("NE") << 22.6 << 22.6 << "NE";
        QTest::newRow("NW bound") << 337.5 << 337.5 << "NW";
        QTest::newRow("N again") << 337.6 << 337.6 << "N";
        QTest::newRow("over a turn") << 380.0 << 20.0 << "N";
        QTest::newRow("negative") << -5.0 << 355.0 << "N";
    }

    void bearing()
    {
        QFETCH(double, value);
        QFETCH(double, stored);
        QFETCH(QString, point);
        CompassItem compass;
        QSignalSpy changed(&compass, &CompassItem::bearingChanged);
        compass.setBearing(value);
        compass.setBearing(std::nan(""));
        QCOMPARE(compass.bearing(), stored);
        QCOMPARE(compass.compassPoint(), point);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toDouble(), stored);
    }

    void declination()
    {
        CompassItem compass;
        QVERIFY(compass.setDeclination(180.0));
        QSignalSpy changed(&compass, &CompassItem::declinationChanged);
        QVERIFY(!compass.setDeclination(-180.0));
        QVERIFY(!compass.setDeclination(200.0));
        QCOMPARE(compass.declination(), 999.0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toDouble(), 999.0);
    }

    void headingLock()
    {
        Probe<CompassItem> compass(300);
        QStringList order;
        connect(&compass, &CompassItem::headingChanged, this,
                [&](double h) { order << QStringLiteral("heading %1").arg(h); });
        connect(&compass, &CompassItem::headingLockChanged, this,
                [&](bool locked) { order << QStringLiteral("lock %1").arg(locked); });
        compass.setHeading(725.0);
        compass.setHeading(725.0);
        compass.setHeading(std::nan(""));
        QCOMPARE(order, QStringList({"heading 5", "lock 1"}));
        QCOMPARE(compass.heading(), 5.0);
        compass.unlockHeading();
        QCOMPARE(order.mid(2), QStringList({"lock 0"}));
        compass.setHeading(-5.0);
        QCOMPARE(compass.heading(), 355.0);

        // A click toggles; disabling the sensors unlocks.
        compass.render();
        compass.setBearing(40.0);
        QVERIFY(compass.send(QEvent::MouseButtonRelease, QPointF(149, 149)));
        QVERIFY(!compass.isHeadingLocked());
        QVERIFY(compass.send(QEvent::MouseButtonRelease, QPointF(149, 149)));
        QCOMPARE(compass.heading(), 40.0);
        m_app->setCompassClinoEnabled(false);
        QVERIFY(!compass.isHeadingLocked());
    }

    void buttonCompass()
    {
        ButtonCompassItem button;
        QList<double> readBack;
        for (double bearing : {10.0, 10.6, 11.2}) {
            button.setBearing(bearing);
            readBack << button.bearing();
        }
        QCOMPARE(readBack, QList<double>({10.0, 10.0, 11.2}));
        button.setVisible(false);
        button.setBearing(200.0);
        QCOMPARE(button.bearing(), 11.2);
        button.setHeading(370.0);
        QCOMPARE(button.heading(), 10.0);
        button.setHeading(std::numeric_limits<double>::lowest());
        QCOMPARE(button.heading(), std::numeric_limits<double>::lowest());
    }

    void headingArc_data()
    {
        QTest::addColumn<double>("bearing");
        QTest::addColumn<double>("heading");
        QTest::newRow("clockwise over north") << 350.0 << 20.0;
        QTest::newRow("counter-clockwise over north") << 20.0 << 350.0;
    }

    void headingArc()
    {
        QFETCH(double, bearing);
        QFETCH(double, heading);
        const HeadingArc arc = kiv::headingArc(bearing, heading);
        QCOMPARE(arc.start, 350.0);
        QCOMPARE(arc.span, 30.0);
    }

    void dialGeometry_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("radius");
        QTest::newRow("scale 1") << 1.0 << 145.0;
        QTest::newRow("scale 2") << 2.0 << 141.0;
    }

    void dialGeometry()
    {
        QFETCH(double, scale);
        QFETCH(double, radius);
        Probe<CompassItem> compass(300);
        m_app->setLogicalToPhysicalMultiplier(scale);
        compass.render();
        const Dial& dial = compass.dial();
        QCOMPARE(dial.radius, radius);
        QCOMPARE(dial.centre, QPointF(149, 149));
        QCOMPARE(dial.majorTicks.size(), 72);
        QCOMPARE(dial.minorTicks.size(), 288);
        if (scale == 1.0) {
            QCOMPARE(dial.majorTicks[0], QPointF(143.55, 0));
            QCOMPARE(dial.majorTicks[1], QPointF(135.63, 0));
            QVERIFY(compass.isInDial(QPointF(293, 149)));
            QVERIFY(!compass.isInDial(QPointF(294, 149)));
        }
    }

    void buttonGeometry_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<bool>("clicks");
        QTest::newRow("inside") << QPointF(60, 31) << true;
        QTest::newRow("corner") << QPointF(2, 2) << false;
    }

    void buttonGeometry()
    {
        QFETCH(QPointF, at);
        QFETCH(bool, clicks);
        Probe<ButtonClinoItem> button(64);
        button.render();
        QCOMPARE(button.dial().radius, 29.5);
        QCOMPARE(button.dial().centre, QPointF(31, 31));
        QCOMPARE(button.dial().majorTicks.size(), 24);
        QCOMPARE(button.dial().minorTicks.size(), 48);
        QSignalSpy clicked(&button, &ButtonInstrumentItem::clicked);
        QCOMPARE(button.send(QEvent::MouseButtonPress, at), clicks);
        QCOMPARE(button.send(QEvent::MouseButtonRelease, at), clicks);
        QCOMPARE(clicked.count(), clicks ? 1 : 0);
    }

    void relayout()
    {
        Probe<ClinoItem> clino(300);
        clino.render();
        clino.setPosition(QPointF(20, 30));
        clino.render();
        QCOMPARE(clino.layouts, 1);
        clino.setSize(QSizeF(200, 300));
        clino.render();
        QCOMPARE(clino.layouts, 2);
    }

    void compassPixels_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<double>("bearing");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("colour");
        QTest::newRow("arrow north") << true << 0.0 << QPoint(153, 18) << "red";
        QTest::newRow("twelve o'clock mark") << true << 0.0 << QPoint(149, 8) << "black";
        QTest::newRow("arrow west at 90") << true << 90.0 << QPoint(18, 145) << "red";
        QTest::newRow("north clear at 90") << true << 90.0 << QPoint(153, 18) << "other";
        QTest::newRow("disabled stays up") << false << 90.0 << QPoint(153, 18) << "red";
    }

    void compassPixels()
    {
        QFETCH(bool, enabled);
        QFETCH(double, bearing);
        QFETCH(QPoint, at);
        QFETCH(QString, colour);
        m_app->setCompassClinoEnabled(enabled);
        Probe<CompassItem> compass(300);
        compass.setBearing(bearing);
        const QImage image = compass.render();
        QCOMPARE(colourClass(image.pixelColor(at)), colour);
        const int centreRed = redPixelsIn(image, QRect(99, 119, 100, 60));
        QCOMPARE(centreRed > 20, !enabled);
    }

    void buttonPixels_data()
    {
        QTest::addColumn<bool>("clino");
        QTest::addColumn<double>("angle"); // bearing, or azimuth at dip 45
        QTest::addColumn<QPoint>("red");
        QTest::addColumn<QPoint>("notRed");
        QTest::newRow("compass north") << false << 0.0 << QPoint(31, 7) << QPoint(7, 30);
        QTest::newRow("compass east") << false << 90.0 << QPoint(7, 30) << QPoint(31, 7);
        QTest::newRow("clino north") << true << 0.0 << QPoint(45, 30) << QPoint(30, 45);
        QTest::newRow("clino east") << true << 90.0 << QPoint(30, 45) << QPoint(45, 30);
    }

    void buttonPixels()
    {
        QFETCH(bool, clino);
        QFETCH(double, angle);
        QFETCH(QPoint, red);
        QFETCH(QPoint, notRed);
        QImage image;
        if (clino) {
            Probe<ButtonClinoItem> button(64);
            button.setDip(45.0);
            button.setAzimuth(angle);
            image = button.render();
        } else {
            Probe<ButtonCompassItem> button(64);
            button.setBearing(angle);
            image = button.render();
        }
        QCOMPARE(colourClass(image.pixelColor(red)), QStringLiteral("red"));
        QVERIFY(colourClass(image.pixelColor(notRed)) != QLatin1String("red"));
    }

    // Before a first bearing the button shows no figures.
    void buttonCompassWithoutBearing()
    {
        const auto blackInCentre = [](const QImage& image) {
            int count = 0;
            for (int y = 26; y < 38; ++y)
                for (int x = 18; x < 46; ++x)
                    count += colourClass(image.pixelColor(x, y)) == QLatin1String("black");
            return count;
        };
        Probe<ButtonCompassItem> none(64);
        Probe<ButtonCompassItem> north(64);
        north.setBearing(0.0);
        QCOMPARE(blackInCentre(none.render()), 0);
        QVERIFY(blackInCentre(north.render()) > 0);
    }

    void clinoSymbolColour_data()
    {
        QTest::addColumn<bool>("updating");
        QTest::addColumn<QColor>("iconColor");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("updating") << true << QColor() << QColor(Qt::red);
        QTest::newRow("by hand") << false << QColor() << QColor(Qt::black);
        QTest::newRow("unit colour") << false << QColor("#00ff00") << QColor("#00ff00");
    }

    void clinoSymbolColour()
    {
        QFETCH(bool, updating);
        QFETCH(QColor, iconColor);
        QFETCH(QColor, expected);
        Probe<ClinoItem> clino(300);
        clino.setIsUpdating(updating);
        clino.setIconColor(iconColor);
        QCOMPARE(clino.render().pixelColor(179, 149), expected);
    }

    void clinoGesture_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("icon");
        QTest::addColumn<double>("dip");
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<Path>("path");
        QTest::addColumn<double>("dipAfter");
        QTest::addColumn<double>("azimuthAfter");
        QTest::addColumn<double>("rotationAfter");
        const int offset = ClinoItem::RelativeOffset;
        const int net = ClinoItem::StereoNet;
        const QPointF c(149, 149);
        QTest::newRow("dip up") << offset << 0 << 20.0 << 0.0 << Path{c, {149, 49}} << 35.0 << 0.0 << 0.0;
        QTest::newRow("dip through zero")
            << offset << 0 << 10.0 << 0.0 << Path{c, {149, 249}} << 5.0 << 180.0 << 180.0;
        QTest::newRow("dip back through zero")
            << offset << 0 << 10.0 << 0.0 << Path{c, {149, 249}, c} << 10.0 << 0.0 << 360.0;
        QTest::newRow("dip stops at 90") << offset << 0 << 20.0 << 0.0 << Path{c, {149, -900}} << 90.0 << 0.0 << 0.0;
        QTest::newRow("over the hidden pole")
            << offset << 0 << 20.0 << 0.0 << Path{c, {149, 160}, {149, 185}} << 14.6 << 0.0 << 0.0;
        QTest::newRow("rotate") << offset << 0 << 0.0 << 100.0 << Path{{269, 149}, {149, 269}} << 0.0 << 190.0
                                << 190.0;
        QTest::newRow("rotate across down")
            << offset << 0 << 0.0 << 0.0
            << Path{atPointerAngle(350, 120), atPointerAngle(355, 120), atPointerAngle(360, 120),
                    atPointerAngle(5, 120), atPointerAngle(10, 120)}
            << 0.0 << 20.0 << 20.0;
        QTest::newRow("net plane") << net << 0 << 0.0 << 0.0 << Path{{190, 149}, {199, 149}} << 28.2254 << 270.0
                                   << 270.0;
        QTest::newRow("net line") << net << 13 << 0.0 << 0.0 << Path{{190, 149}, {199, 149}} << 61.7746 << 90.0
                                  << 90.0;
        QTest::newRow("net line to centre")
            << net << 13 << 0.0 << 0.0 << Path{{190, 149}, {199, 149}, c} << 90.0 << 180.0 << 180.0;
    }

    void clinoGesture()
    {
        QFETCH(int, mode);
        QFETCH(int, icon);
        QFETCH(double, dip);
        QFETCH(double, azimuth);
        QFETCH(Path, path);
        m_app->setCompassClinoInputMode(mode);
        Probe<ClinoItem> clino(300);
        clino.setIsUpdating(false);
        clino.setIconId(icon);
        clino.setDip(dip);
        clino.setAzimuth(azimuth);
        clino.setPlaneSymbolRotation(azimuth);
        clino.setLineSymbolRotation(azimuth);
        clino.render();
        clino.drag(path);
        const auto rounded = [](double v) { return std::round(v * 1e4) / 1e4; };
        const double rotation = icon >= 13 ? clino.lineSymbolRotation() : clino.planeSymbolRotation();
        QTEST(rounded(clino.dip()), "dipAfter");
        QTEST(rounded(clino.azimuth()), "azimuthAfter");
        QTEST(rounded(rotation), "rotationAfter");
        // The drag ends without a click.
        QSignalSpy clicked(&clino, &InstrumentItem::clicked);
        clino.send(QEvent::MouseButtonRelease, path.last());
        QCOMPARE(clicked.count(), 0);
    }

    void clinoWhileUpdating()
    {
        Probe<ClinoItem> clino(300);
        clino.render();
        QSignalSpy clicked(&clino, &InstrumentItem::clicked);
        clino.drag({{149, 149}, {149, 49}});
        QCOMPARE(clino.dip(), 0.0);
        clino.drag({{149, 149}, {152, 149}});
        QVERIFY(clino.send(QEvent::MouseButtonRelease, QPointF(152, 149)));
        QCOMPARE(clicked.count(), 1);
    }

    void clinoBeforeFirstPaint()
    {
        m_app->setCompassClinoInputMode(ClinoItem::StereoNet);
        Probe<ClinoItem> clino(300);
        clino.setIsUpdating(false);
        QSignalSpy dip(&clino, &ClinoItem::dipChanged);
        clino.drag({{149, 149}, {199, 149}});
        clino.send(QEvent::MouseButtonRelease, QPointF(199, 149));
        QCOMPARE(dip.count(), 0);
    }

private:
    std::unique_ptr<test::CompassApplication> m_app;
    QObject m_ui;
};

QTEST_MAIN(TestInstrumentItems)
#include "tst_instrumentitems.moc"
