#include <QtTest>

#include "drawing/QPainterImplementation.h"
#include "drawing/SymbolPainter.h"
#include "model/Data.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/RecordingPainter.h"

#include <QPainter>

#include <functional>

using namespace kiv;
using kiv::test::RecordingPainter;

using Draw = std::function<void(const SymbolPainter&, AbstractPainter&)>;
using Make = std::function<std::shared_ptr<Data>()>;
Q_DECLARE_METATYPE(Draw)
Q_DECLARE_METATYPE(Make)

namespace {

const QString PlaneStyle = QStringLiteral("setCapStyle 1; setJoinStyle 1; setFillMode 2; ");
const QString LineStyle = QStringLiteral("setCapStyle 1; setJoinStyle 2; setFillMode 2; ");
const QString ColourPass = QStringLiteral("setColor black; setLineWidth 2; ");

Draw symbol(int id, float azimuth, float dip, const std::string& halo = {},
            const std::string& colour = "black")
{
    return [=](const SymbolPainter& symbols, AbstractPainter& painter) {
        symbols.drawSymbol(painter, id, azimuth, dip, colour, halo);
    };
}

QString record(const Draw& draw, float width = 235, float height = 235)
{
    RecordingPainter painter(width, height);
    draw(SymbolPainter(nullptr), painter);
    return painter.joined();
}

} // namespace

class TestSymbolPainter : public QObject
{
    Q_OBJECT

private slots:
    // Whole recordings (whole) or a run of calls within one, on 235 x 235
    // (L = 100, centre 117.5) unless the row's size says otherwise.
    void recordedCalls_data()
    {
        QTest::addColumn<Draw>("draw");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("calls");
        const QSizeF square(235, 235);
        QTest::newRow("bedding east, no halo")
            << symbol(0, 90, 45) << square << true
            << ColourPass + PlaneStyle + "drawLine 117.5 17.5 117.5 217.5; drawLine 117.5 117.5 167.5 117.5";
        QTest::newRow("bedding north, halo")
            << symbol(0, 0, 45, "white") << square << true
            << "setColor white; setLineWidth 4; " + PlaneStyle
                   + "drawLine 17.5 117.5 217.5 117.5; drawLine 117.5 117.5 117.5 67.5; " + ColourPass
                   + PlaneStyle + "drawLine 17.5 117.5 217.5 117.5; drawLine 117.5 117.5 117.5 67.5";
        QTest::newRow("bedding 30/45") << symbol(0, 30, 45) << square << false
                                       << "drawLine 30.9 67.5 204.1 167.5; drawLine 117.5 117.5 142.5 74.2";
        QTest::newRow("bedding horizontal") << symbol(0, 90, 0) << square << false
                                            << "drawLine 217.5 117.5 17.5 117.5";
        QTest::newRow("bedding vertical") << symbol(0, 90, 90) << square << false
                                          << "drawLine 167.5 117.5 67.5 117.5";
        QTest::newRow("wide painter") << symbol(0, 90, 45) << QSizeF(335, 235) << false
                                      << "drawLine 167.5 17.5 167.5 217.5; drawLine 167.5 117.5 217.5 117.5";
        QTest::newRow("overturned bedding")
            << symbol(1, 90, 45) << square << false
            << "drawArc 117.5 142.5 25 90 -90 cw; drawLine 117.5 117.5 167.5 117.5";
        QTest::newRow("foliation inclined")
            << symbol(2, 90, 45) << square << false
            << "setCapStyle 0; drawPath M 117.5 142.5 L 167.5 117.5 L 117.5 92.5";
        QTest::newRow("joint vertical")
            << symbol(4, 90, 90) << square << true
            << ColourPass + PlaneStyle
                   + "drawLine 117.5 217.5 117.5 17.5; drawPath M 142.5 142.5 L 142.5 92.5 L 92.5 92.5 L 92.5 142.5 Z";
        QTest::newRow("normal fault")
            << symbol(5, 90, 45) << square << false
            << "setCapStyle 0; setFillMode 1; drawPath M 117.5 142.5 L 142.5 142.5 L 142.5 92.5 L 117.5 92.5";
        QTest::newRow("dextral fault") << symbol(7, 90, 45) << square << false
                                       << "drawPath M 152.5 67.5 L 152.5 167.5 L 177.5 142.5 M 82.5 167.5";
        QTest::newRow("sinistral fault") << symbol(8, 90, 45) << square << false
                                         << "drawPath M 152.5 167.5 L 152.5 67.5 L 177.5 92.5 M 82.5 67.5";
        QTest::newRow("anticline") << symbol(10, 90, 45) << square << false
                                   << "setFillMode 1; drawPath M 117.5 142.5 L 160.8 117.5 L 117.5 92.5 L 74.2 117.5 Z";
        const QString lineation = ColourPass + LineStyle + "drawLine 217.5 117.5 17.5 117.5; "
                                  + "drawPath M 182.5 152.5 L 217.5 117.5 L 182.5 82.5";
        const QString tailHead = "; drawPath M 52.5 152.5 L 17.5 117.5 L 52.5 82.5";
        QTest::newRow("lineation 2") << symbol(13, 90, 2) << square << true << lineation + tailHead;
        QTest::newRow("lineation 2.5") << symbol(13, 90, 2.5f) << square << true << lineation;
        QTest::newRow("lineation 30") << symbol(13, 90, 30) << square << true << lineation;
        QTest::newRow("lineation 87.9") << symbol(13, 90, 87.9f) << square << true << lineation;
        QTest::newRow("lineation 88")
            << symbol(13, 90, 88) << square << true
            << ColourPass + LineStyle + "drawPath M 117.5 167.5 L 167.5 117.5 L 117.5 67.5 L 67.5 117.5 Z";
        QTest::newRow("lineation north") << symbol(13, 0, 30) << square << false << "L 117.5 17.5 L";
        QTest::newRow("mineral 30") << symbol(14, 90, 30) << square << false
                                    << "setFillMode 1; drawArc 42.5 117.5 25 0 360 ccw";
        QTest::newRow("mineral 0") << symbol(14, 90, 0) << square << false
                                   << "setFillMode 1; drawArc 117.5 117.5 25 0 360 ccw";
        QTest::newRow("mineral 88")
            << symbol(14, 90, 88) << square << false
            << "setFillMode 1; setJoinStyle 1; drawPath M 117.5 167.5 L 167.5 117.5 L 117.5 67.5 L 67.5 117.5 Z; "
               "setColor FFFFFF; drawArc 117.5 117.5 25 0 360 ccw";
        QTest::newRow("fold axis Z") << symbol(15, 90, 30) << square << false
                                     << "drawArc 117.5 142.5 25 90 -90 cw; drawArc 117.5 92.5 25 90 -90 ccw";
        QTest::newRow("fold axis anticline") << symbol(18, 90, 30) << square << false
                                             << "drawArc 92.5 117.5 50 -90 90 cw";
        QTest::newRow("fold axis syncline") << symbol(19, 90, 30) << square << false
                                            << "drawArc 142.5 117.5 50 90 -90 cw";
        QTest::newRow("sighting") << symbol(20, 0, 30) << square << true
                                  << LineStyle + ColourPass + "drawLine 117.5 217.5 117.5 17.5";
        QTest::newRow("annotation") << symbol(21, 0, 0, "white") << square << false
                                    << "setColor white; setLineWidth 3; " + LineStyle
                                           + "drawPath M 50.83 50.83 L 100.83 50.83 L 184.17 134.17";
        QTest::newRow("image") << symbol(22, 0, 0, "white") << square << false
                               << "setColor black; setLineWidth 1; setCapStyle 1; setJoinStyle 2; "
                                  "setFillMode 1; drawArc 117.5 117.5 12.5 0 360 ccw; setFillMode 2; "
                                  "drawArc 117.5 117.5 33.33 0 360 ccw";
        const Draw pin = [](const SymbolPainter& s, AbstractPainter& p) { s.drawLocalitySymbol(p, "black", ""); };
        QTest::newRow("locality pin")
            << pin << square << true
            << ColourPass + "setCapStyle 0; setJoinStyle 1; setFillMode 2; "
                            "drawPath M 166.74 101.18 L 117.5 217.5 L 68.26 101.18; setCapStyle 1; "
                            "drawArc 117.5 92.5 50 170 -30 cw; drawArc 117.5 92.5 25 0 360 ccw";
        for (int value : {0, 15, 30, 60}) {
            const Draw marker = [value](const SymbolPainter& s, AbstractPainter& p) {
                s.drawMarkerSymbol(p, "black", float(value), "");
            };
            QTest::addRow("marker %d", value)
                << marker << QSizeF(210, 210) << true
                << ColourPass + "setFillMode 2; drawArc 105 105 "
                       + RecordingPainter::number(40 + value * 2) + " 0 360 ccw";
        }
    }

    void recordedCalls()
    {
        QFETCH(Draw, draw);
        QFETCH(QSizeF, size);
        QFETCH(bool, whole);
        QFETCH(QString, calls);
        const QString recorded = record(draw, float(size.width()), float(size.height()));
        if (whole)
            QCOMPARE(recorded, calls);
        else
            QVERIFY2(recorded.contains(calls), qPrintable(recorded));
    }

    // Pairs of drawings that must record the same calls, or must not.
    void sameCalls_data()
    {
        QTest::addColumn<Draw>("first");
        QTest::addColumn<Draw>("second");
        QTest::addColumn<bool>("same");
        for (int id : {0, -1, 23, 100})
            QTest::addRow("id %d is bedding", id) << symbol(id, 30, 45) << symbol(0, 30, 45) << true;
        // Reference dips: 0 horizontal, 45 inclined, 89 vertical.
        for (int id : {0, 2, 4}) {
            QTest::addRow("%d at 2", id) << symbol(id, 30, 2) << symbol(id, 30, 0) << true;
            QTest::addRow("%d at 2.5", id) << symbol(id, 30, 2.5f) << symbol(id, 30, 45) << true;
            QTest::addRow("%d at 87.9", id) << symbol(id, 30, 87.9f) << symbol(id, 30, 45) << true;
            QTest::addRow("%d at 88", id) << symbol(id, 30, 88) << symbol(id, 30, 89) << true;
            QTest::addRow("%d at 90", id) << symbol(id, 30, 90) << symbol(id, 30, 89) << true;
            QTest::addRow("%d flat and inclined differ", id) << symbol(id, 30, 0) << symbol(id, 30, 45) << false;
            QTest::addRow("%d inclined and vertical differ", id) << symbol(id, 30, 45) << symbol(id, 30, 89) << false;
        }
        for (int id : {1, 3, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 17, 18, 19, 20})
            QTest::addRow("%d at any dip", id) << symbol(id, 30, 0) << symbol(id, 30, 90) << true;
        for (int id : {21, 22})
            QTest::addRow("%d at any azimuth", id) << symbol(id, 0, 0) << symbol(id, 123, 45) << true;
        QTest::newRow("Z and S differ") << symbol(15, 30, 0) << symbol(16, 30, 0) << false;
        QTest::newRow("S and M differ") << symbol(16, 30, 0) << symbol(17, 30, 0) << false;
    }

    void sameCalls()
    {
        QFETCH(Draw, first);
        QFETCH(Draw, second);
        QFETCH(bool, same);
        QCOMPARE(record(first) == record(second), same);
    }

    void filledFoldsDifferOnlyByFill_data()
    {
        QTest::addColumn<int>("filled");
        QTest::addColumn<int>("open");
        QTest::newRow("syncline") << int(Project::Syncline) << int(Project::Synform);
        QTest::newRow("anticline") << int(Project::Anticline) << int(Project::Antiform);
    }

    void filledFoldsDifferOnlyByFill()
    {
        QFETCH(int, filled);
        QFETCH(int, open);
        QString withFill = record(symbol(filled, 30, 0));
        QCOMPARE(withFill.count("setFillMode 1; "), 1);
        QCOMPARE(withFill.remove("setFillMode 1; "), record(symbol(open, 30, 0)));
    }

    void dataSymbols_data()
    {
        QTest::addColumn<bool>("withProject");
        QTest::addColumn<Make>("make");
        QTest::addColumn<Draw>("expected");
        const std::string loc = test::idOf(0xa1);
        const Draw nothing = [](const SymbolPainter&, AbstractPainter&) {};
        const Make lineation = [=] { return Data::createLineation(test::idOf(1), loc, 0, 0, 30, 60, 0, 90, {}); };
        QTest::newRow("no project") << false << lineation << nothing;
        QTest::newRow("lineation of unit 0") << true << lineation << symbol(Project::Mineral, 60, 30, "white", "#000000");
        QTest::newRow("green unit") << true
                                    << Make([=] { return Data::createPlane(test::idOf(2), loc, 0, 0, 40, 120, 5, 91, {}); })
                                    << symbol(Project::Joint, 120, 40, "white", "#00ff00");
        QTest::newRow("sighting") << true
                                  << Make([=] { return Data::createSighting(test::idOf(3), loc, 0, 0, 200, 5, 92, {}); })
                                  << Draw([](const SymbolPainter& s, AbstractPainter& p) {
                                         s.drawSightingSymbol(p, 200, "#00ff00", "white");
                                     });
        QTest::newRow("image") << true
                               << Make([=] { return Data::createImage(test::idOf(4), loc, 0, 0, 10, "a.jpg", {}, {}, {}); })
                               << Draw([](const SymbolPainter& s, AbstractPainter& p) { s.drawImageSymbol(p, "#000000", "white"); });
        QTest::newRow("annotation") << true
                                    << Make([=] { return Data::createAnnotation(test::idOf(5), loc, 0, 0, "note"); })
                                    << Draw([](const SymbolPainter& s, AbstractPainter& p) {
                                           s.drawAnnotationSymbol(p, "#000000", "white");
                                       });
        QTest::newRow("kind 0") << true << Make([=] { return std::make_shared<Data>(test::idOf(6), loc); }) << nothing;
    }

    void dataSymbols()
    {
        QFETCH(bool, withProject);
        QFETCH(Make, make);
        QFETCH(Draw, expected);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        fixture.project->addRockUnit(5, "Green", QColor("#00ff00"), 0);
        fixture.project->addSymbol(90, "Mineral", Project::Mineral, 8, false);
        fixture.project->addSymbol(91, "Joint", Project::Joint, 0, false);
        fixture.project->addSymbol(92, "Sighting", Project::Sighting, 9, false);
        const SymbolPainter symbols(withProject ? fixture.project.get() : nullptr);
        const std::shared_ptr<Data> datum = make();
        RecordingPainter shared(235, 235);
        symbols.drawDataSymbol(shared, datum, "white");
        RecordingPainter byReference(235, 235);
        symbols.drawDataSymbol(&byReference, *datum, "white");
        QCOMPARE(shared.joined(), record(expected));
        QCOMPARE(byReference.joined(), shared.joined());
    }

    // Turn directions on a real painter: a dark probe left or right of the centre.
    void turnDirections_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QPoint>("dark");
        QTest::addColumn<QPoint>("white");
        QTest::newRow("overturned bedding") << int(Project::OverturnedBedding) << QPoint(92, 142) << QPoint(142, 142);
        QTest::newRow("fold axis Z") << int(Project::FoldAxisZ) << QPoint(92, 142) << QPoint(142, 142);
        QTest::newRow("fold axis S") << int(Project::FoldAxisS) << QPoint(142, 142) << QPoint(92, 142);
    }

    void turnDirections()
    {
        QFETCH(int, id);
        QFETCH(QPoint, dark);
        QFETCH(QPoint, white);
        QImage image(235, 235, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter qpainter(&image);
        QPainterImplementation painter(235, 235);
        painter.setPainter(&qpainter);
        SymbolPainter(nullptr).drawSymbol(painter, id, 90, 45, "black", "");
        qpainter.end();
        QVERIFY(qRed(image.pixel(dark)) < 128);
        QCOMPARE(image.pixel(white), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(TestSymbolPainter)
#include "tst_symbolpainter.moc"
