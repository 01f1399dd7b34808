#include <QtTest>

#include "drawing/PolylineItem.h"
#include "drawing/QPainterImplementation.h"
#include "drawing/StereoNetItem.h"
#include "drawing/SymbolItem.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QThreadPool>

using namespace kiv;

using LinePoints = QList<QPointF>; // (latitude, longitude)

namespace {

// Lets the test send mouse events straight to the item.
class TouchedNet : public StereoNetItem
{
public:
    TouchedNet() { setSize(QSizeF(200, 200)); }
    bool press(const QPointF& at)
    {
        QMouseEvent event(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        mousePressEvent(&event);
        return event.isAccepted();
    }
    void release(const QPointF& at)
    {
        QMouseEvent event(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        mouseReleaseEvent(&event);
    }
};

template <typename Item>
QImage paintOn(Item& item, const QColor& background)
{
    QImage image(int(item.width()), int(item.height()), QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    item.paint(&painter);
    return image;
}

bool hasReddish(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > c.green() + 100 && c.red() > c.blue() + 100)
                return true;
        }
    }
    return false;
}

// The whole plot drawn at once on a transparent picture; without its
// marks, the bare net with the mean and temporary planes.
QImage drawnAtOnce(StereoNetPlot& plot, const QSize& size, bool withMarks = true)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter target(&image);
    QPainterImplementation painter(float(size.width()), float(size.height()));
    painter.setPainter(&target);
    plot.drawBase(painter, withMarks ? plot.marks() : std::vector<StereoNetPlot::Mark>{});
    plot.drawOverlay(painter);
    painter.setPainter(nullptr);
    return image;
}

// What the item shows now.
QImage shown(StereoNetItem& net)
{
    QImage image(net.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    net.paint(&painter);
    return image;
}

// What the item shows once its data are drawn.
QImage shownOnceDrawn(StereoNetItem& net)
{
    if (!QTest::qWaitFor([&] { return !net.plotting(); }))
        return {};
    return shown(net);
}

// Planes and lineations of two units in one locality of the project.
QList<Data*> addMixedData(Project& project, int first, int count)
{
    project.addRockUnit(1, QStringLiteral("Red"), QColor(Qt::red), 0);
    project.addRockUnit(2, QStringLiteral("Blue"), QColor(Qt::blue), 0);
    const std::shared_ptr<Locality> locality =
        project.localities().empty() ? project.createLocality(test::idOf(first - 1)) : project.localities().front();
    QList<Data*> data;
    for (int i = 0; i < count; ++i) {
        const std::string id = test::idOf(first + i);
        const float dip = float((i * 37) % 91);
        const float azimuth = float((i * 113) % 360);
        data << (i % 4 == 3 ? locality->addLineation(id, 0, 0, dip, azimuth, 2, 0, {})
                            : locality->addPlane(id, 0, 0, dip, azimuth, 1 + i % 2, 0, {}))
                    .get();
    }
    return data;
}

QString stampIn(int seconds)
{
    return QDateTime::currentDateTime().addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

} // namespace

class TestDrawingItems : public QObject
{
    Q_OBJECT

private slots:
    void press_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<bool>("starts");
        QTest::newRow("centre") << QPointF(100, 100) << true;
        QTest::newRow("rim") << QPointF(200, 100) << false;
    }

    void press()
    {
        QFETCH(QPointF, at);
        QFETCH(bool, starts);
        TouchedNet net;
        QSignalSpy tempPlane(&net, &StereoNetItem::drawTempPlaneChanged);
        QCOMPARE(net.press(at), starts);
        QCOMPARE(net.press(at), starts);
        QCOMPARE(net.drawTempPlane(), starts);
        QCOMPARE(tempPlane.count(), starts ? 1 : 0);
        // Without a drag a release picks nothing.
        QSignalSpy dip(&net, &StereoNetItem::tempDipChanged);
        net.release(QPointF(150, 100));
        QCOMPARE(dip.count(), starts ? 1 : 0);
    }

    // A tap 50 px east of the centre, before any paint and after a save to
    // 1024 x 1024.
    void tap_data()
    {
        QTest::addColumn<bool>("saveFirst");
        QTest::newRow("fresh") << false;
        QTest::newRow("after save") << true;
    }

    void tap()
    {
        QFETCH(bool, saveFirst);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        TouchedNet net;
        if (saveFirst)
            QVERIFY(!net.save().isEmpty());
        QSignalSpy dip(&net, &StereoNetItem::tempDipChanged);
        QSignalSpy azimuth(&net, &StereoNetItem::tempAzimuthChanged);
        QVERIFY(net.press(QPointF(150, 100)));
        net.release(QPointF(150, 100));
        QCOMPARE(dip.count(), 1);
        QCOMPARE(azimuth.count(), 1);
        QVERIFY(std::fabs(dip.at(0).at(0).toDouble() - 42.2948) < 1e-3);
        QVERIFY(std::fabs(net.tempDip() - 42.2948) < 1e-3);
        QCOMPARE(azimuth.at(0).at(0).toDouble(), 270.0);
        QCOMPARE(net.tempAzimuth(), 270.0);
    }

    void flagSignals()
    {
        StereoNetItem net;
        QSignalSpy poles(&net, &StereoNetItem::drawPolesChanged);
        QSignalSpy tempPlane(&net, &StereoNetItem::drawTempPlaneChanged);
        net.setDrawPoles(true);
        net.setDrawPoles(true);
        net.setDrawTempPlane(true);
        net.setDrawTempPlane(true);
        QCOMPARE(poles.count(), 0);
        QCOMPARE(tempPlane.count(), 1);
        QCOMPARE(tempPlane.at(0).at(0).toBool(), true);
    }

    void projectSwitchDropsData()
    {
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        fixture.project->addRockUnit(1, QStringLiteral("Red"), QColor(Qt::red), 0);
        const auto plane = fixture.locality->addPlane(test::idOf(0xb1), 0, 0, 30, 45, 1, 0, {});
        StereoNetItem net;
        net.setSize(QSizeF(200, 200));
        // The black mean would cover the one plane.
        net.setDrawMeanValues(false);
        net.setSelectedData({plane.get()});
        QTRY_VERIFY(!net.plotting());
        QVERIFY(hasReddish(paintOn(net, Qt::transparent)));
        QVERIFY(net.meanDip() > 29.0);

        QDir root(fixture.project->folder());
        root.cdUp();
        QVERIFY(root.mkdir(QStringLiteral("other.qz")));
        ModelManager::instance()->setCurrentProject(
            ModelManager::instance()->createProject(QStringLiteral("Other"), QDir(root.filePath("other.qz"))));
        // Not even while the empty net is being drawn.
        QVERIFY(!hasReddish(paintOn(net, Qt::transparent)));
        QTRY_VERIFY(!net.plotting());
        QVERIFY(!hasReddish(paintOn(net, Qt::transparent)));
        QCOMPARE(net.meanDip(), 0.0);
    }

    // The data are drawn away from the screen, the mean and temporary
    // planes over them: the same pixels as the plot drawn at once.
    void samePlotAsDrawnAtOnce_data()
    {
        QTest::addColumn<bool>("equalArea");
        QTest::addColumn<bool>("poles");
        QTest::addColumn<bool>("planes");
        QTest::addColumn<bool>("tempPlane");
        QTest::newRow("equal-area") << true << true << true << false;
        QTest::newRow("equal-angle, temporary plane") << false << true << true << true;
        QTest::newRow("poles only, temporary plane") << true << true << false << true;
        QTest::newRow("planes only") << false << false << true << false;
    }

    void samePlotAsDrawnAtOnce()
    {
        QFETCH(bool, equalArea);
        QFETCH(bool, poles);
        QFETCH(bool, planes);
        QFETCH(bool, tempPlane);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        const QList<Data*> data = addMixedData(*fixture.project, 0xc00, 60);
        TouchedNet net;
        net.setSelectedData(data);
        net.setEqualAreaScaling(equalArea);
        net.setDrawPoles(poles);
        net.setDrawPlanes(planes);
        if (tempPlane) {
            QVERIFY(net.press(QPointF(130, 80)));
            net.release(QPointF(130, 80));
        }
        StereoNetPlot plot(fixture.project.get(), 1.0f);
        plot.setData(data);
        plot.setEqualArea(equalArea);
        plot.setDrawPoles(poles);
        plot.setDrawPlanes(planes);
        plot.setDrawTempPlane(tempPlane);
        plot.setTempPlane(float(net.tempDip()), float(net.tempAzimuth()));
        const QImage expected = drawnAtOnce(plot, QSize(200, 200));
        QVERIFY(hasReddish(expected));
        QCOMPARE(shownOnceDrawn(net), expected);
    }

    // A project switch while the data are being drawn: only the new
    // project's data show, and none of them is left out.
    void projectSwitchWhilePlotting_data()
    {
        QTest::addColumn<bool>("drawnFirst");
        QTest::newRow("old data being drawn") << false;
        // Their picture done but not yet handed over, another drawing of them waiting.
        QTest::newRow("old data drawn, another drawing waiting") << true;
    }

    void projectSwitchWhilePlotting()
    {
        QFETCH(bool, drawnFirst);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        const QList<Data*> before = addMixedData(*fixture.project, 0xd00, 400);
        StereoNetItem net;
        net.setSize(QSizeF(200, 200));
        QTRY_VERIFY(!net.plotting());
        QSignalSpy plotting(&net, &StereoNetItem::plottingChanged);
        net.setSelectedData(before);
        QVERIFY(net.plotting());
        QCOMPARE(plotting.count(), 1);
        // The old project's data go to the worker.
        QCoreApplication::processEvents();
        if (drawnFirst) {
            net.setSelectedData(before);
            QCoreApplication::processEvents();
            QThreadPool::globalInstance()->waitForDone();
        }

        QDir root(fixture.project->folder());
        root.cdUp();
        QVERIFY(root.mkdir(QStringLiteral("other.qz")));
        const std::shared_ptr<Project> other =
            ModelManager::instance()->createProject(QStringLiteral("Other"), QDir(root.filePath("other.qz")));
        QVERIFY(other);
        ModelManager::instance()->setCurrentProject(other);
        const QList<Data*> after = addMixedData(*other, 0xe00, 3);
        net.setSelectedData(after);
        StereoNetPlot plot(other.get(), 1.0f);
        plot.setData(after);
        const QImage expected = drawnAtOnce(plot, QSize(200, 200));
        // Meanwhile the bare net with the new mean, never a picture of the old data.
        const QImage bare = drawnAtOnce(plot, QSize(200, 200), false);
        QDeadlineTimer deadline(10000);
        while (net.plotting() && !deadline.hasExpired()) {
            const QImage now = shown(net);
            QVERIFY(now == bare || now == expected);
            QCoreApplication::processEvents();
        }
        QCOMPARE(shownOnceDrawn(net), expected);
        QCOMPARE(plotting.last().at(0).toBool(), false);
        // Nothing drawn for the old project comes late.
        QTest::qWait(200);
        QCOMPARE(shownOnceDrawn(net), expected);
    }

    void save()
    {
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        const QDir images(fixture.project->folder().filePath(QStringLiteral("images")));
        QVERIFY(!images.exists());
        StereoNetItem net;
        net.setSize(QSizeF(200, 200));
        const QUrl url = net.save();
        QVERIFY(url.isLocalFile());
        const QFileInfo file(url.toLocalFile());
        QCOMPARE(file.absolutePath(), images.absolutePath());
        QVERIFY2(QRegularExpression(QStringLiteral("^STEREONET_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.png$"))
                     .match(file.fileName())
                     .hasMatch(),
                 qPrintable(file.fileName()));
        const QImage picture(file.filePath());
        QCOMPARE(picture.size(), QSize(1024, 1024));
        QCOMPARE(picture.pixelColor(530, 530), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(0, 0).alpha(), 0);
    }

    void saveRefusesTakenName()
    {
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        QDir folder(fixture.project->folder());
        QVERIFY(folder.mkpath(QStringLiteral("images")));
        for (int seconds : {0, 1}) {
            QFile taken(folder.filePath(QStringLiteral("images/STEREONET_%1.png").arg(stampIn(seconds))));
            QVERIFY(taken.open(QIODevice::WriteOnly));
        }
        StereoNetItem net;
        QVERIFY(net.save().isEmpty());
    }

    void symbolPixels_data()
    {
        QTest::addColumn<QColor>("halo");
        QTest::addColumn<double>("thicknessLater");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("strike line") << QColor() << 0.0 << QPoint(117, 60) << QColor(Qt::red);
        QTest::newRow("dip tick") << QColor() << 0.0 << QPoint(150, 117) << QColor(Qt::red);
        QTest::newRow("west of the strike") << QColor() << 0.0 << QPoint(80, 117) << QColor(Qt::black);
        QTest::newRow("halo") << QColor(Qt::white) << 0.0 << QPoint(120, 60) << QColor(Qt::white);
        QTest::newRow("beyond the halo") << QColor(Qt::white) << 0.0 << QPoint(123, 60) << QColor(Qt::black);
        QTest::newRow("thin line misses") << QColor() << 0.0 << QPoint(120, 60) << QColor(Qt::black);
        QTest::newRow("thicker later") << QColor() << 4.0 << QPoint(120, 60) << QColor(Qt::red);
    }

    void symbolPixels()
    {
        QFETCH(QColor, halo);
        QFETCH(double, thicknessLater);
        QFETCH(QPoint, at);
        QFETCH(QColor, colour);
        SymbolItem symbol;
        symbol.setSize(QSizeF(235, 235));
        symbol.setDip(45);
        symbol.setAzimuth(90);
        symbol.setColor(Qt::red);
        symbol.setLineThickness(2);
        symbol.setBackgroundColor(halo);
        QImage image = paintOn(symbol, Qt::black);
        if (thicknessLater > 0.0) {
            symbol.setLineThickness(thicknessLater);
            image = paintOn(symbol, Qt::black);
        }
        QCOMPARE(image.pixelColor(at), colour);
    }

    void linePreview_data()
    {
        QTest::addColumn<LinePoints>("line");
        QTest::addColumn<QVariantList>("points");
        QTest::newRow("wide") << LinePoints{{0, 0}, {1, 4}} << QVariantList{QPoint(0, 67), QPoint(90, 22)};
        QTest::newRow("along a parallel")
            << LinePoints{{1, 0}, {1, 3}, {1, 5}} << QVariantList{QPoint(0, 45), QPoint(54, 45), QPoint(90, 45)};
        QTest::newRow("along a meridian") << LinePoints{{0, 2}, {3, 2}} << QVariantList{QPoint(45, 90), QPoint(45, 0)};
        QTest::newRow("single point") << LinePoints{{3, 3}} << QVariantList{QPoint(45, 45)};
        QTest::newRow("no points") << LinePoints{} << QVariantList{};
    }

    void linePreview()
    {
        QFETCH(LinePoints, line);
        QFETCH(QVariantList, points);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        const std::string id = test::idOf(0xc1);
        auto data = LineData2D::create(id, fixture.locality->id(), -1, 0, false, {});
        for (const QPointF& point : line)
            data->addPoint(point.x(), point.y());
        fixture.locality->addLine(data);
        PolylineItem item;
        item.setSize(QSizeF(112, 112));
        QSignalSpy lineId(&item, &PolylineItem::lineIdChanged);
        item.setLineId(QString::fromStdString(id));
        QCOMPARE(item.points(), points);
        QCOMPARE(item.screenPolyline().size(), points.size());
        QCOMPARE(lineId.count(), 1);
        item.setLineId(QStringLiteral("unknown"));
        QVERIFY(item.points().isEmpty());
        QCOMPARE(lineId.count(), 2);
    }

    void screenPolyline()
    {
        PolylineItem item;
        item.setPoints({QPoint(0, 0), QPoint(90, 90)});
        item.setSize(QSizeF(112, 112));
        QCOMPARE(item.screenPolyline(), (QVector<QPoint>{{6, 6}, {96, 96}}));
        item.setSize(QSizeF(224, 300));
        QCOMPARE(item.screenPolyline(), (QVector<QPoint>{{13, 18}, {193, 198}}));
    }

    // Black strokes at half opacity on a transparent picture.
    void polylineAlpha_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<int>("alpha");
        QTest::newRow("stroke") << false << QPoint(50, 51) << 127;
        QTest::newRow("fill") << true << QPoint(51, 40) << 63;
        QTest::newRow("outside") << true << QPoint(100, 100) << 0;
    }

    void polylineAlpha()
    {
        QFETCH(bool, filled);
        QFETCH(QPoint, probe);
        QFETCH(int, alpha);
        PolylineItem item;
        item.setSize(QSizeF(112, 112));
        item.setColor(Qt::black);
        item.setOpacity(0.5);
        item.setLineThickness(6);
        item.setFilled(filled);
        // Written on a sized item: the next paint shows them.
        item.setPoints(filled ? QVariantList{QPoint(0, 0), QPoint(90, 0), QPoint(45, 90)}
                              : QVariantList{QPoint(0, 45), QPoint(90, 45)});
        const QImage image = paintOn(item, Qt::transparent);
        QVERIFY2(std::abs(image.pixelColor(probe).alpha() - alpha) <= 1,
                 qPrintable(QString::number(image.pixelColor(probe).alpha())));
    }
};

QTEST_MAIN(TestDrawingItems)
#include "tst_drawingitems.moc"
