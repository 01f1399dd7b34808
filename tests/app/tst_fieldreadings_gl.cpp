#include "Database/Quarzel.pb.h"
#include "app/DialogController.h"
#include "app/MainView.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/MapPageStart.h"
#include "support/ImagePixels.h"
#include "support/ProgramScreen.h"
#include "support/TestStep.h"
#include "tools/AbstractCompassClino.h"

#include <QQuickItem>
#include <QtTest>

#include <cmath>
#include <optional>

using namespace kiv;

namespace {
const double Lon = 7.0;
const double Lat = 46.0;
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const int PlaneSymbol = 1;
const int LineSymbol = 9;

std::optional<QZProtoBuffers::Data> storedWith(const QString& database, const QString& comment)
{
    for (const std::string& bytes : test::tableMessages(database, "data")) {
        QZProtoBuffers::Data datum;
        if (datum.ParseFromString(bytes) && QString::fromStdString(datum.comment()) == comment)
            return datum;
    }
    return std::nullopt;
}

int unitNamed(const Project& project, const QString& name)
{
    for (const Project::RockUnit& unit : project.rockUnits()) {
        if (unit.name == name)
            return unit.id;
    }
    return -1;
}
} // namespace

// Readings taken with the clino panel of the whole program in this process,
// checked against what the screen showed while they were taken.
class TestFieldReadings : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::MapPageStart> page;
    std::unique_ptr<test::ProgramScreen> screen;

    QQuickWindow* window() const { return page->application()->mainView(); }
    QQuickItem* clinoTool() const { return window()->contentItem()->findChild<QQuickItem*>("clinoTool"); }
    std::shared_ptr<Project> current() const { return ModelManager::instance()->currentProject(); }

    std::shared_ptr<Project> storeProject(const QString& name, const QString& folder,
                                          const QList<std::pair<int, QString>>& units, int firstId)
    {
        QDir(documents.path()).mkdir(folder);
        std::shared_ptr<Project> project
            = ModelManager::instance()->createProject(name, QDir(documents.filePath(folder)));
        if (!project)
            return project;
        for (const auto& [id, unit] : units)
            project->addRockUnit(id, unit, QColor("#cc6633"), 0);
        project->save();
        auto locality = project->createLocality(test::idOf(firstId));
        locality->setLongitude(Lon);
        locality->setLatitude(Lat);
        project->syncLocalityDetails(locality.get());
        return project;
    }

    // The clino panel in clino mode (or compass mode), whatever showed before.
    void openClino(bool compassMode = false)
    {
        QQuickItem* tool = clinoTool();
        QVERIFY(tool);
        if (!tool->property("shown").toBool()) {
            QQuickItem* button = nullptr;
            for (QQuickItem* item : screen->named("toolButton")) {
                if (item->property("label").toString() == "Clino")
                    button = item;
            }
            QVERIFY(button);
            // On its icon: the thin bar shows no more of a button.
            QVERIFY(screen->tapAtRest(button, button->height() / 2 / button->width(), 0.5));
            QTRY_VERIFY(tool->property("shown").toBool());
            QTRY_COMPARE(tool->x(), tool->property("leftInset").toReal());
        }
        // Each mode shows the button of the other one.
        const QString shownInMode = compassMode ? "clinoButton" : "compassButton";
        if (!screen->shown(shownInMode))
            QVERIFY2(screen->tapShown(compassMode ? "compassButton" : "clinoButton"), "tap");
        QTRY_VERIFY(screen->shown(shownInMode));
    }

    QQuickItem* column() const { return screen->shown("stratColumn"); }

    QQuickItem* unitRow(const QString& name) const
    {
        for (QQuickItem* row : screen->named("unitRow", column())) {
            QQuickItem* label = row->findChild<QQuickItem*>("unitNameLabel");
            if (test::ProgramScreen::onScreen(row) && label && label->property("text").toString() == name)
                return row;
        }
        return nullptr;
    }

    // The names of the rows the column shows outlined.
    QStringList outlined() const
    {
        QStringList names;
        for (QQuickItem* row : screen->named("unitRow", column())) {
            const QQuickItem* label = row->findChild<QQuickItem*>("unitNameLabel");
            if (test::ProgramScreen::onScreen(row) && row->property("selected").toBool())
                names << (label ? label->property("text").toString() : QStringLiteral("(no label)"));
        }
        return names;
    }

    void tapUnit(const QString& name)
    {
        QQuickItem* row = nullptr;
        QTRY_VERIFY((row = unitRow(name)) != nullptr);
        QVERIFY(screen->tapAtRest(row));
    }

    // Through "Edit" into the column's editor, or back out with "Done".
    void editColumn()
    {
        QQuickItem* strat = column();
        QVERIFY(strat);
        QVERIFY(screen->tapAtRest(strat, 0.5, 0.05));
        QTRY_COMPARE(strat->property("state").toString(), QString("EXPANDED"));
        QQuickItem* edit = nullptr;
        QTRY_VERIFY((edit = screen->shownWith("label", QString("Edit"), strat)) != nullptr);
        QVERIFY(screen->tapAtRest(edit));
        QTRY_COMPARE(strat->property("state").toString(), QString("EDITING"));
    }

    void finishEdit()
    {
        QQuickItem* strat = column();
        QVERIFY(strat);
        QQuickItem* done = nullptr;
        QTRY_VERIFY((done = screen->shownWith("label", QString("Done"), strat)) != nullptr);
        QVERIFY(screen->tapAtRest(done));
        QTRY_COMPARE(strat->property("state").toString(), QString("DEFAULT"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        page = std::make_unique<test::MapPageStart>(documents.path());
        test::resetModelManager();
        ModelManager* models = ModelManager::instance();
        QVERIFY(storeProject("Other", "other.qz", {{4, "Sand"}, {6, "Clay"}}, 0xe0));
        std::shared_ptr<Project> field = storeProject("Field", "field.qz", {{1, "Unit 1"}}, 0xa0);
        QVERIFY(field);
        models->setCurrentProject(field);
        field.reset();
        test::resetModelManager();
        QVERIFY(page->start(1280, 800));
        screen = std::make_unique<test::ProgramScreen>(window());
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
        QCOMPARE(current()->name(), QString("Field"));
    }

    // The unit the strat column outlines is the one the next reading is
    // saved with, however the column or the current project changed.
    void theOutlinedUnitIsTheSavedOne_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tap a unit, add one") << "add" << "Unit 2";
        QTest::newRow("add another") << "add again" << "Unit 3";
        QTest::newRow("tap the middle one") << "tap Unit 2" << "Unit 2";
        // "Done" makes current the unit the editor outlines: after a delete
        // the next row, after a reorder the row tapped in the editor.
        QTest::newRow("delete the current one in the editor") << "delete" << "Unit 3";
        QTest::newRow("reorder in the editor") << "reorder" << "Unit 3";
        QTest::newRow("another project") << "switch" << "Sand";
    }

    void theOutlinedUnitIsTheSavedOne()
    {
        QFETCH(QString, step);
        QFETCH(QString, expected);
        TEST_STEP(openClino());
        const size_t units = current()->rockUnits().size();
        if (step == "add") {
            TEST_STEP(tapUnit("Unit 1"));
            QTRY_COMPARE(ModelManager::instance()->currentRockUnit(), 1);
            QVERIFY2(screen->tapShown("addUnitButton"), "tap");
            QTRY_COMPARE(current()->rockUnits().size(), units + 1);
        } else if (step == "add again") {
            QVERIFY2(screen->tapShown("addUnitButton"), "tap");
            QTRY_COMPARE(current()->rockUnits().size(), units + 1);
        } else if (step.startsWith("tap ")) {
            TEST_STEP(tapUnit(step.mid(4)));
        } else if (step == "delete") {
            TEST_STEP(editColumn());
            QVERIFY2(screen->tapShown("deleteUnitButton"), "tap");
            std::shared_ptr<DialogController> dialogs = page->application()->dialogController();
            QTRY_VERIFY(dialogs->messageBoxActive());
            QCOMPARE(dialogs->messageBoxTitle(), QString("Delete Unit 2"));
            QQuickItem* yes = nullptr;
            QTRY_VERIFY((yes = screen->shownWith("label", QString("Yes"))) != nullptr);
            QVERIFY(screen->tapAtRest(yes));
            QTRY_VERIFY(!dialogs->messageBoxActive());
            TEST_STEP(finishEdit());
            QCOMPARE(current()->rockUnits().size(), units - 1);
        } else if (step == "reorder") {
            QVERIFY(screen->type("dipField", "50"));
            QVERIFY(screen->type("azimuthField", "120"));
            QTRY_VERIFY(screen->shownProperty("saveButton", "enabled").toBool());
            TEST_STEP(editColumn());
            // Selected in the editor, between its handle and its colour.
            QQuickItem* row = nullptr;
            QTRY_VERIFY((row = unitRow("Unit 3")) != nullptr);
            QQuickItem* handle = row->findChild<QQuickItem*>("dragHandle");
            QVERIFY(handle);
            QVERIFY(screen->tapAtRest(row, (handle->x() + handle->width() + 2) / row->width(), 0.5));
            QTRY_COMPARE(outlined(), QStringList{"Unit 3"});
            // No reading is taken while the outline marks a unit to edit.
            QCOMPARE(screen->shownProperty("saveButton", "enabled"), QVariant(false));
            // The last row's handle dragged onto the first row.
            const QList<QQuickItem*> handles = screen->named("dragHandle", column());
            QQuickItem* last = nullptr;
            QQuickItem* first = nullptr;
            for (QQuickItem* handle : handles) {
                if (!test::ProgramScreen::onScreen(handle))
                    continue;
                if (!first || handle->mapToScene(QPointF()).y() < first->mapToScene(QPointF()).y())
                    first = handle;
                if (!last || handle->mapToScene(QPointF()).y() > last->mapToScene(QPointF()).y())
                    last = handle;
            }
            QVERIFY(first && last && first != last);
            const QPoint from = last->mapToScene(QPointF(last->width() / 2, last->height() / 2)).toPoint();
            const QPoint to = first->mapToScene(QPointF(first->width() / 2, first->height() / 2)).toPoint();
            QTest::mousePress(window(), Qt::LeftButton, {}, from);
            for (int i = 1; i <= 10; ++i)
                QTest::mouseMove(window(), from + (to - from) * i / 10);
            QTest::mouseRelease(window(), Qt::LeftButton, {}, to);
            TEST_STEP(finishEdit());
            QCOMPARE(current()->rockUnits().front().name, QString("Unit 3"));
        } else if (step == "switch") {
            for (int i = 0; i < ModelManager::instance()->projectCount(); ++i) {
                if (ModelManager::instance()->projectAt(i)->name() == "Other")
                    ModelManager::instance()->setCurrentProject(ModelManager::instance()->projectAt(i));
            }
            QCOMPARE(current()->name(), QString("Other"));
            TEST_STEP(openClino());
        }

        QTRY_COMPARE(outlined(), QStringList{expected});
        const int unit = unitNamed(*current(), expected);
        QCOMPARE(ModelManager::instance()->currentRockUnit(), unit);

        const QString comment = QString(step).remove(QLatin1Char(' ')).toLower();
        QVERIFY(screen->type("dipField", "50"));
        QVERIFY(screen->type("azimuthField", "120"));
        QVERIFY(screen->type("commentField", comment));
        QVERIFY2(screen->tapShown("saveButton"), "tap");
        const QString database = current()->folder().absoluteFilePath("main.db");
        std::optional<QZProtoBuffers::Data> saved;
        QTRY_VERIFY((saved = storedWith(database, comment)).has_value());
        QCOMPARE(int(saved->unitid()), unit);
        QCOMPARE(outlined(), QStringList{expected});
    }

    // The clino dial's lineation points along the azimuth typed for it, as
    // the notebook's dial and the map draw it.
    void typedLineationPointsTheDialsSymbol_data()
    {
        QTest::addColumn<QString>("azimuth");
        QTest::addColumn<bool>("tapDial");
        QTest::newRow("000") << "000" << false;
        QTest::newRow("090") << "090" << false;
        QTest::newRow("180") << "180" << false;
        QTest::newRow("300") << "300" << false;
        // The sensors deliver nothing here: the resumed dial keeps what was typed.
        QTest::newRow("300, then a tap on the dial") << "300" << true;
    }

    void typedLineationPointsTheDialsSymbol()
    {
        QFETCH(QString, azimuth);
        QFETCH(bool, tapDial);
        TEST_STEP(openClino());
        ModelManager::instance()->setCurrentSymbol(LineSymbol);
        QTRY_COMPARE(screen->shownProperty("dipLabel", "text").toString(), QString("plunge"));
        QVERIFY(screen->type("dipField", "30"));
        QVERIFY(screen->type("azimuthField", azimuth));
        QQuickItem* dial = screen->shown("clino");
        QVERIFY(dial);
        if (tapDial) {
            // The silent source's own rotation (north) is no reading to show.
            page->application()->compassClino()->setLineSymbolRotation(0.0);
            // In the middle, away from the line's point that a tap would drag.
            QTRY_VERIFY(!dial->property("isUpdating").toBool());
            QVERIFY(screen->tapAtRest(dial));
            QTRY_VERIFY(dial->property("isUpdating").toBool());
        }
        // A dial that follows the device draws its symbol red.
        const QColor symbol = tapDial ? Red : Black;
        const double typed = azimuth.toDouble();
        QTRY_COMPARE(dial->property("lineSymbolRotation").toDouble(), typed);

        const QPointF centre = dial->mapToScene(QPointF(dial->width() / 2, dial->height() / 2));
        const double reach = dial->width() * 0.2;
        const auto along = [&](double degrees) {
            const double a = qDegreesToRadians(degrees);
            return centre + QPointF(reach * std::sin(a), -reach * std::cos(a));
        };
        QTRY_VERIFY(test::pixelsLike(page->grab(), test::squareAround(along(typed), 3), symbol, 60) > 0);
        const QImage shot = page->grab();
        QVERIFY(test::pixelsLike(shot, test::squareAround(along(typed + 180), 3), symbol, 60) > 0);
        QCOMPARE(test::pixelsLike(shot, test::squareAround(along(typed + 90), 3), symbol, 60), 0);
        QCOMPARE(test::pixelsLike(shot, test::squareAround(along(typed - 90), 3), symbol, 60), 0);
    }

    // A reading typed without Return enables Save, shows on the dial and is
    // saved as typed; after a save the next one needs no tap on the dial
    // either (this machine has no orientation sensors).
    void typedReadingsNeedNoTapOnTheDial_data()
    {
        QTest::addColumn<bool>("compassMode");
        QTest::addColumn<QStringList>("typed"); // field and text, in turn
        QTest::addColumn<QVariantMap>("dialShows");
        QTest::addColumn<double>("dip"); // -1 for a sighting
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<QString>("waits"); // what Save says while it waits for a reading
        const QString clino = "Tap the clinometer or type a reading to save";
        QTest::newRow("clino: dip and azimuth")
            << false << QStringList{"dipField", "25", "azimuthField", "080"}
            << QVariantMap{{"dip", 25.0}, {"azimuth", 80.0}} << 25.0 << 80.0 << clino;
        QTest::newRow("compass: heading")
            << true << QStringList{"headingField", "135"} << QVariantMap{{"heading", 135.0}} << -1.0 << 135.0
            << "Tap the compass or type a heading to save";
        // The dial frozen by a tap, then its dip dragged the first time; the
        // second save takes what the dial holds. -2: the reading the dial shows.
        QTest::newRow("dial: clino dip dragged")
            << false << QStringList{"clino", "drag"} << QVariantMap{} << -2.0 << -2.0 << clino;
    }

    void typedReadingsNeedNoTapOnTheDial()
    {
        QFETCH(bool, compassMode);
        QFETCH(QStringList, typed);
        QFETCH(QVariantMap, dialShows);
        QFETCH(double, dip);
        QFETCH(double, azimuth);
        QFETCH(QString, waits);
        TEST_STEP(openClino(compassMode));
        ModelManager::instance()->setCurrentSymbol(PlaneSymbol);
        QQuickItem* save = screen->shown("saveButton");
        QQuickItem* dial = screen->shown(compassMode ? "compass" : "clino");
        QVERIFY(save && dial);
        for (int round = 1; round <= 2; ++round) {
            for (int i = 0; i + 1 < typed.size(); i += 2) {
                if (typed[i + 1] != "drag") {
                    QVERIFY(screen->type(typed[i], typed[i + 1], false));
                    continue;
                }
                if (dial->property("isUpdating").toBool())
                    QVERIFY(screen->tapAtRest(dial));
                QTRY_VERIFY(!dial->property("isUpdating").toBool());
                if (round > 1)
                    continue;
                // From the centre along the dip direction: a steeper dip.
                const double before = dial->property("dip").toDouble();
                const double towards = qDegreesToRadians(dial->property("azimuth").toDouble());
                const QPointF centre = dial->mapToScene(QPointF(dial->width() / 2, dial->height() / 2));
                const QPointF step = QPointF(std::sin(towards), -std::cos(towards)) * dial->width() * 0.02;
                QTest::mousePress(window(), Qt::LeftButton, {}, centre.toPoint());
                for (int move = 1; move <= 10; ++move)
                    QTest::mouseMove(window(), (centre + step * move).toPoint());
                QTest::mouseRelease(window(), Qt::LeftButton, {}, (centre + step * 10).toPoint());
                QTRY_VERIFY(dial->property("dip").toDouble() > before + 2.0);
                dip = std::round(dial->property("dip").toDouble());
                azimuth = std::round(dial->property("azimuth").toDouble());
            }
            QTRY_VERIFY(save->isEnabled());
            const QString comment = QString(QTest::currentDataTag()).left(5) + QString::number(round);
            QVERIFY(screen->type("commentField", comment, false));
            for (auto shown = dialShows.cbegin(); shown != dialShows.cend(); ++shown)
                QTRY_COMPARE(dial->property(shown.key().toLatin1()).toDouble(), shown.value().toDouble());
            QVERIFY(screen->tapAtRest(save));
            const QString database = current()->folder().absoluteFilePath("main.db");
            std::optional<QZProtoBuffers::Data> saved;
            QTRY_VERIFY((saved = storedWith(database, comment)).has_value());
            QCOMPARE(double(saved->dip_azimuth()), azimuth);
            if (dip >= 0)
                QCOMPARE(double(saved->dip()), dip);
            // Saved: the instrument runs again until the next reading is typed.
            QTRY_VERIFY(!save->isEnabled());
            QQuickItem* hint = screen->shown("saveHint");
            QVERIFY(hint);
            QCOMPARE(hint->property("text").toString(), waits);
        }
    }
};

int main(int argc, char* argv[])
{
    // As the program runs on Linux: the map draws on the GUI thread.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestFieldReadings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fieldreadings_gl.moc"
