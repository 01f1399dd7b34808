#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ImagePixels.h"
#include "support/MapPageStart.h"
#include "support/TestStep.h"

#include <QQuickItem>
#include <QtTest>

#include <sqlite3.h>

using namespace kiv;
using test::pixelsLike;
using test::squareAround;

namespace {
const double Lon = 7.0;
const double Lat = 46.0;
const QColor Red(255, 0, 0);
const QColor Green(0, 160, 0);
const QColor Blue(0, 0, 255);
const QColor MenuBlue(0x00, 0x6e, 0xb8);

int dataRows(const QString& database)
{
    sqlite3* db = nullptr;
    int rows = -1;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM data", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            rows = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}
} // namespace

// The program in this process: the real project screen and map page show a
// stored project.
class TestMapPage : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::MapPageStart> page;

    // Three localities, the first current with a red and a green plane and
    // a blue line, stored through the storage classes.
    void storeProject()
    {
        test::resetModelManager();
        std::shared_ptr<Project> project
            = page->storeProject("Map", "map.qz", {{1, "Red", Red}, {2, "Green", Green}, {3, "Blue", Blue}});
        QVERIFY(project);
        std::shared_ptr<Locality> current;
        for (int i = 0; i < 3; ++i) {
            auto locality = test::MapPageStart::storeLocality(*project, 0xb0 + i, Lon + 0.1 * i, Lat + 0.1);
            QVERIFY(locality);
            if (i == 0)
                current = locality;
        }
        QVERIFY(project->syncDataDetails(current->addPlane(test::idOf(0xc1), Lat, Lon - 0.004, 30.0f, 120.0f, 1, -1, "")));
        QVERIFY(project->syncDataDetails(current->addPlane(test::idOf(0xc2), Lat, Lon + 0.004, 30.0f, 90.0f, 2, -1, "")));
        auto line = current->addPolyline(test::idOf(0xd1), 3, 0, 6.0f, 1.0f, "");
        line->addPoint(Lat - 0.004, Lon - 0.004);
        line->addPoint(Lat - 0.004, Lon + 0.004);
        QVERIFY(project->syncLineDataDetails(line.get()));
        test::MapPageStart::openOnStart(std::move(project), std::move(current));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        page = std::make_unique<test::MapPageStart>(documents.path());
        TEST_STEP(storeProject());
        QVERIFY(page->start());
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
    }

    void planesShowTheirUnitColour_data()
    {
        QTest::addColumn<double>("lon");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red unit") << Lon - 0.004 << Red;
        QTest::newRow("green unit") << Lon + 0.004 << Green;
    }

    void planesShowTheirUnitColour()
    {
        QFETCH(double, lon);
        QFETCH(QColor, colour);
        QVERIFY(page->cameraAtRest());
        const QRect square = squareAround(page->screenOf(lon, Lat), 23);
        QTRY_VERIFY_WITH_TIMEOUT(pixelsLike(page->grab(), square, colour, 40) > 0, 20000);
    }

    void lineShowsItsUnitColour()
    {
        QVERIFY(page->cameraAtRest());
        const QPointF west = page->screenOf(Lon - 0.004, Lat - 0.004);
        const QPointF east = page->screenOf(Lon + 0.004, Lat - 0.004);
        const QRect middle = squareAround((west + east) / 2.0, 2);
        QTRY_VERIFY_WITH_TIMEOUT(pixelsLike(page->grab(), middle, Blue, 40) > 0, 20000);
    }

    void tapShowsTheCalloutAndConfirmDeletes()
    {
        QQuickWindow* window = page->application()->mainView();
        QVERIFY(page->tapOnMap(Lon - 0.004, Lat));
        QTRY_COMPARE(page->mapView()->pickedPointLabel(), QString("Dip: 30\u00b0  Azimuth: 120\u00b0"));
        QVERIFY(page->mapView()->pointPicked());
        QVERIFY(page->cameraAtRest());
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(650, 120));
        QTRY_VERIFY(!page->mapView()->pointPicked());

        QVERIFY(page->tapOnMap(Lon - 0.004, Lat));
        QTRY_VERIFY(page->mapView()->pointPicked());
        const test::ProgramScreen screen = page->screen();
        const QString database = documents.filePath("map.qz/main.db");
        QCOMPARE(dataRows(database), 2);
        QVERIFY(screen.tap(window->contentItem()->findChild<QQuickItem*>("deleteButton")));
        QVERIFY(screen.tap(window->contentItem()->findChild<QQuickItem*>("confirmButton")));
        QTRY_COMPARE(dataRows(database), 1);
        QVERIFY(!page->mapView()->pointPicked());
        QVERIFY(page->cameraAtRest());
        const QPointF plane = page->screenOf(Lon - 0.004, Lat);
        QTRY_COMPARE(pixelsLike(page->grab(), squareAround(plane, 23), Red, 40), 0);
    }

    void captureLeavesOutThePageItems()
    {
        const QImage shown = page->grab();
        const QImage captured = page->mapView()->capture();
        QCOMPARE(captured.size(), shown.size());
        // The tool bar's menu button belongs to the page.
        const QRect menu(0, 0, 54, 54);
        QVERIFY(pixelsLike(shown, menu, MenuBlue, 30) > 0);
        QCOMPARE(pixelsLike(captured, menu, MenuBlue, 30), 0);
        QVERIFY(page->mapView()->isVisible());
    }
};

int main(int argc, char* argv[])
{
    // As the program runs on Linux: the map draws on the GUI thread.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestMapPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mappage_gl.moc"
