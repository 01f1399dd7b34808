#include "map/MapCallout.h"
#include "map/MapViewController.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <optional>

using namespace kiv;

using OptionalPoint = std::optional<QPointF>;
Q_DECLARE_METATYPE(OptionalPoint)
Q_DECLARE_METATYPE(osg::Vec3d)
Q_DECLARE_METATYPE(osg::Matrixd)

namespace {

const QString Degree(QChar(0x00B0));
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QSizeF Window(800, 600);

// A top-down camera 1000 m above (x, y) that shows 800 x 600 m, as the map's.
osg::Matrixd overhead(double x = 0.0, double y = 0.0)
{
    return osg::Matrixd::lookAt(osg::Vec3d(x, y, 1000), osg::Vec3d(x, y, 0), osg::Vec3d(0, 1, 0))
           * osg::Matrixd::ortho(-400, 400, -300, 300, 1, 10000);
}

// A perspective camera 100 m above the origin, looking down.
osg::Matrixd perspective()
{
    return osg::Matrixd::lookAt(osg::Vec3d(0, 0, 100), osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0))
           * osg::Matrixd::perspective(60.0, 800.0 / 600.0, 1.0, 10000.0);
}

MapCallout::Context context(double uiScale = 1.0, double glScale = 1.0, bool strike = false)
{
    MapCallout::Context c;
    c.symbolSize = int(46 * uiScale * glScale);
    c.uiScale = uiScale;
    c.glScale = glScale;
    c.strikeConvention = strike;
    return c;
}

// One object of each kind the map selects, by name; the two values are its angles.
std::shared_ptr<AbstractObject> objectOf(const QString& kind, double first = 0.0, double second = 0.0)
{
    const std::string locality = "loc";
    if (kind == "locality" || kind == "locality over lines") {
        auto place = std::make_shared<Locality>(ProjectId(1), locality);
        place->setName(kind == "locality" ? "Quarry" : "\nQuarry\nnorth");
        place->setDescription("north wall");
        return place;
    }
    if (kind == "plane")
        return Data::createPlane("d", locality, 46, 7, float(first), float(second), 0, 1, "c");
    if (kind == "lineation")
        return Data::createLineation("d", locality, 46, 7, float(first), float(second), 0, 9, "c");
    if (kind == "photograph")
        return Data::createImage("d", locality, 46, 7, float(first), "IMG_1.jpg", "c", QString(), QString());
    if (kind == "sighting")
        return Data::createSighting("d", locality, 46, 7, float(first), 0, 15, "c");
    if (kind == "note")
        return Data::createAnnotation("d", locality, 46, 7, "first\r\nsecond");
    if (kind == "marked note")
        return Data::createAnnotation("d", locality, 46, 7, "Line one <b>& \"x\", y\nsecond");
    if (kind == "line")
        return LineData2D::create("l", locality, int(first), 0, false, "contact");
    return nullptr;
}

MapCallout::Content content(const QString& label, const QString& description = QString())
{
    MapCallout::Content c;
    c.label = label;
    c.description = description;
    return c;
}

// Every change signal of a callout, counted.
struct Spies
{
    explicit Spies(MapCallout& callout)
        : screenPos(&callout, &MapCallout::pickedScreenPosChanged)
        , imageUrl(&callout, &MapCallout::pickedImageUrlChanged)
        , label(&callout, &MapCallout::pickedPointLabelChanged)
        , description(&callout, &MapCallout::pickedPointDescriptionChanged)
        , offset(&callout, &MapCallout::calloutOffsetChanged)
        , pointPicked(&callout, &MapCallout::pointPickedChanged)
        , imagePicked(&callout, &MapCallout::imagePickedChanged)
        , localityPicked(&callout, &MapCallout::localityPickedChanged)
    {
    }
    // Counts in the order of the names: screenPos, imageUrl, label, description,
    // offset, pointPicked, imagePicked, localityPicked.
    QList<int> counts() const
    {
        return {int(screenPos.count()), int(imageUrl.count()), int(label.count()), int(description.count()),
                int(offset.count()), int(pointPicked.count()), int(imagePicked.count()), int(localityPicked.count())};
    }
    void clear()
    {
        for (QSignalSpy* spy : {&screenPos, &imageUrl, &label, &description, &offset, &pointPicked, &imagePicked,
                                &localityPicked})
            spy->clear();
    }
    QSignalSpy screenPos, imageUrl, label, description, offset, pointPicked, imagePicked, localityPicked;
};

bool closeTo(const QPointF& a, const QPointF& b)
{
    return QLineF(a, b).length() < 1e-6;
}

} // namespace

// The callout's texts, anchor and change signals without a scene or a window.
class TestMapCallout : public QObject
{
    Q_OBJECT

private slots:
    void contentPerKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<bool>("strike");
        QTest::addColumn<double>("glScale");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("imageUrl");
        QTest::addColumn<double>("offset");
        const QString d = Degree;
        const QString thumbnail("image://thumbnail/IMG_1.jpg");
        QTest::newRow("locality") << "locality" << 0.0 << 0.0 << false << 1.0 << "Quarry" << "north wall" << ""
                                  << 23.0;
        // The name whole: the balloon puts it on one line.
        QTest::newRow("locality named over lines") << "locality over lines" << 0.0 << 0.0 << false << 1.0
                                                   << "\nQuarry\nnorth" << "north wall" << "" << 23.0;
        QTest::newRow("locality, GL scale 2") << "locality" << 0.0 << 0.0 << false << 2.0 << "Quarry"
                                              << "north wall" << "" << 23.0;
        QTest::newRow("plane") << "plane" << 45.9 << 120.7 << false << 1.0 << "Dip: 45" + d + "  Azimuth: 120" + d
                               << "" << "" << 23.0;
        QTest::newRow("plane, strike 315") << "plane" << 30.0 << 45.0 << true << 1.0
                                           << "Dip: 30" + d + "  Strike: 315" + d << "" << "" << 23.0;
        QTest::newRow("plane, strike 30") << "plane" << 30.0 << 120.0 << true << 1.0
                                          << "Dip: 30" + d + "  Strike: 30" + d << "" << "" << 23.0;
        // At the wrap: a dip azimuth of 90 reads 0, never 360.
        QTest::newRow("plane, strike at 90") << "plane" << 30.0 << 90.0 << true << 1.0
                                             << "Dip: 30" + d + "  Strike: 0" + d << "" << "" << 23.0;
        QTest::newRow("plane, strike just below 90") << "plane" << 30.0 << 89.5 << true << 1.0
                                                     << "Dip: 30" + d + "  Strike: 359" + d << "" << "" << 23.0;
        QTest::newRow("plane, strike at 0") << "plane" << 30.0 << 0.0 << true << 1.0
                                            << "Dip: 30" + d + "  Strike: 270" + d << "" << "" << 23.0;
        QTest::newRow("plane, strike at 360") << "plane" << 30.0 << 360.0 << true << 1.0
                                              << "Dip: 30" + d + "  Strike: 270" + d << "" << "" << 23.0;
        QTest::newRow("plane, strike below a turn") << "plane" << 30.0 << -400.0 << true << 1.0
                                                    << "Dip: 30" + d + "  Strike: 230" + d << "" << "" << 23.0;
        QTest::newRow("plane, not finite") << "plane" << NaN << NaN << true << 1.0
                                           << "Dip: 0" + d + "  Strike: 0" + d << "" << "" << 23.0;
        QTest::newRow("lineation") << "lineation" << 30.7 << 250.2 << true << 1.0
                                   << "Plunge: 30" + d + "  Azimuth: 250" + d << "" << "" << 23.0;
        QTest::newRow("photograph") << "photograph" << 87.9 << 0.0 << false << 1.0 << "Direction: 87" + d << ""
                                    << thumbnail << 23.0;
        QTest::newRow("photograph at 0") << "photograph" << 0.0 << 0.0 << false << 1.0 << "Direction: 0" + d << ""
                                         << thumbnail << 23.0;
        QTest::newRow("photograph below 0") << "photograph" << -0.5 << 0.0 << false << 1.0 << "Image" << ""
                                            << thumbnail << 23.0;
        QTest::newRow("photograph at 360") << "photograph" << 360.0 << 0.0 << false << 1.0 << "Image" << ""
                                           << thumbnail << 23.0;
        QTest::newRow("sighting") << "sighting" << 10.5 << 0.0 << false << 1.0 << "Azimuth: 10" + d << "" << ""
                                  << 23.0;
        QTest::newRow("note of two lines") << "note" << 0.0 << 0.0 << false << 1.0 << "first" << "" << "" << 23.0;
        // As typed: the callout draws it as plain text.
        QTest::newRow("note with markup") << "marked note" << 0.0 << 0.0 << false << 1.0
                                          << "Line one <b>& \"x\", y" << "" << "" << 23.0;
        QTest::newRow("line without a unit") << "line" << 0.0 << 0.0 << false << 1.0 << "No unit" << "contact"
                                             << "" << 0.0;
        QTest::newRow("line of a unit") << "line" << 3.0 << 0.0 << false << 1.0 << "Granite" << "contact" << ""
                                        << 0.0;
        QTest::newRow("line of a removed unit") << "line" << 7.0 << 0.0 << false << 1.0 << "Unit removed (7)"
                                                << "contact" << "" << 0.0;
    }

    void contentPerKind()
    {
        QFETCH(QString, kind);
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(bool, strike);
        QFETCH(double, glScale);
        QFETCH(QString, label);
        QFETCH(QString, description);
        QFETCH(QString, imageUrl);
        QFETCH(double, offset);
        MapCallout::Context c = context(1.0, glScale, strike);
        auto project = std::make_shared<Project>();
        project->addRockUnit(3, "Granite", Qt::red, 0);
        c.project = project;
        const auto object = objectOf(kind, first, second);
        const auto shown = MapCallout::contentOf(*object, c);
        QVERIFY(shown);
        QCOMPARE(shown->label, label);
        QCOMPARE(shown->description, description);
        QCOMPARE(shown->imageUrl, imageUrl);
        QCOMPARE(shown->imagePicked, kind == "photograph");
        QCOMPARE(shown->localityPicked, kind.startsWith("locality"));
        QCOMPARE(shown->offset, offset);
    }

    void lineWithoutProjectHasNoUnit()
    {
        const auto shown = MapCallout::contentOf(*objectOf("line", 3.0), context());
        QVERIFY(shown);
        QCOMPARE(shown->label, QStringLiteral("No unit"));
    }

    void otherObjectsHaveNoCallout()
    {
        const AbstractObject other("o");
        QVERIFY(!MapCallout::contentOf(other, context()));
        QCOMPARE(MapCallout::categoryOf(other), 0);
    }

    void categories_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("category");
        QTest::newRow("locality") << "locality" << int(MapViewController::FilterAnnotations);
        QTest::newRow("plane") << "plane" << int(MapViewController::FilterData);
        QTest::newRow("lineation") << "lineation" << int(MapViewController::FilterData);
        QTest::newRow("photograph") << "photograph" << int(MapViewController::FilterAnnotations);
        QTest::newRow("sighting") << "sighting" << int(MapViewController::FilterAnnotations);
        QTest::newRow("note") << "note" << int(MapViewController::FilterAnnotations);
        QTest::newRow("line") << "line" << int(MapViewController::FilterLines);
    }

    void categories()
    {
        QFETCH(QString, kind);
        QFETCH(int, category);
        QCOMPARE(MapCallout::categoryOf(*objectOf(kind)), category);
    }

    void anchorShift_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("uiScale");
        QTest::addColumn<QPointF>("shift");
        QTest::newRow("note") << "note" << 1.0 << QPointF(14.95, 14.95);
        QTest::newRow("locality") << "locality" << 1.0 << QPointF(0, -23);
        // 69 / 3 = 23 once more: S grows with the scale, h does not.
        QTest::newRow("locality, scale 1.5") << "locality" << 1.5 << QPointF(0, -23);
        QTest::newRow("plane") << "plane" << 1.0 << QPointF(0, 0);
        QTest::newRow("photograph") << "photograph" << 1.0 << QPointF(0, 0);
        QTest::newRow("line") << "line" << 1.0 << QPointF(0, 0);
        QTest::newRow("nothing selected") << "" << 1.0 << QPointF(0, 0);
    }

    void anchorShift()
    {
        QFETCH(QString, kind);
        QFETCH(double, uiScale);
        QFETCH(QPointF, shift);
        const auto object = objectOf(kind);
        QVERIFY(closeTo(MapCallout::anchorShift(object.get(), context(uiScale)), shift));
    }

    // h is truncated: 47 / 2 is 23, not 23.5.
    void anchorShiftTruncates()
    {
        MapCallout::Context c = context();
        c.symbolSize = 47;
        QVERIFY(closeTo(MapCallout::anchorShift(objectOf("locality").get(), c), QPointF(0, -23)));
    }

    void screenPosition_data()
    {
        QTest::addColumn<osg::Matrixd>("camera");
        QTest::addColumn<osg::Vec3d>("world");
        QTest::addColumn<OptionalPoint>("expected");
        QTest::newRow("under the camera") << overhead() << osg::Vec3d(0, 0, 10) << OptionalPoint(QPointF(400, 300));
        QTest::newRow("north-east of it") << overhead() << osg::Vec3d(100, 50, 10)
                                          << OptionalPoint(QPointF(500, 250));
        QTest::newRow("on the right edge") << overhead() << osg::Vec3d(400, 0, 10) << OptionalPoint(QPointF(800, 300));
        // Off screen is still a place: the balloon just stands outside the window.
        QTest::newRow("off screen") << overhead() << osg::Vec3d(1000, -500, 10)
                                    << OptionalPoint(QPointF(1400, 800));
        QTest::newRow("far from the origin") << overhead(2e7, -1e7) << osg::Vec3d(2e7 + 0.5, -1e7, 10)
                                             << OptionalPoint(QPointF(400.5, 300));
        QTest::newRow("perspective, ahead") << perspective() << osg::Vec3d(0, 0, 0) << OptionalPoint(QPointF(400, 300));
        QTest::newRow("perspective, in the eye plane") << perspective() << osg::Vec3d(10, 0, 100) << OptionalPoint();
        QTest::newRow("perspective, behind the camera") << perspective() << osg::Vec3d(10, 0, 200) << OptionalPoint();
        QTest::newRow("not finite") << overhead() << osg::Vec3d(NaN, 0, 10) << OptionalPoint();
        QTest::newRow("infinite") << overhead() << osg::Vec3d(std::numeric_limits<double>::infinity(), 0, 10)
                                  << OptionalPoint();
    }

    void screenPosition()
    {
        QFETCH(osg::Matrixd, camera);
        QFETCH(osg::Vec3d, world);
        QFETCH(OptionalPoint, expected);
        const OptionalPoint seen = MapCallout::screenPosition(world, camera, Window);
        QCOMPARE(seen.has_value(), expected.has_value());
        if (seen)
            QVERIFY2(QLineF(*seen, *expected).length() < 1e-6,
                     qPrintable(QString("%1, %2").arg(seen->x()).arg(seen->y())));
    }

    void showSetsEveryValueInOrder()
    {
        MapCallout callout;
        Spies spies(callout);
        QStringList order;
        connect(&callout, &MapCallout::pointPickedChanged, this, [&] { order << "pointPicked"; });
        connect(&callout, &MapCallout::pickedScreenPosChanged, this, [&] { order << "screenPos"; });
        connect(&callout, &MapCallout::pickedPointLabelChanged, this, [&] { order << "label"; });
        MapCallout::Content photo = content("Direction: 87" + Degree);
        photo.imageUrl = "image://thumbnail/IMG_1.jpg";
        photo.imagePicked = true;
        photo.offset = 23.0;
        callout.show(photo, osg::Vec3d(1, 2, 10), QPointF(400, 300));
        QCOMPARE(order, QStringList({"pointPicked", "screenPos", "label"}));
        // No description and no locality: those stayed as they were.
        QCOMPARE(spies.counts(), QList<int>({1, 1, 1, 0, 1, 1, 1, 0}));
        QVERIFY(callout.pointPicked() && callout.imagePicked() && !callout.localityPicked());
        QCOMPARE(callout.pickedScreenPos(), QPointF(400, 300));
        QCOMPARE(callout.world(), osg::Vec3d(1, 2, 10));
        QCOMPARE(callout.calloutOffset(), 23.0);
        QCOMPARE(spies.pointPicked.at(0).at(0).toBool(), true);
        QCOMPARE(spies.imageUrl.at(0).at(0).toString(), photo.imageUrl);

        // The same callout again changes nothing; another label only that.
        spies.clear();
        callout.show(photo, osg::Vec3d(1, 2, 10), QPointF(400, 300));
        QCOMPARE(spies.counts(), QList<int>({0, 0, 0, 0, 0, 0, 0, 0}));
        photo.label = "Image";
        callout.show(photo, osg::Vec3d(1, 2, 10), QPointF(400, 300));
        QCOMPARE(spies.counts(), QList<int>({0, 0, 1, 0, 0, 0, 0, 0}));
    }

    // A balloon is never put at NaN: it goes nowhere instead.
    void showAtNonFiniteAnchor_data()
    {
        QTest::addColumn<QPointF>("anchor");
        QTest::newRow("NaN x") << QPointF(NaN, 300);
        QTest::newRow("NaN y") << QPointF(400, NaN);
        QTest::newRow("infinite") << QPointF(std::numeric_limits<double>::infinity(), 300);
    }

    void showAtNonFiniteAnchor()
    {
        QFETCH(QPointF, anchor);
        MapCallout callout;
        callout.show(content("a"), osg::Vec3d(), QPointF(10, 10));
        QSignalSpy moved(&callout, &MapCallout::pickedScreenPosChanged);
        callout.show(content("a"), osg::Vec3d(), anchor);
        QCOMPARE(callout.pickedScreenPos(), MapCallout::Nowhere);
        QCOMPARE(moved.count(), 1);
        callout.show(content("a"), osg::Vec3d(), anchor);
        QCOMPARE(moved.count(), 1);
    }

    // Each way of hiding emits for what was shown, once, and keeps what it does not touch.
    void hidingPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("first");
        QTest::addColumn<bool>("textsKept");
        QTest::addColumn<int>("category");
        QTest::newRow("hide") << "hide" << QList<int>({0, 1, 1, 1, 0, 1, 1, 1}) << false << 1;
        QTest::newRow("clear") << "clear" << QList<int>({0, 1, 1, 1, 0, 1, 1, 1}) << false << 0;
        QTest::newRow("refresh with nothing selected") << "unpick" << QList<int>({0, 0, 0, 0, 0, 1, 1, 1}) << true
                                                       << 1;
    }

    void hidingPaths()
    {
        QFETCH(QString, path);
        QFETCH(QList<int>, first);
        QFETCH(bool, textsKept);
        QFETCH(int, category);
        MapCallout callout;
        MapCallout::Content shown = content("Quarry", "north wall");
        shown.imageUrl = "image://thumbnail/x.jpg";
        shown.imagePicked = true;
        shown.localityPicked = true;
        shown.offset = 23.0;
        callout.show(shown, osg::Vec3d(1, 2, 10), QPointF(400, 300));
        callout.setCategory(1);
        Spies spies(callout);
        const auto run = [&] {
            if (path == "hide")
                callout.hide();
            else if (path == "clear")
                callout.clear();
            else
                callout.unpick();
        };
        run();
        QCOMPARE(spies.counts(), first);
        QVERIFY(!callout.pointPicked() && !callout.imagePicked() && !callout.localityPicked());
        QCOMPARE(spies.pointPicked.at(0).at(0).toBool(), false);
        QCOMPARE(callout.pickedPointLabel().isEmpty(), !textsKept);
        QCOMPARE(callout.pickedImageUrl().isEmpty(), !textsKept);
        QCOMPARE(callout.category(), category);
        QCOMPARE(callout.pickedScreenPos(), QPointF(400, 300));
        QCOMPARE(callout.calloutOffset(), 23.0);
        QCOMPARE(callout.world(), osg::Vec3d(1, 2, 10));
        // Nothing left to change: a second time is silent.
        run();
        QCOMPARE(spies.counts(), first);
    }

    void followsTheCamera()
    {
        MapCallout callout;
        callout.show(content("a"), osg::Vec3d(0, 0, 10), QPointF(400, 300));
        QSignalSpy moved(&callout, &MapCallout::pickedScreenPosChanged);
        const QPointF raised(0, -23);
        callout.follow(overhead(), Window, raised);
        QCOMPARE(moved.count(), 1);
        QVERIFY(closeTo(callout.pickedScreenPos(), QPointF(400, 277)));
        // Ten metres east: the point moves left.
        callout.follow(overhead(10, 0), Window, raised);
        QCOMPARE(moved.count(), 2);
        QVERIFY(closeTo(callout.pickedScreenPos(), QPointF(390, 277)));
        callout.follow(overhead(10, 0), Window, raised);
        QCOMPARE(moved.count(), 2);
        // Behind a perspective camera there is no place for it.
        callout.show(content("a"), osg::Vec3d(10, 0, 200), callout.pickedScreenPos());
        callout.follow(perspective(), Window, raised);
        QCOMPARE(moved.count(), 3);
        QCOMPARE(callout.pickedScreenPos(), MapCallout::Nowhere);
        QVERIFY(callout.pointPicked());
    }

    void followingANonFinitePointGoesNowhere()
    {
        MapCallout callout;
        callout.show(content("a"), osg::Vec3d(NaN, 0, 10), QPointF(400, 300));
        callout.follow(overhead(), Window, QPointF());
        QCOMPARE(callout.pickedScreenPos(), MapCallout::Nowhere);
    }

    void screenPosTreatsTinyChangesAsNone_data()
    {
        QTest::addColumn<QPointF>("next");
        QTest::addColumn<int>("changes");
        QTest::newRow("the same") << QPointF(0, 0) << 0;
        QTest::newRow("1e-12 both ways") << QPointF(1e-12, -1e-12) << 0;
        QTest::newRow("just over 1e-12") << QPointF(0, 1.1e-12) << 1;
        QTest::newRow("a pixel") << QPointF(1, 0) << 1;
    }

    void screenPosTreatsTinyChangesAsNone()
    {
        QFETCH(QPointF, next);
        QFETCH(int, changes);
        MapCallout callout;
        QCOMPARE(callout.pickedScreenPos(), MapCallout::Nowhere);
        callout.setPickedScreenPos(QPointF(0, 0));
        QSignalSpy moved(&callout, &MapCallout::pickedScreenPosChanged);
        callout.setPickedScreenPos(next);
        QCOMPARE(moved.count(), changes);
    }

    // Each setter stores and signals only a change.
    void settersSignalOnlyChanges()
    {
        MapCallout callout;
        Spies spies(callout);
        for (int round = 0; round < 2; ++round) {
            callout.setPickedImageUrl("u");
            callout.setPickedPointLabel("l");
            callout.setPickedPointDescription("d");
            callout.setCalloutOffset(2.0);
            callout.setPointPicked(true);
            callout.setImagePicked(true);
            callout.setLocalityPicked(true);
        }
        QCOMPARE(spies.counts(), QList<int>({0, 1, 1, 1, 1, 1, 1, 1}));
        QCOMPARE(spies.offset.at(0).at(0).toDouble(), 2.0);
        QCOMPARE(spies.description.at(0).at(0).toString(), QStringLiteral("d"));
    }
};

QTEST_GUILESS_MAIN(TestMapCallout)
#include "tst_mapcallout.moc"
