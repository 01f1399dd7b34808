#include "Database/Quarzel.pb.h"
#include "app/DialogController.h"
#include "app/MainView.h"
#include "drawing/RasterSketcher.h"
#include "geo/ImageLayer.h"
#include "map/AnnotationRenderItem.h"
#include "geo/ImageLayer.h"
#include "geo/MapNode.h"
#include "map/GLRender.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/LocalityRenderItems.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "map/PointDataRenderItem.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/GeoTestData.h"
#include "support/MapPageStart.h"
#include "support/MessageLog.h"
#include "support/ScriptedLocationManager.h"
#include "support/TestStep.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QScopeGuard>
#include <QtTest>

#include <algorithm>
#include <map>
#include <set>

using namespace kiv;
using test::centreOf;
using test::findItem;
using test::findItems;

namespace {
const double Lon = 7.0;
const double Lat = 46.0;
// Wider than the map beside an open notebook.
const QString Attribution = "\u00a9 Loopback <b>Tiles</b>" + QString(" and its contributors").repeated(30);
// Typed with markup characters and a line break: shown and stored as typed.
const QString MarkupText = QStringLiteral("Line one <b>& \"x\", y\nsecond line");

// The project's entry with that comment.
std::shared_ptr<Data> dataWith(const QString& comment)
{
    const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
    for (const auto& locality : project->localities()) {
        for (const auto& data : locality->data()) {
            if (data->comment() == comment)
                return data;
        }
    }
    return nullptr;
}

QList<QQuickItem*> everyItem(QQuickItem* under)
{
    QList<QQuickItem*> items{under};
    for (QQuickItem* child : under->childItems())
        items << everyItem(child);
    return items;
}

// The comment of an entry as main.db holds it.
QString storedComment(const std::string& id)
{
    const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
    for (const std::string& bytes : test::tableMessages(database, "data")) {
        QZProtoBuffers::Data datum;
        if (datum.ParseFromString(bytes) && datum.dataid() == id)
            return QString::fromStdString(datum.comment());
    }
    return QString();
}

// The latitude and altitude of an entry as main.db holds them; NaN when it is not there.
std::pair<double, double> storedPosition(const std::string& id)
{
    const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
    for (const std::string& bytes : test::tableMessages(database, "data")) {
        QZProtoBuffers::Data datum;
        if (datum.ParseFromString(bytes) && datum.dataid() == id)
            return {datum.position().latitude(), datum.position().altitude()};
    }
    return {qQNaN(), qQNaN()};
}
} // namespace

// The program in this process, used as a geologist uses it in the field.
class TestFieldDay : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::MapPageStart> page;

    QQuickWindow* window() const { return page->window(); }
    test::ProgramScreen screen() const { return page->screen(); }
    QQuickItem* root() const { return window()->contentItem(); }
    QQuickItem* reticle() const { return findItem(root(), "temporaryItem"); }
    QPointF reticleCentre() const { return reticle()->property("screenPosition").toPointF(); }

    // Three localities: three planes, two planes, and an empty current one
    // that takes the readings saved with the clino.
    void storeProject()
    {
        test::resetModelManager();
        std::shared_ptr<Project> project = page->storeProject(
            "Field", "field.qz", {{1, "Granite", QColor("#cc3333")}, {2, "Schist", QColor("#3333cc")}});
        QVERIFY(project);
        std::shared_ptr<Locality> current;
        for (int l = 0; l < 3; ++l) {
            auto locality = test::MapPageStart::storeLocality(*project, 0xa0 + l, Lon + 0.01 * l, Lat);
            QVERIFY(locality);
            for (int i = 0; i < 3 - l && l < 2; ++i)
                QVERIFY(project->syncDataDetails(locality->addPlane(test::idOf(0xc0 + 0x10 * l + i), Lat,
                                                                    Lon + 0.01 * l + 0.002 * i, 30.0f + i,
                                                                    120.0f, 1, 1, "")));
            current = locality;
        }
        // A lineation, whose callout reads wider than a plane's.
        QVERIFY(project->syncDataDetails(project->locality(test::idOf(0xa1))->addLineation(
            LineationId, Lat + 0.004, Lon + 0.01, 17.0f, 250.0f, 1, 9, "")));
        // A note and a photo in the first locality, whose name is typed with markup.
        const std::shared_ptr<Locality> first = project->locality(test::idOf(0xa0));
        first->setName("Ridge <i>north</i> & co");
        QVERIFY(project->syncLocalityDetails(first.get()));
        QVERIFY(project->syncDataDetails(first->addAnnotation(NoteId, Lat - 0.004, Lon - 0.004, MarkupText)));
        QVERIFY(QDir().mkpath(project->folder().absoluteFilePath("images")));
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(project->folder().absoluteFilePath("images/outcrop.jpg")));
        QVERIFY(project->syncDataDetails(
            first->addImage(PhotoId, Lat - 0.004, Lon, 45.0f, "outcrop.jpg", "outcrop", QString(), QString())));
        test::MapPageStart::openOnStart(std::move(project), std::move(current));
    }

    const std::string NoteId = test::idOf(0xe0);
    const std::string LineationId = test::idOf(0xd8);
    const std::string PhotoId = test::idOf(0xe1);

    void tap(QQuickItem* item, QPointF at = QPointF(-1, -1)) { QVERIFY(screen().tap(item, at)); }
    void openTool(const QString& label, const char* panel) { QVERIFY(screen().openTool(label, panel)); }

    // Holds the finger on the map until the press counts as long.
    void longPress(const QPoint& at)
    {
        QVERIFY(page->cameraAtRest());
        QTest::mousePress(window(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(reticleCentre(), QPointF(at));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, at);
    }

    void reticleShownAt(const QPointF& at)
    {
        QTRY_VERIFY(reticle()->isVisible() && reticle()->opacity() == 1.0);
        QCOMPARE(reticleCentre(), at);
        QTRY_COMPARE(reticle()->mapToScene(QPointF(reticle()->width() / 2, reticle()->height() / 2)), at);
    }

    QPointF geoOf(const QPointF& screen) const
    {
        double lon = 0.0, lat = 0.0;
        page->mapView()->scene()->screenToGeo(screen.x(), screen.y(), lon, lat);
        return QPointF(lon, lat);
    }

    QQuickItem* notebook() const { return screen().notebook(); }
    int rowOf(const std::string& id) const { return screen().notebookRow(QString::fromStdString(id)); }

    // What the details show: the entry's id, or empty.
    QString shownId() const
    {
        const QVariant row = findItem(notebook(), "details")->property("row");
        return row.isNull() ? QString() : row.toMap().value("dataId").toString();
    }

    void selectEntry(const std::string& id)
    {
        TEST_STEP(openTool("Notebook", "dataTool"));
        QQuickItem* list = findItem(notebook(), "dataList");
        QVERIFY(list);
        list->setProperty("currentIndex", -1);
        // Earlier rows may have added entries above it.
        QQuickItem* cell = nullptr;
        QTRY_VERIFY((cell = shownCell(id)) != nullptr);
        TEST_STEP(tap(cell));
        QTRY_COMPARE(shownId(), QString::fromStdString(id));
        QTRY_VERIFY(findItem(notebook(), "pointDetails") != nullptr);
    }

    // A tap on the entry's symbol, with the entry right of the notebook.
    void selectOnMap(const Data& data)
    {
        TEST_STEP(openTool("Notebook", "dataTool"));
        QQuickItem* list = findItem(notebook(), "dataList");
        QVERIFY(list);
        list->setProperty("currentIndex", -1);
        QTRY_COMPARE(shownId(), QString());
        QTRY_COMPARE(page->mapView()->selectedItemId(), QString());
        QVERIFY(page->lookAt(data.longitude() - 0.012, data.latitude(), 3000.0));
        QVERIFY(page->tapOnMap(data.longitude(), data.latitude()));
        QTRY_COMPARE(shownId(), QString::fromStdString(data.id()));
        QTRY_VERIFY(findItem(notebook(), "pointDetails") != nullptr);
    }

    QQuickItem* detailButton(const QString& label) const
    {
        return findItem(findItem(notebook(), "detailToolBar"), "toolBarButton_" + label);
    }

    // Puts the camera over the entry so that it shows at `at`; false when the camera did not rest there.
    [[nodiscard]] bool showEntryAt(const Data& data, const QPointF& at)
    {
        return showEntryAt(QPointF(data.longitude(), data.latitude()), at);
    }

    [[nodiscard]] bool showEntryAt(const QPointF& place, const QPointF& at, double altitude = 3000.0)
    {
        if (!page->lookAt(place.x(), place.y(), altitude))
            return false;
        GLRender* scene = page->mapView()->scene();
        const QPointF centre(window()->width() / 2.0, window()->height() / 2.0);
        const osg::Vec3d shift = scene->screenToWorld(at.x(), at.y()) - scene->screenToWorld(centre.x(), centre.y());
        MapCameraManipulator& camera = scene->cameraManipulator();
        camera.setPosition(camera.position() - osg::Vec3d(shift.x(), shift.y(), 0.0));
        scene->updateCamera();
        return page->cameraAtRest();
    }

    // Once the camera rests: the selected entry and its callout's balloon lie
    // inside the free map area, beside any open panel and inside the window.
    [[nodiscard]] bool shownInFreeArea(const Data& data) const
    {
        return shownInFreeArea(std::vector<QPointF>{{data.longitude(), data.latitude()}});
    }

    // Every place (longitude, latitude) of the selection and its balloon.
    [[nodiscard]] bool shownInFreeArea(const std::vector<QPointF>& places) const
    {
        if (!page->cameraAtRest())
            return false;
        QQuickItem* shown = findItem(root(), "callout");
        // Drawn through its shadow: the balloon itself is never visible.
        QQuickItem* balloon = findItem(shown, "balloon");
        const QRectF free = page->mapView()->visibleArea() & QRectF(QPointF(), QSizeF(window()->size()));
        QPointF entry;
        QRectF callout;
        const bool inside = QTest::qWaitFor([&] {
            const bool placed = std::all_of(places.begin(), places.end(), [&](const QPointF& place) {
                entry = page->screenOf(place.x(), place.y());
                return free.contains(entry);
            });
            callout = balloon ? balloon->mapRectToScene(QRectF(0, 0, balloon->width(), balloon->height())) : QRectF();
            return balloon && shown->isVisible() && placed && free.contains(callout);
        }, 3000);
        if (!inside)
            qWarning() << "outside the free area" << free << "entry" << entry << "callout" << callout;
        return inside;
    }

    // Through the symbol dialog, as the user picks one.
    void pickSymbol(const QString& name)
    {
        TEST_STEP(tap(findItem(notebook(), "symbolButton")));
        DialogController* dialogs = page->application()->dialogController().get();
        QTRY_COMPARE(dialogs->customDialogType(), QString("SymbolSelectionDialog.qml"));
        QTRY_VERIFY(dialogs->customDialog() && dialogs->customDialog()->property("opacity").toReal() == 1.0);
        QQuickItem* row = nullptr;
        for (QQuickItem* item : findItems(qobject_cast<QQuickItem*>(dialogs->customDialog()), QString())) {
            if (item->property("symbolName").toString() == name)
                row = item;
        }
        TEST_STEP(tap(row));
        QTRY_VERIFY(!dialogs->customDialogActive());
    }

    struct Reading
    {
        int symbol;
        int unit;
        QString comment;
        double latitude;
        double longitude;
        bool operator==(const Reading& other) const
        {
            return symbol == other.symbol && unit == other.unit && comment == other.comment
                   && latitude == other.latitude && longitude == other.longitude;
        }
    };

    static Reading readingOf(const Data& data)
    {
        return {data.symbolId(), data.unitId(), data.comment(), data.latitude(), data.longitude()};
    }

    // Ids of the readings the clino saved, oldest first.
    std::vector<std::string> clinoIds;
    // When the stereonet last saved its picture.
    qint64 lastPicture = 0;

    QQuickItem* lineTool() const { return findItem(root(), "lineTool"); }
    QObject* lineManager() const { return lineTool()->property("manager").value<QObject*>(); }

    static QRectF sceneRect(const QQuickItem* item)
    {
        return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    }

    // Top first, as the user sees them.
    static void sortByTop(QList<QQuickItem*>& items)
    {
        std::sort(items.begin(), items.end(), [](QQuickItem* a, QQuickItem* b) {
            return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
        });
    }

    // A finger from the centre of one item to the centre of another.
    void drag(const QQuickItem* from, const QQuickItem* to) const
    {
        drag(sceneRect(from).center().toPoint(), sceneRect(to).center().toPoint());
    }

    void drag(const QPoint& start, const QPoint& end) const
    {
        QTest::mousePress(window(), Qt::LeftButton, {}, start);
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(window(), start + (end - start) * i / 10);
        QTest::mouseRelease(window(), Qt::LeftButton, {}, end);
    }

    // The sketch screen shows its controls and its page whole, clear of the
    // position bar, and Help whole beside the bar; then the notebook is back.
    // At the scale of a 96 dpi screen Help reaches up past the bar at
    // 1280x800. With a size, the window takes it while the sketch is open.
    void checkSketchScreen(const QSize& resized = QSize())
    {
        auto* manager = page->application();
        const double scale = manager->logicalToPhysicalMultiplier();
        manager->setLogicalToPhysicalMultiplier(1.0);
        // The position bar shows while there is a location manager.
        test::ScriptedLocationManager location;
        const bool withoutLocation = !manager->locationManager();
        if (withoutLocation)
            manager->setSensors(&location, manager->compassClino());
        QQuickItem* sketchTool = findItem(root(), "sketchTool");
        const auto restore = qScopeGuard([&] {
            if (sketchTool->property("shown").toBool())
                QMetaObject::invokeMethod(sketchTool, "exit");
            if (withoutLocation)
                manager->setSensors(nullptr, manager->compassClino());
            manager->setLogicalToPhysicalMultiplier(scale);
        });
        TEST_STEP(openTool("Notebook", "dataTool"));
        TEST_STEP(tap(findItem(notebook(), "toolBarButton_addPhoto")));
        QVERIFY(screen().tapShown("add_Sketch"));
        QTRY_VERIFY(sketchTool->property("shown").toBool() && findItem(sketchTool, "sketcher")->width() > 0);
        if (resized.isValid())
            QVERIFY(resizeTo(resized));
        const QRectF shown(QPointF(0, 0), QSizeF(window()->size()));
        QQuickItem* locationBar = findItem(root(), "locationTool");
        QTRY_VERIFY(locationBar->isVisible());
        const QRectF bar = sceneRect(locationBar);
        QList<QRectF> covering{sceneRect(sketchTool)};
        QQuickItem* strip = findItem(sketchTool, "footStrip");
        if (strip && strip->isVisible())
            covering << sceneRect(strip);
        for (QQuickItem* control : findItem(sketchTool, "controls")->childItems()) {
            const QRectF rect = sceneRect(control);
            if (rect.isEmpty())
                continue;
            QVERIFY2(shown.contains(rect) && !rect.intersects(bar), qPrintable(control->objectName()));
        }
        auto* sketcher = qobject_cast<RasterSketcher*>(findItem(sketchTool, "sketcher"));
        const QRectF page(sketcher->mapToScene(QPointF()), QSizeF(sketcher->layer().size()) * sketcher->viewScale());
        QVERIFY2(sceneRect(sketcher).adjusted(-0.5, -0.5, 0.5, 0.5).contains(page) && shown.contains(page)
                     && !page.intersects(bar),
                 qPrintable(QString("%1x%2").arg(page.width()).arg(page.height())));
        // The thin tool bar shows only the button's square.
        QQuickItem* help = findItem(findItem(root(), "toolBar"), "helpButton");
        const QRectF square(help->mapToScene(QPointF(0, 0)), QSizeF(help->height(), help->height()));
        QVERIFY(shown.contains(square) && !square.intersects(bar));
        for (const QRectF& rect : covering)
            QVERIFY2(!square.intersects(rect), qPrintable(QString("%1 %2").arg(square.top()).arg(rect.bottom())));
        test::ProgramScreen::shoot("sketch-" + QString(QTest::currentDataTag()).replace(' ', '-'));
        TEST_STEP(tap(findItem(sketchTool, "backButton")));
        QTRY_VERIFY(!sketchTool->property("shown").toBool());
    }

    // A strat column's header, then "Edit".
    void openStratEditor(QQuickItem* strat)
    {
        QVERIFY(screen().tapAtRest(strat, 0.5, 0.05));
        QTRY_COMPARE(strat->state(), QString("EXPANDED"));
        QQuickItem* edit = nullptr;
        QTRY_VERIFY((edit = screen().shownWith("label", QString("Edit"), strat)) != nullptr);
        QVERIFY(screen().tapAtRest(edit));
        QTRY_COMPARE(strat->state(), QString("EDITING"));
    }

    // The window at that size once the map has taken it.
    bool resizeTo(const QSize& size) const
    {
        window()->resize(size);
        GLRender* scene = page->mapView()->scene();
        // The window reports its size before the resize reaches the scene's viewport.
        return QTest::qWaitFor([&] {
            const osg::Viewport* viewport = scene->camera()->getViewport();
            return scene->windowSize() == size * window()->devicePixelRatio() && viewport
                   && QSizeF(viewport->width(), viewport->height()) == QSizeF(scene->windowSize());
        });
    }

    MapCameraManipulator& camera() const { return page->mapView()->scene()->cameraManipulator(); }

    // The first line of the current project.
    std::shared_ptr<LineData2D> firstLine() const
    {
        for (const auto& locality : ModelManager::instance()->currentProject()->localities()) {
            if (!locality->lines().empty())
                return locality->lines().front();
        }
        return nullptr;
    }

    // Vertex handles the map has built for that line.
    int handlesShown(const std::string& lineId) const
    {
        int handles = 0;
        for (const auto& item : page->mapView()->scene()->renderItems()) {
            const auto points = std::dynamic_pointer_cast<LinePointRenderItem>(item);
            if (!points || points->isDirty())
                continue;
            for (const auto& element : points->elements())
                handles += element->id().rfind(lineId + "/point/", 0) == 0 ? 1 : 0;
        }
        return handles;
    }

    // The rock unit names main.db holds, in order.
    QStringList storedUnits() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        QStringList names;
        for (const std::string& bytes : test::tableMessages(database, "project")) {
            QZProtoBuffers::Project record;
            if (record.ParseFromString(bytes)) {
                for (const auto& unit : record.rockunit())
                    names << QString::fromStdString(unit.unitname());
            }
        }
        return names;
    }

    // Every datum's and line's unit id as main.db holds them, by id.
    std::map<std::string, int> storedDataUnits() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        std::map<std::string, int> units;
        for (const std::string& bytes : test::tableMessages(database, "data")) {
            QZProtoBuffers::Data datum;
            if (datum.ParseFromString(bytes))
                units[datum.dataid()] = int(datum.unitid());
        }
        for (const std::string& bytes : test::tableMessages(database, "linedata")) {
            QZProtoBuffers::LineData2D line;
            if (line.ParseFromString(bytes))
                units[line.dataid()] = int(line.unitid());
        }
        return units;
    }

    // The rock unit ids main.db holds.
    QSet<int> storedUnitIds() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        QSet<int> ids;
        const QZProtoBuffers::Project record = test::storedProjectRecord(database);
        for (const auto& unit : record.rockunit())
            ids.insert(int(unit.unitid()));
        return ids;
    }

    // Every record main.db holds, table by table.
    std::vector<std::string> storedRecords() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        std::vector<std::string> records;
        for (const char* table : {"project", "localities", "data", "linedata"}) {
            const std::vector<std::string> rows = test::tableMessages(database, table);
            records.insert(records.end(), rows.begin(), rows.end());
        }
        return records;
    }

    // The column's items of that name that show inside its list, top first.
    static QList<QQuickItem*> shownInList(QQuickItem* strat, const QString& name)
    {
        const QRectF list = sceneRect(findItem(strat, "unitList"));
        QList<QQuickItem*> shown;
        for (QQuickItem* item : findItems(strat, name)) {
            if (item->isVisible() && list.contains(sceneRect(item).center()))
                shown << item;
        }
        sortByTop(shown);
        return shown;
    }

    // Opens the column of that panel: the notebook's for the plane 0xd0.
    void openStratColumn(const QString& panel, QPointer<QQuickItem>& strat)
    {
        if (panel == "notebook") {
            TEST_STEP(selectEntry(test::idOf(0xd0)));
            strat = findItem(findItem(notebook(), "pointDetails"), "unitChoice");
        } else if (panel == "clino") {
            TEST_STEP(openTool("Clino", "clinoTool"));
            strat = findItem(findItem(root(), "clinoTool"), "stratColumn");
            QQuickItem* mode = findItem(root(), "modeButton");
            if (!strat->isEnabled())
                TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
            QTRY_VERIFY(strat->isEnabled());
        } else {
            TEST_STEP(openTool("Line", "lineTool"));
            strat = findItem(lineTool(), "rockUnits");
        }
        QVERIFY(strat);
    }

    // In the column's editor the first row's name typed over the second's.
    void typeTakenName(QQuickItem* strat, QString& taken, QQuickItem*& input)
    {
        TEST_STEP(openStratEditor(strat));
        const QList<QQuickItem*> fields = shownInList(strat, "unitNameField");
        QVERIFY(fields.size() >= 2);
        taken = fields[0]->property("text").toString();
        QVERIFY(screen().tapAtRest(fields[1]));
        input = fields[1]->findChild<QQuickItem*>("input");
        QTRY_VERIFY(input->hasActiveFocus());
        QTest::keyClick(window(), Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : taken)
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(input->property("text").toString(), taken);
    }

    // "+" in the column's editor, the new unit given another's name, "Done" refused.
    void addedUnitTakesAName(QQuickItem* strat, QQuickItem*& input)
    {
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        TEST_STEP(openStratEditor(strat));
        QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
        QTRY_COMPARE(int(project->stratColumnModel()->workingCopy().size()), int(project->rockUnits().size()) + 1);
        const int added = project->stratColumnModel()->workingCopy().back().id;
        QTRY_COMPARE(strat->property("outlinedUnit").toInt(), added);
        QQuickItem* row = nullptr;
        QTRY_VERIFY((row = shownRow(strat, project->stratColumnModel()->unitNameById(added))) != nullptr);
        QQuickItem* field = row->findChild<QQuickItem*>("unitNameField");
        QVERIFY(screen().tapAtRest(field));
        input = field->findChild<QQuickItem*>("input");
        QTRY_VERIFY(input->hasActiveFocus());
        QTest::keyClick(window(), Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : project->rockUnits().front().name)
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        clearToasts();
        QQuickItem* done = screen().shownWith("label", QString("Done"), strat);
        QVERIFY(done && screen().tapAtRest(done));
        QTRY_VERIFY(toasted("Unit names must be unique"));
        QCOMPARE(strat->state(), QString("EDITING"));
    }

    // A base map added in the layer tool, its opacity slider dragged and let go.
    // A new layer's opacity dragged down: stored where the slider settles,
    // without OK. `then` "Cancel" puts the old one back; "storage locked"
    // makes the save fail, which puts the slider back; "beside" turns the wheel
    // over the popup and beside it, then taps beside it. `opacity` is what the
    // project is to hold.
    void dragLayerOpacity(double& opacity, const QString& then)
    {
        TEST_STEP(openTool("Layers", "layerTool"));
        QQuickItem* layers = findItem(root(), "layerTool");
        QObject* manager = layers->property("manager").value<QObject*>();
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const QString path = documents.filePath("faded.tif");
        QVERIFY(test::writeRaster(path, test::colouredRaster(Lon - 0.02, Lat - 0.01, Lon + 0.02, Lat + 0.01, Qt::gray)));
        const size_t before = project->baseMaps().size();
        QVERIFY(QMetaObject::invokeMethod(manager, "addLayer", Q_ARG(QUrl, QUrl::fromLocalFile(path)), Q_ARG(int, 0)));
        QTRY_COMPARE(project->baseMaps().size(), before + 1);
        QTRY_VERIFY(!findItem(root(), "inputBlocker")->isVisible());
        QList<QQuickItem*> buttons;
        QTRY_VERIFY(!(buttons = screen().named("opacityButton", layers)).isEmpty());
        sortByTop(buttons);
        QVERIFY(screen().tapAtRest(buttons.front()));
        QQuickItem* popup = findItem(root(), "opacityPopup");
        QTRY_VERIFY(popup->isVisible());
        QQuickItem* slider = findItem(popup, "opacitySlider");
        const QString database = project->folder().absoluteFilePath("main.db");
        const auto stored = [&] { return test::storedProjectRecord(database).basemap(0).opacity(); };
        const auto shownOpacity = [&] {
            return page->mapView()->scene()->baseMapLayer(project->baseMaps().front().location)->getOpacity();
        };
        const double held = stored();
        std::unique_ptr<test::DatabaseLock> lock;
        if (then == "storage locked")
            lock = std::make_unique<test::DatabaseLock>(database, "EXCLUSIVE");
        const QPoint from = slider->mapToScene(QPointF(slider->width() * 0.9, slider->height() / 2)).toPoint();
        const QPoint to = slider->mapToScene(QPointF(slider->width() * 0.3, slider->height() / 2)).toPoint();
        QTest::mousePress(window(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(window(), from + (to - from) * step / 6);
        QTest::mouseRelease(window(), Qt::LeftButton, {}, to);
        if (lock) {
            QTRY_VERIFY_WITH_TIMEOUT(toasted("Failed to save project"), 20000);
            lock.reset();
            opacity = held;
            QCOMPARE(slider->property("value").toDouble(), held);
        } else {
            opacity = slider->property("value").toDouble();
            QVERIFY(opacity > 0.0 && opacity < 0.5);
            QCOMPARE(stored(), opacity);
        }
        if (then == "Cancel") {
            QVERIFY(screen().tapAtRest(screen().shownWith("label", QString("Cancel"), popup)));
            QTRY_VERIFY(!popup->isVisible());
            opacity = held;
        }
        if (then == "beside") {
            // Neither reaches the map: the tap only closes the popup, which
            // keeps the opacity, and the selection stays.
            const QString selected = QString::fromStdString(NoteId);
            page->mapView()->setSelectedItemId(selected);
            QVERIFY(page->cameraAtRest());
            const double altitude = camera().altitude();
            const QPoint beside(window()->width() - 40, window()->height() / 2);
            for (const QPoint& at : {centreOf(popup), beside})
                screen().spinWheel(at, 3);
            QVERIFY(!camera().isAnimating());
            QCOMPARE(camera().targetAltitude(), altitude);
            QTest::mouseClick(window(), Qt::LeftButton, {}, beside);
            QTRY_VERIFY(!popup->isVisible());
            QCOMPARE(page->mapView()->selectedItemId(), selected);
            QVERIFY(page->cameraAtRest());
            QCOMPARE(camera().altitude(), altitude);
            page->mapView()->setSelectedItemId(QString());
        }
        QCOMPARE(shownOpacity(), float(opacity));
        QCOMPARE(project->baseMaps().front().opacity, opacity);
        QCOMPARE(stored(), opacity);
    }

    // Another tool's button over a refused edit asks; "Yes" drops the edit.
    void leaveRefusedEditFor(const QString& label, const char* panel)
    {
        const auto dialogs = page->application()->dialogController();
        QVERIFY(screen().tapToolButton(label));
        QTRY_VERIFY(dialogs->messageBoxActive());
        QCOMPARE(dialogs->messageBoxMessage(),
                 QString("This unit name has unsaved changes. Are you sure you want to exit?"));
        QQuickItem* yes = nullptr;
        QTRY_VERIFY((yes = screen().shownWith("label", QString("Yes"))) != nullptr);
        QVERIFY(screen().tapAtRest(yes));
        TEST_STEP(openTool(label, panel));
    }

    // Leaving the notebook's entry over a refused edit asks: "No" keeps the
    // edit and the entry, "Yes" goes on.
    void leaveRefusedEntry(const QString& leave, QPointer<QQuickItem>& strat, QQuickItem* input, const QString& taken)
    {
        const auto dialogs = page->application()->dialogController();
        const QString id = QString::fromStdString(test::idOf(0xd0));
        const QStringList stored = storedUnits();
        for (const QString answer : {"No", "Yes"}) {
            QVERIFY(leaveEntry(leave, test::idOf(0xd0), test::idOf(0xd1)));
            QTRY_VERIFY(dialogs->messageBoxActive());
            QCOMPARE(dialogs->messageBoxMessage(),
                     QString("This unit name has unsaved changes. Are you sure you want to exit?"));
            QQuickItem* button = nullptr;
            QTRY_VERIFY((button = screen().shownWith("label", answer)) != nullptr);
            QVERIFY(screen().tapAtRest(button));
            QTRY_VERIFY(!dialogs->messageBoxActive());
            if (answer == "Yes")
                break;
            QCOMPARE(shownId(), id);
            QTRY_COMPARE(page->mapView()->selectedItemId(), id);
            QVERIFY(strat && ModelManager::instance()->currentProject()->stratColumnModel()->isEditing());
            QCOMPARE(strat->state(), QString("EDITING"));
            QCOMPARE(input->property("text").toString(), taken);
            QCOMPARE(storedUnits(), stored);
        }
        QTRY_VERIFY(shownId() != id);
        if (leave.startsWith("filter"))
            QVERIFY(showAllEntries());
        if (leave.startsWith("add menu")) {
            QTRY_VERIFY(reticle()->isVisible());
            QVERIFY(QMetaObject::invokeMethod(notebook(), "discardEntry"));
        }
    }

    void takenNameThenAdd(const QString& panel, const QString& leave)
    {
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        QPointer<QQuickItem> strat;
        TEST_STEP(openStratColumn(panel, strat));
        const QStringList stored = storedUnits();
        const std::map<std::string, int> units = storedDataUnits();
        const int current = ModelManager::instance()->currentRockUnit();
        clearToasts();
        QString taken;
        QQuickItem* input = nullptr;
        TEST_STEP(typeTakenName(strat, taken, input));
        QVERIFY(stored.contains(taken));

        if (leave == "Done") {
            QQuickItem* done = screen().shownWith("label", QString("Done"), strat);
            QVERIFY(done);
            QVERIFY(screen().tapAtRest(done));
            QTRY_VERIFY(toasted("Unit names must be unique"));
            clearToasts();
            QCOMPARE(strat->state(), QString("EDITING"));
            QCOMPARE(input->property("text").toString(), taken);
            // "+" in the editor belongs to the edit, which still cannot be saved.
            QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
            // The new row scrolls into view, outlined; neither that nor a
            // tap on it gives an entry a unit that is not stored.
            TEST_STEP(unitsAreStored());
            // An entry given a unit rebuilds its details, column and all.
            const auto rows = [&] { return strat ? findItem(strat, "unitList")->property("count").toInt() : -1; };
            QTRY_COMPARE(rows(), stored.size() + 1);
            const int fresh = project->stratColumnModel()->workingCopy().back().id;
            QTRY_COMPARE(strat->property("outlinedUnit").toInt(), fresh);
            QQuickItem* row = nullptr;
            QTRY_VERIFY((row = shownRow(strat, project->stratColumnModel()->unitNameById(fresh))) != nullptr);
            TEST_STEP(tapRow(row));
            QCOMPARE(strat->property("outlinedUnit").toInt(), fresh);
            QCOMPARE(storedUnits(), stored);
            QCOMPARE(storedDataUnits(), units);
            TEST_STEP(unitsAreStored());
            QCOMPARE(ModelManager::instance()->currentRockUnit(), current);
            TEST_STEP(leaveRefusedEditFor(panel == "notebook" ? "Line" : "Notebook",
                                          panel == "notebook" ? "lineTool" : "dataTool"));
        } else if (leave == "another tool") {
            TEST_STEP(leaveRefusedEditFor(panel == "notebook" ? "Line" : "Notebook",
                                          panel == "notebook" ? "lineTool" : "dataTool"));
        } else {
            TEST_STEP(leaveRefusedEntry(leave, strat, input, taken));
        }
        QTRY_VERIFY(toasted("Unit names must be unique"));
        QTRY_VERIFY(!project->stratColumnModel()->isEditing());
        QCOMPARE(storedUnits(), stored);
        QCOMPARE(storedDataUnits(), units);
        QCOMPARE(ModelManager::instance()->currentRockUnit(), current);

        // Back in the panel: the column shows what is stored, and "+" stores a unit.
        TEST_STEP(openStratColumn(panel, strat));
        QTRY_COMPARE(findItem(strat, "unitList")->property("count").toInt(), stored.size());
        // Rows made anew get their names when the list lays them out.
        QStringList shown;
        const auto showsStored = [&] {
            shown.clear();
            for (QQuickItem* label : shownInList(strat, "unitNameLabel"))
                shown << label->property("text").toString();
            return !shown.isEmpty() && stored.join('\n').contains(shown.join('\n'));
        };
        QTRY_VERIFY2(showsStored(), qPrintable(shown.join(", ")));
        clearToasts();
        QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
        QTRY_COMPARE(storedUnits().size(), stored.size() + 1);
        // Shown once, in the column made anew where storing it rebuilt the details.
        if (panel == "notebook")
            strat = findItem(findItem(notebook(), "pointDetails"), "unitChoice");
        QTRY_COMPARE(findItem(strat, "unitList")->property("count").toInt(), stored.size() + 1);
        const int added = project->rockUnits().back().id;
        QVERIFY(storedUnitIds().contains(added));
        QVERIFY(!toasted("Could not add unit"));
        std::map<std::string, int> expected = units;
        if (panel == "notebook") {
            // The entry takes the new unit, as stored.
            expected[test::idOf(0xd0)] = added;
            QTRY_COMPARE(project->dataById(test::idOf(0xd0))->unitId(), added);
        } else {
            QTRY_COMPARE(ModelManager::instance()->currentRockUnit(), added);
            QCOMPARE(QSettings().value("currentRockUnit").toInt(), added);
        }
        QTRY_VERIFY(storedDataUnits() == expected);
        TEST_STEP(unitsAreStored());
    }

    // No stored entry or line has a unit main.db does not hold.
    void unitsAreStored() const
    {
        const QSet<int> ids = storedUnitIds();
        for (const auto& entry : storedDataUnits())
            QVERIFY2(entry.second <= 0 || ids.contains(entry.second), entry.first.c_str());
    }

    // The row of the column's list that shows that name, or null.
    static QQuickItem* shownRow(QQuickItem* strat, const QString& name)
    {
        for (QQuickItem* field : shownInList(strat, "unitNameField")) {
            if (field->property("text").toString() == name)
                return field->parentItem();
        }
        return nullptr;
    }

    // A tap on a row of the editor beside its name field, which would take the tap for typing.
    void tapRow(QQuickItem* row)
    {
        const QQuickItem* field = row->findChild<QQuickItem*>("unitNameField");
        QVERIFY(field);
        TEST_STEP(tap(row, QPointF(field->x() - 2, row->height() / 2)));
    }

    // A free-hand stroke across the free map area.
    void strokeOnMap(QPoint at) const
    {
        QTest::mousePress(window(), Qt::LeftButton, {}, at);
        for (int i = 0; i < 20; ++i)
            QTest::mouseMove(window(), at += QPoint(10, i % 2 == 0 ? 10 : -10));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, at);
    }

    // A unit "+" stores outside the editor, then in the editor that unit
    // deleted, another row's name typed, or a unit added there; for the line
    // panel a stroke meanwhile stores nothing and says why. "Done" then
    // stores the edit, and the unit the editor outlined is the one taken from
    // then on, stored and shown in the column: the current unit, or the
    // notebook entry's.
    void settleEdit(const QString& panel, QPointer<QQuickItem>& strat, const QString& change)
    {
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const int units = int(project->rockUnits().size());
        QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
        QTRY_COMPARE(storedUnitIds().size(), units + 1);
        const int added = project->rockUnits().back().id;
        // Storing it may rebuild the notebook's details, column and all.
        const auto column = [&] {
            if (panel == "notebook")
                strat = findItem(findItem(notebook(), "pointDetails"), "unitChoice");
            return strat ? strat->property("outlinedUnit").toInt() : -1;
        };
        QTRY_COMPARE(column(), added);
        TEST_STEP(openStratEditor(strat));
        QTRY_COMPARE(strat->property("outlinedUnit").toInt(), added);
        if (change == "unit deleted") {
            QVERIFY(screen().tapAtRest(findItem(strat, "deleteUnitButton")));
            const auto dialogs = page->application()->dialogController();
            QTRY_VERIFY(dialogs->messageBoxActive());
            QQuickItem* yes = nullptr;
            QTRY_VERIFY((yes = screen().shownWith("label", QString("Yes"))) != nullptr);
            QVERIFY(screen().tapAtRest(yes));
            QTRY_VERIFY(!dialogs->messageBoxActive());
            // Still editing: nothing the delete stores ends the edit.
            QTRY_VERIFY(strat && strat->property("outlinedUnit").toInt() != added);
        } else if (change == "unit added") {
            QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
            QTRY_VERIFY(strat && strat->property("outlinedUnit").toInt() > added);
        } else {
            // Another row outlined, its name typed and not yet taken.
            const QList<QQuickItem*> fields = shownInList(strat, "unitNameField");
            QVERIFY(!fields.isEmpty());
            TEST_STEP(tapRow(fields.front()->parentItem()));
            QTRY_VERIFY(strat->property("outlinedUnit").toInt() != added);
            QVERIFY(screen().tapAtRest(fields.front()));
            QQuickItem* input = fields.front()->findChild<QQuickItem*>("input");
            QTRY_VERIFY(input->hasActiveFocus());
            QTest::keyClick(window(), Qt::Key_End);
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString("x"), Qt::NoModifier);
        }
        const int outlined = strat->property("outlinedUnit").toInt();
        if (panel == "line") {
            const std::map<std::string, int> before = storedDataUnits();
            clearToasts();
            QVERIFY(page->cameraAtRest());
            strokeOnMap(QPoint(700, 250));
            QCOMPARE(storedDataUnits(), before);
            QTRY_VERIFY(toasted("Tap Done in the strat column to draw"));
            QCOMPARE(strat->state(), QString("EDITING"));
        }

        QQuickItem* done = nullptr;
        QTRY_VERIFY((done = screen().shownWith("label", QString("Done"), strat)) != nullptr);
        QVERIFY(screen().tapAtRest(done));
        QTRY_VERIFY(!strat || strat->state() == "DEFAULT");
        QTRY_VERIFY(storedUnitIds().contains(outlined));
        QCOMPARE(storedUnitIds().contains(added), change != "unit deleted");
        if (panel == "notebook")
            QTRY_COMPARE(storedDataUnits()[test::idOf(0xd0)], outlined);
        else
            QTRY_COMPARE(ModelManager::instance()->currentRockUnit(), outlined);
        QTRY_COMPARE(column(), outlined);
        const QString name = project->stratColumnModel()->unitNameById(outlined);
        const auto shown = [&] {
            for (QQuickItem* label : shownInList(strat, "unitNameLabel")) {
                if (label->property("text").toString() == name)
                    return true;
            }
            return false;
        };
        QTRY_VERIFY2(shown(), qPrintable(name));
        TEST_STEP(unitsAreStored());
    }

    // After "Done" a line takes the unit the line panel's column outlined.
    void drawWhileEditing(const QString& change)
    {
        QPointer<QQuickItem> strat;
        TEST_STEP(openStratColumn("line", strat));
        lineManager()->setProperty("editModeEnabled", false);
        lineManager()->setProperty("penMode", 0);
        page->mapView()->setSelectedItemId(QString());
        TEST_STEP(settleEdit("line", strat, change));
        const int current = ModelManager::instance()->currentRockUnit();
        const std::map<std::string, int> before = storedDataUnits();
        QVERIFY(page->cameraAtRest());
        strokeOnMap(QPoint(700, 400));
        QTRY_COMPARE(storedDataUnits().size(), before.size() + 1);
        for (const auto& entry : storedDataUnits()) {
            if (!before.count(entry.first))
                QCOMPARE(entry.second, current);
        }
        TEST_STEP(unitsAreStored());
    }

    bool toasted(const QString& message) const { return toastCount(message) > 0; }

    // Toasts shown so far are taken away: those counted next are new.
    void clearToasts() const
    {
        const auto dialogs = page->application()->dialogController();
        while (!dialogs->toasts().isEmpty())
            dialogs->dismissToast();
    }

    int toastCount(const QString& message) const
    {
        int count = 0;
        for (const DialogController::Toast& toast : page->application()->dialogController()->toasts())
            count += toast.message == message ? 1 : 0;
        return count;
    }

    // The entry's cell scrolled into the list's view, or null.
    QQuickItem* shownCell(const std::string& id) const
    {
        QQuickItem* list = findItem(notebook(), "dataList");
        QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, rowOf(id)), Q_ARG(int, 2 /* Contain */));
        QQuickItem* cell = screen().notebookCell(QString::fromStdString(id));
        return cell && list->contains(list->mapFromItem(cell, QPointF(cell->width() / 2, cell->height() / 2)))
                   ? cell
                   : nullptr;
    }

    // Selected by a tap on its cell; false when the details of the kind did not show.
    bool selectCell(const std::string& id, const QString& form)
    {
        if (!screen().openTool("Notebook", "dataTool"))
            return false;
        findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
        QQuickItem* cell = nullptr;
        return QTest::qWaitFor([&] { return (cell = shownCell(id)) != nullptr; }) && screen().tap(cell)
               && QTest::qWaitFor([&] {
                      return shownId() == QString::fromStdString(id) && findItem(notebook(), form) != nullptr;
                  });
    }

    // Nothing selected on the map: no id, no callout, nothing drawn highlighted.
    bool mapSelectsNothing() const
    {
        const MapViewController* map = page->mapView();
        if (!map->selectedItemId().isEmpty() || map->pointPicked() || map->imagePicked() || map->localityPicked())
            return false;
        for (const auto& entry : map->localityItems()) {
            const LocalityRenderItems& items = entry.second;
            for (const GLRenderItem* item : std::initializer_list<const GLRenderItem*>{
                     items.annotations.get(), items.pointData.get(), items.lines.get(), items.sightings.get(),
                     items.linePoints.get()}) {
                if (item && !item->selectedId().empty())
                    return false;
            }
        }
        return true;
    }

    // A tap, with the camera at rest, on the free map area where no entry
    // and no callout lies; false when there was no such place.
    bool tapEmptyMap()
    {
        MapViewController* map = page->mapView();
        if (!page->cameraAtRest())
            return false;
        const QQuickItem* callout = findItem(root(), "callout");
        const QRectF covered = callout && callout->isVisible()
                                   ? QRectF(callout->mapToScene(QPointF()), callout->size()).adjusted(-40, -40, 40, 40)
                                   : QRectF();
        const QRectF area = map->visibleArea().adjusted(100, 100, -100, -100);
        for (qreal y = area.top(); y < area.bottom(); y += 50) {
            for (qreal x = area.left(); x < area.right(); x += 50) {
                const QPointF at(x, y);
                bool free = !covered.contains(at);
                for (const auto& locality : ModelManager::instance()->currentProject()->localities()) {
                    free = free && QLineF(at, page->screenOf(locality->longitude(), locality->latitude())).length() > 100;
                    for (const auto& data : locality->data())
                        free = free && QLineF(at, page->screenOf(data->longitude(), data->latitude())).length() > 100;
                }
                if (free) {
                    const QPointF geo = geoOf(at);
                    return page->tapOnMap(geo.x(), geo.y());
                }
            }
        }
        return false;
    }

    // A tap on `field`, then `typed` at the end of the text of `input`, which takes the focus.
    void typeAtEnd(QQuickItem* field, QQuickItem* input, const QString& typed)
    {
        TEST_STEP(tap(field));
        QTRY_VERIFY(input->hasActiveFocus());
        // The end of the whole text; a one-line input takes End alone.
        QTest::keyClick(window(), Qt::Key_End, input->inherits("QQuickTextEdit") ? Qt::ControlModifier : Qt::NoModifier);
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Notebook, "+", Sketch and a stroke: the sketch waits for Save.
    void startSketch()
    {
        QQuickItem* sketchTool = findItem(root(), "sketchTool");
        QQuickItem* sketcher = findItem(sketchTool, "sketcher");
        TEST_STEP(openTool("Notebook", "dataTool"));
        TEST_STEP(tap(findItem(notebook(), "toolBarButton_addPhoto")));
        QVERIFY(screen().tapShown("add_Sketch"));
        QTRY_VERIFY(sketchTool->property("shown").toBool() && sketcher->width() > 0);
        const QPoint from = sketcher->mapToScene(QPointF(sketcher->width() / 3, sketcher->height() / 3)).toPoint();
        QTest::mousePress(window(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 8; ++step)
            QTest::mouseMove(window(), from + QPoint(15 * step, 10 * step));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, from + QPoint(120, 80));
        QTRY_VERIFY(sketcher->property("hasUnsavedChanges").toBool());
    }

    // Notebook, "+", Note, a long press on the map and the text typed.
    // Placed by a long press unless `press` is false.
    void startNote(const QString& typed, QQuickItem*& input, bool press = true)
    {
        TEST_STEP(openTool("Notebook", "dataTool"));
        findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
        TEST_STEP(tap(findItem(notebook(), "toolBarButton_addPhoto")));
        QVERIFY(screen().tapShown("add_Note"));
        QTRY_VERIFY(reticle()->isVisible());
        if (press)
            TEST_STEP(longPress(QPoint(1000, 450)));
        input = findItem(notebook(), "entryText");
        TEST_STEP(typeAtEnd(input, input, typed));
    }

    // The clino's symbol dialog with a new symbol's name typed, or the line
    // panel's strat column editing with a unit's colour dialog part typed.
    void typeIntoDialog(const QString& dialog, QPointer<QQuickItem>& strat, QQuickItem*& input)
    {
        DialogController* dialogs = page->application()->dialogController().get();
        if (dialog == "symbol name") {
            QQuickItem* clino = findItem(root(), "clinoTool");
            if (!clino->property("shown").toBool())
                TEST_STEP(openTool("Clino", "clinoTool"));
            QQuickItem* mode = findItem(clino, "modeButton");
            if (!clino->property("clinoMode").toBool())
                TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
            TEST_STEP(tap(findItem(clino, "symbolPicker")));
        } else {
            TEST_STEP(openStratColumn("line", strat));
            TEST_STEP(openStratEditor(strat));
            QVERIFY(screen().tapAtRest(shownInList(strat, "unitSwatch").value(0)));
        }
        QQuickItem* shown = nullptr;
        QTRY_VERIFY((shown = qobject_cast<QQuickItem*>(dialogs->customDialog())) && shown->opacity() == 1.0);
        if (dialog == "symbol name") {
            TEST_STEP(tap(findItem(shown, "createButton")));
            input = findItem(findItem(shown, "nameField"), "input");
        } else {
            input = findItem(shown, "hexField");
        }
        TEST_STEP(tap(input));
        QTRY_VERIFY(input->hasActiveFocus());
        QTest::keyClick(window(), Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : dialog == "symbol name" ? QString("Sy") : QString("#12"))
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // An altitude or a latitude typed into the position bar, its field still
    // focused, then an entry saved: the entry takes what the field shows; a
    // half-typed latitude is refused and the entry takes the held one.
    void typedIsTakenBy(const QString& typed, const QString& save)
    {
        auto* manager = page->application();
        test::ScriptedLocationManager location;
        AbstractLocationManager* held = manager->locationManager();
        manager->setSensors(&location, manager->compassClino());
        const auto restore = qScopeGuard([&] { manager->setSensors(held, manager->compassClino()); });
        location.setAltitude(3333.0);
        location.setLastKnownCoordinate(QPointF(Lon + 0.005, Lat));
        QQuickItem* sketchTool = findItem(root(), "sketchTool");
        QQuickItem* sketcher = findItem(sketchTool, "sketcher");
        QQuickItem* clino = findItem(root(), "clinoTool");
        const QString comment = typed + ", " + save;
        QQuickItem* input = nullptr;
        if (save == "sketch") {
            TEST_STEP(startSketch());
        } else if (save == "note") {
            TEST_STEP(startNote(comment, input));
        } else if (save == "clino") {
            TEST_STEP(openTool("Clino", "clinoTool"));
            QQuickItem* mode = findItem(clino, "modeButton");
            TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
            QTRY_VERIFY(clino->property("clinoMode").toBool());
            TEST_STEP(tap(findItem(clino, "clino")));
            findItem(clino, "commentField")->setProperty("text", comment);
        }
        // Typed last, its field left focused.
        const bool onAltitude = typed == "altitude";
        const bool whole = typed != "latitude half typed";
        // Degrees typed in decimal form, with a key the field refuses.
        const QString degrees = typed.contains(QRegularExpression("\\d")) ? typed.section(' ', 1) : QString();
        // What the field keeps: up to the comma, or without the digit out of range.
        const QString shown = degrees.left(degrees.contains(',') ? degrees.indexOf(',') : degrees.size() - 1);
        // The mode is kept in the settings: the next rows take it as it was.
        const AbstractLocationManager::InputMode mode = location.inputMode();
        const auto keepMode = qScopeGuard([&] { location.setInputMode(mode); });
        if (!degrees.isEmpty())
            location.setInputMode(AbstractLocationManager::DecimalDegrees);
        QQuickItem* altitude = findItem(root(), "altitudeInput");
        QQuickItem* latitude = findItem(findItem(root(), "latitudeField"), "coordinateInput");
        if (onAltitude) {
            QVERIFY(screen().type("altitudeInput", "7777", false));
        } else {
            TEST_STEP(tap(latitude));
            QTRY_VERIFY(latitude->hasActiveFocus());
            QVERIFY(QMetaObject::invokeMethod(latitude, "selectAll"));
            QTest::keyClick(window(), Qt::Key_Backspace);
            clearToasts();
            QSignalSpy shownToasts(manager->dialogController().get(), &DialogController::toastMessageChanged);
            for (const QChar c : degrees.isEmpty() ? QString(whole ? "47300" : "5") : degrees)
                QTest::keyClick(window(), c.toLatin1());
            if (!degrees.isEmpty()) {
                QCOMPARE(latitude->property("text").toString(), shown);
                // Refused keys in a row are one refusal: counted once its toast
                // has gone, so that a second one behind it shows too.
                QTRY_VERIFY(toasted("Invalid location!"));
                QTRY_VERIFY_WITH_TIMEOUT(!toasted("Invalid location!"), 20000);
                QCOMPARE(std::count_if(shownToasts.cbegin(), shownToasts.cend(),
                                       [](const QList<QVariant>& shown) { return shown.at(0) == "Invalid location!"; }),
                         1);
            }
        }
        QCOMPARE(location.altitude(), 3333.0);
        QCOMPARE(location.lastKnownCoordinate().y(), Lat);
        const double expectedLatitude = !degrees.isEmpty() ? shown.toDouble()
                                        : whole && !onAltitude ? 47.5 : Lat;
        const double expectedAltitude = onAltitude ? 7777.0 : 3333.0;

        std::string id;
        if (save == "sketch") {
            TEST_STEP(tap(findItem(sketchTool, "saveButton")));
            QTRY_VERIFY(!sketcher->property("hasUnsavedChanges").toBool());
            id = sketcher->property("itemId").toString().toStdString();
            TEST_STEP(tap(findItem(sketchTool, "backButton")));
            QTRY_VERIFY(!sketchTool->property("shown").toBool());
        } else if (save == "closing the window") {
            QVERIFY(leaveEntry(save, std::string(), std::string()));
        } else {
            TEST_STEP(tap(findItem(save == "note" ? notebook() : clino, save == "note" ? "entry_Save" : "saveButton")));
            std::shared_ptr<Data> saved;
            QTRY_VERIFY((saved = dataWith(comment)) != nullptr);
            id = saved->id();
        }
        QCOMPARE(location.altitude(), expectedAltitude);
        QCOMPARE(location.lastKnownCoordinate().y(), expectedLatitude);
        QCOMPARE(altitude->property("text").toString(), QString::number(expectedAltitude));
        if (!whole)
            QTRY_VERIFY(toasted("Invalid location!"));
        if (!id.empty()) {
            QCOMPARE(ModelManager::instance()->currentProject()->dataById(id)->altitude(), expectedAltitude);
            QCOMPARE(storedPosition(id).second, expectedAltitude);
            // A note goes where the map was pressed unless a position is typed.
            if (!onAltitude)
                QCOMPARE(storedPosition(id).first, expectedLatitude);
        }
    }

    // Leaves the entry's details the way a user does; false when a step did not come about.
    bool leaveEntry(const QString& how, const std::string& id, const std::string& other)
    {
        if (how == "another row")
            return screen().tap(shownCell(other));
        if (how == "same row")
            return screen().tap(shownCell(id));
        if (how == "Move") {
            return screen().tap(detailButton("Move")) && QTest::qWaitFor([&] { return detailButton("Done"); })
                   && page->cameraAtRest() && screen().tap(detailButton("Done"))
                   && QTest::qWaitFor([&] { return !reticle()->isVisible(); });
        }
        if (how == "another tool")
            return screen().openTool("Clino", "clinoTool");
        if (how == "closing the panel") {
            return screen().tapToolButton("Notebook")
                   && QTest::qWaitFor([&] { return !notebook()->property("shown").toBool(); });
        }
        if (how == "closing the window") {
            // The window's own announcement, without ending the program.
            QObject* noEvent = nullptr;
            return QMetaObject::invokeMethod(window(), "closing", Qt::DirectConnection,
                                             QGenericArgument("QQuickCloseEvent*", &noEvent));
        }
        if (how.startsWith("filter ")) {
            QQuickItem* button = findItem(notebook(), "filter_" + how.mid(7));
            return (button->isVisible() || screen().tap(findItem(notebook(), "toolBarButton_All")))
                   && QTest::qWaitFor([&] { return button->isVisible(); }) && screen().tap(button);
        }
        if (how == "locality picked")
            return pickOtherLocality();
        if (how == "add menu, Note")
            return screen().tap(findItem(notebook(), "toolBarButton_addPhoto")) && screen().tapShown("add_Note");
        return how == "map" && tapEmptyMap();
    }

    // The notebook's locality picker, and in it a locality not current.
    bool pickOtherLocality()
    {
        DialogController* dialogs = page->application()->dialogController().get();
        QQuickItem* dialog = nullptr;
        if (!screen().tap(findItem(notebook(), "toolBarButton_Locality")) || !QTest::qWaitFor([&] {
                dialog = qobject_cast<QQuickItem*>(dialogs->customDialog());
                return dialog && dialog->property("opacity").toReal() == 1.0;
            }))
            return false;
        for (int i = 0; QQuickItem* row = findItem(dialog, QString("locality_%1").arg(i)); ++i) {
            if (!row->property("current").toBool())
                return screen().tap(row) && QTest::qWaitFor([&] { return !dialogs->customDialogActive(); });
        }
        return false;
    }

    // The map page's unsaved work in the words of the question before the
    // window closes, or before the page goes another way.
    QString unsavedWork(bool windowClosing = true) const
    {
        QVariant words;
        QMetaObject::invokeMethod(findItem(root(), "mapView"), "unsavedWork", Q_RETURN_ARG(QVariant, words),
                                  Q_ARG(QVariant, windowClosing));
        return words.toString();
    }

    // Counts each close that goes ahead and stops it after the program's own
    // handlers ran: the window stays for the next row.
    std::unique_ptr<QObject> closeVeto() const
    {
        auto* view = qobject_cast<QQuickView*>(window());
        QQmlComponent component(view->engine());
        component.setData("import QtQuick 2.4\n"
                          "Connections {\n"
                          "    property int closings: 0\n"
                          "    property int refusals: 0\n"
                          "    function onClosing(close) {\n"
                          "        if (close.accepted) ++closings; else ++refusals\n"
                          "        close.accepted = false\n"
                          "    }\n"
                          "}\n",
                          QUrl());
        std::unique_ptr<QObject> veto(component.beginCreate(view->rootContext()));
        if (veto) {
            veto->setProperty("target", QVariant::fromValue<QObject*>(window()));
            component.completeCreate();
        }
        return veto;
    }

    // The window's close button; false when the window took the close.
    bool closeWindow() const
    {
        QCloseEvent close;
        QCoreApplication::sendEvent(window(), &close);
        return !close.isAccepted();
    }

    // Every entry listed again, the filter row closed.
    bool showAllEntries()
    {
        QQuickItem* all = findItem(notebook(), "filter_All");
        return screen().tap(all) && QTest::qWaitFor([&] { return page->mapView()->viewFilter() == 7; })
               && screen().tap(findItem(notebook(), "toolBarButton_All"))
               && QTest::qWaitFor([&] { return !all->isVisible(); });
    }

    // The project's name, locality prefix and description as main.db holds them.
    QStringList storedProjectTexts() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        for (const std::string& bytes : test::tableMessages(database, "project")) {
            QZProtoBuffers::Project record;
            if (record.ParseFromString(bytes)) {
                return {QString::fromStdString(record.name()), QString::fromStdString(record.localitybasename()),
                        QString::fromStdString(record.description())};
            }
        }
        return {};
    }

    // A two-point line drawn point to point and saved; `centre` is where the reticle stood.
    void drawPointToPointLine(QPointF& centre)
    {
        TEST_STEP(openTool("Line", "lineTool"));
        QQuickItem* line = findItem(root(), "lineTool");
        QQuickItem* modes = findItem(line, "penModes");
        QVERIFY(modes);
        TEST_STEP(tap(modes, QPointF(modes->width() * 5 / 6, modes->height() / 2)));
        QTRY_VERIFY(reticle()->isVisible() && reticle()->opacity() == 1.0);
        centre = reticleCentre();
        // The buttons beside the reticle sit on the map: the point is where
        // the camera rests.
        QVERIFY(page->cameraAtRest());
        TEST_STEP(tap(findItem(root(), "addPointButton")));
        // The map moves under the reticle to the next point.
        QVERIFY(page->cameraAtRest());
        QTest::mousePress(window(), Qt::LeftButton, {}, QPoint(900, 400));
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(window(), QPoint(900 - 10 * step, 400 - 5 * step));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, QPoint(800, 350));
        QVERIFY(page->cameraAtRest());
        TEST_STEP(tap(findItem(root(), "addPointButton")));
        QTRY_COMPARE(line->property("manager").value<QObject*>()->property("numPoints").toInt(), 2);
        TEST_STEP(tap(findItem(root(), "savePointsButton")));
        QTRY_COMPARE(line->property("manager").value<QObject*>()->property("numPoints").toInt(), 0);
    }

    // How many lines main.db holds.
    int storedLines() const
    {
        const QString database = ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db");
        return int(test::tableMessages(database, "linedata").size());
    }

    // A tap on the stereonet's statistics switch.
    void switchStatistics(QQuickItem* tool)
    {
        QQuickItem* statistics = findItem(tool, "statisticsSwitch");
        QVERIFY(statistics);
        const bool was = statistics->property("checked").toBool();
        TEST_STEP(tap(statistics, QPointF(statistics->width() - 20, statistics->height() / 2)));
        QTRY_COMPARE(statistics->property("checked").toBool(), !was);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        page = std::make_unique<test::MapPageStart>(documents.path());
        // The online provider's notice and links, configured as the README says.
        QSettings tiles;
        tiles.setValue("OnlineTiles/attribution", Attribution);
        tiles.setValue("OnlineTiles/improveUrl", "http://127.0.0.1/improve");
        TEST_STEP(storeProject());
        QVERIFY(page->start(1280, 800));
        // Parts of the page the helpers reach for throughout.
        QVERIFY(reticle());
        QVERIFY(findItem(notebook(), "details"));
        ModelManager::instance()->setCurrentRockUnit(1);
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
        // The notebook has been open before: its rows follow every change.
        TEST_STEP(openTool("Notebook", "dataTool"));
    }

    void reticleStaysWhereAUnitIsAdded()
    {
        TEST_STEP(openTool("Clino", "clinoTool"));
        QQuickItem* clino = findItem(root(), "clinoTool");
        QQuickItem* mode = findItem(clino, "modeButton");
        QVERIFY(mode);
        TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
        const QPoint first(900, 300);
        TEST_STEP(longPress(first));
        TEST_STEP(tap(findItem(clino, "addUnitButton")));
        QTRY_COMPARE(ModelManager::instance()->currentProject()->rockUnits().size(), size_t(3));
        TEST_STEP(reticleShownAt(first));

        const QPoint second(1000, 500);
        TEST_STEP(longPress(second));
        TEST_STEP(reticleShownAt(second));
        TEST_STEP(tap(findItem(clino, "clino")));
        QQuickItem* commentField = findItem(clino, "commentField");
        QVERIFY(commentField);
        commentField->setProperty("text", "after the unit");
        TEST_STEP(tap(findItem(clino, "saveButton")));
        std::shared_ptr<Data> saved;
        QTRY_VERIFY((saved = dataWith("after the unit")) != nullptr);
        const QPointF expected = geoOf(second);
        QVERIFY(qAbs(saved->longitude() - expected.x()) < 1e-9);
        QVERIFY(qAbs(saved->latitude() - expected.y()) < 1e-9);
        TEST_STEP(reticleShownAt(second));
    }

    // Two more readings in the current locality, each in a later second than
    // the one before: the notebook lists them newest first.
    void clinoSavesReadingsAtDistinctTimes()
    {
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
        const std::shared_ptr<Data> first = dataWith("after the unit");
        QVERIFY2(first, "the first reading is saved first");
        clinoIds = {first->id()};
        QQuickItem* clino = findItem(root(), "clinoTool");
        QQuickItem* commentField = findItem(clino, "commentField");
        QVERIFY(commentField);
        for (const QPoint& at : {QPoint(1100, 250), QPoint(850, 650)}) {
            TEST_STEP(openTool("Clino", "clinoTool"));
            TEST_STEP(longPress(at));
            TEST_STEP(tap(findItem(clino, "clino")));
            const QString comment = "reading " + QString::number(clinoIds.size());
            commentField->setProperty("text", comment);
            const qint64 previous = ModelManager::instance()->currentProject()->dataById(clinoIds.back())->timeStamp();
            QTRY_VERIFY(QDateTime::currentSecsSinceEpoch() > previous);
            TEST_STEP(tap(findItem(clino, "saveButton")));
            std::shared_ptr<Data> saved;
            QTRY_VERIFY((saved = dataWith(comment)) != nullptr);
            QCOMPARE(saved->localityId(), test::idOf(0xa2));
            clinoIds.push_back(saved->id());
        }
        TEST_STEP(openTool("Notebook", "dataTool"));
        QCOMPARE(rowOf(clinoIds[2]), 1);
        QCOMPARE(rowOf(clinoIds[1]), 2);
        QCOMPARE(rowOf(clinoIds[0]), 3);
    }

    void lineReticleStaysAfterASave()
    {
        QPointF centre;
        TEST_STEP(drawPointToPointLine(centre));
        TEST_STEP(reticleShownAt(centre));
        QVERIFY(findItem(root(), "addPointButton")->isVisible());
    }

    void notebookKeepsTheEditedEntry_data()
    {
        QTest::addColumn<int>("locality");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("onMap");
        // Locality 2 holds the clino's readings, oldest first.
        QTest::newRow("symbol, first of three") << 0 << 0 << "symbol" << false;
        QTest::newRow("unit, last of three, map") << 0 << 2 << "unit" << true;
        QTest::newRow("comment, middle of three") << 0 << 1 << "comment" << false;
        QTest::newRow("comment with markup and a line break") << 1 << 0 << "markup" << false;
        QTest::newRow("position, middle of three, map") << 0 << 1 << "position" << true;
        QTest::newRow("symbol, last of two, map") << 1 << 1 << "symbol" << true;
        QTest::newRow("unit, first of two") << 1 << 0 << "unit" << false;
        QTest::newRow("comment, last of two, map") << 1 << 1 << "comment" << true;
        QTest::newRow("position, first of two") << 1 << 0 << "position" << false;
        QTest::newRow("symbol, newest reading") << 2 << 2 << "symbol" << false;
        QTest::newRow("symbol, oldest reading, map") << 2 << 0 << "symbol" << true;
        QTest::newRow("unit, middle reading, map") << 2 << 1 << "unit" << true;
        QTest::newRow("comment, newest reading, map") << 2 << 2 << "comment" << true;
        QTest::newRow("position, oldest reading") << 2 << 0 << "position" << false;
        QTest::newRow("position, newest reading, map") << 2 << 2 << "position" << true;
        // The map re-centring under a marker still on the entry moves nothing.
        QTest::newRow("move without a drag") << 1 << 1 << "unmoved" << false;
    }

    void notebookKeepsTheEditedEntry()
    {
        QFETCH(int, locality);
        QFETCH(int, entry);
        QFETCH(QString, edit);
        QFETCH(bool, onMap);
        QVERIFY2(locality < 2 || size_t(entry) < clinoIds.size(), "the clino's readings are saved first");
        const std::string id = locality == 2 ? clinoIds[size_t(entry)] : test::idOf(0xc0 + 0x10 * locality + entry);
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const std::shared_ptr<Locality> place = project->locality(test::idOf(0xa0 + locality));
        const std::shared_ptr<Data> data = place->dataById(id);
        QVERIFY(data);
        std::map<std::string, Reading> others;
        for (const auto& other : place->data()) {
            if (other->id() != id)
                others[other->id()] = readingOf(*other);
        }
        QVERIFY(others.size() >= 1);
        if (onMap)
            TEST_STEP(selectOnMap(*data));
        else
            TEST_STEP(selectEntry(id));
        QQuickItem* form = findItem(notebook(), "pointDetails");
        QVERIFY(form);
        if (edit == "symbol") {
            const QString name = data->symbolId() == 3 ? "Cleavage" : "Joint";
            TEST_STEP(pickSymbol(name));
            QTRY_COMPARE(project->symbolName(data->symbolId()), name);
        } else if (edit == "unit") {
            const int unit = data->unitId() == 2 ? 1 : 2;
            QQuickItem* choice = findItem(form, "unitChoice");
            QVERIFY(choice);
            choice->setProperty("selectedUnit", unit);
            QTRY_COMPARE(data->unitId(), unit);
        } else if (edit == "comment") {
            QQuickItem* comment = findItem(form, "comment");
            QVERIFY(comment);
            comment->setProperty("text", "edited " + QString::number(entry));
            QVERIFY(QMetaObject::invokeMethod(comment, "finish"));
            QTRY_COMPARE(data->comment(), "edited " + QString::number(entry));
        } else if (edit == "markup") {
            QQuickItem* comment = findItem(form, "comment");
            QVERIFY(comment);
            comment->setProperty("text", MarkupText);
            QVERIFY(QMetaObject::invokeMethod(comment, "finish"));
            QTRY_COMPARE(data->comment(), MarkupText);
            QTRY_VERIFY((form = findItem(notebook(), "pointDetails")) != nullptr);
            QCOMPARE(findItem(form, "commentInput")->property("text").toString(), MarkupText);
            QQuickItem* note = nullptr;
            QTRY_VERIFY((note = shownCell(NoteId)) != nullptr);
            QQuickItem* text = findItem(note, "comment");
            QVERIFY(text);
            QCOMPARE(text->property("text").toString(), MarkupText);
            QCOMPARE(text->property("lineCount").toInt(), 2);
            // Every text of the notebook that shows markup characters shows them as such.
            int markup = 0;
            for (QQuickItem* item : everyItem(notebook())) {
                const QString shown = item->property("text").toString();
                if (item->inherits("QQuickText") && item->isVisible() && shown.contains('<')) {
                    QVERIFY2(item->property("textFormat").toInt() == Qt::PlainText, qPrintable(shown));
                    ++markup;
                }
            }
            QVERIFY(markup >= 2);
        } else if (edit == "unmoved") {
            const Reading before = readingOf(*data);
            TEST_STEP(tap(detailButton("Move")));
            QTRY_VERIFY(detailButton("Done") != nullptr);
            QVERIFY(page->cameraAtRest());
            TEST_STEP(tap(detailButton("Done")));
            QTRY_VERIFY(!reticle()->isVisible());
            QVERIFY(page->cameraAtRest());
            QVERIFY(readingOf(*data) == before);
        } else {
            TEST_STEP(tap(detailButton("Move")));
            QTRY_VERIFY(reticle()->isVisible());
            QTRY_VERIFY(detailButton("Done") != nullptr);
            QVERIFY(page->cameraAtRest());
            const QPoint to(1150, 150 + 60 * entry + 200 * locality);
            TEST_STEP(longPress(to));
            // Where the finger put it: the map re-centres on the selection
            // once the panel is back.
            const QPointF expected = geoOf(to);
            TEST_STEP(tap(detailButton("Done")));
            QTRY_VERIFY(!reticle()->isVisible());
            QTRY_VERIFY(qAbs(data->longitude() - expected.x()) < 1e-9);
            QVERIFY(qAbs(data->latitude() - expected.y()) < 1e-9);
        }
        QTRY_COMPARE(shownId(), QString::fromStdString(id));
        QCOMPARE(findItem(notebook(), "dataList")->property("currentIndex").toInt(), rowOf(id));
        QCOMPARE(page->mapView()->selectedItemId(), QString::fromStdString(id));
        test::ProgramScreen::shoot("notebook-after-" + edit);

        // The next edit goes to the same reading.
        QQuickItem* comment = nullptr;
        QTRY_VERIFY((comment = findItem(findItem(notebook(), "pointDetails"), "comment")) != nullptr);
        comment->setProperty("text", "next after " + edit);
        QVERIFY(QMetaObject::invokeMethod(comment, "finish"));
        QTRY_COMPARE(data->comment(), "next after " + edit);
        QTRY_COMPARE(shownId(), QString::fromStdString(id));
        for (const auto& other : others)
            QVERIFY2(readingOf(*place->dataById(other.first)) == other.second, other.first.c_str());
    }

    // The deleted reading leaves the details empty and its neighbours as stored.
    void notebookDeleteKeepsTheOthers()
    {
        const std::string id = test::idOf(0xc1);
        const std::shared_ptr<Locality> place = ModelManager::instance()->currentProject()->locality(test::idOf(0xa0));
        std::map<std::string, Reading> others;
        for (const auto& other : place->data()) {
            if (other->id() != id)
                others[other->id()] = readingOf(*other);
        }
        TEST_STEP(selectEntry(id));
        TEST_STEP(tap(findItem(findItem(notebook(), "detailToolBar"), "toolBarButton_Delete")));
        QTRY_VERIFY(detailButton("Confirm") != nullptr);
        TEST_STEP(tap(detailButton("Confirm")));
        QTRY_VERIFY(!place->dataById(id));
        QCOMPARE(rowOf(id), -1);
        QTRY_COMPARE(shownId(), QString());
        QCOMPARE(findItem(notebook(), "dataList")->property("currentIndex").toInt(), -1);
        QCOMPARE(page->mapView()->selectedItemId(), QString());
        QCOMPARE(place->data().size(), others.size());
        for (const auto& other : others)
            QVERIFY2(readingOf(*place->dataById(other.first)) == other.second, other.first.c_str());
    }

    // Text typed into the details is saved once however they are left, and
    // a text left as it was saves nothing; clearing the list's selection
    // clears the map's.
    void notebookSavesTheTypedText_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("typed");
        for (const char* entry : {"note", "photo", "plane"}) {
            for (const char* leave : {"another row", "same row", "Move", "another tool", "closing the panel", "map"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(entry, leave))) << entry << leave << " é'\"<b>&";
        }
        QTest::newRow("note, another row, nothing typed") << "note" << "another row" << "";
        QTest::newRow("photo, map, nothing typed") << "photo" << "map" << "";
        QTest::newRow("plane, same row, nothing typed") << "plane" << "same row" << "";
        QTest::newRow("plane, closing the panel, nothing typed") << "plane" << "closing the panel" << "";
        QTest::newRow("note, closing the window") << "note" << "closing the window" << " w";
        // The filter takes the entry and its details away.
        QTest::newRow("note, filter Lines") << "note" << "filter Lines" << " f";
        QTest::newRow("photo, filter Data") << "photo" << "filter Data" << " f";
        QTest::newRow("plane, filter Lines") << "plane" << "filter Lines" << " f";
        QTest::newRow("plane, filter Notes, nothing typed") << "plane" << "filter Notes" << "";
        // The locality picker stores the text first; the entry stays selected.
        QTest::newRow("note, locality picked") << "note" << "locality picked" << " l";
    }

    void notebookSavesTheTypedText()
    {
        QFETCH(QString, entry);
        QFETCH(QString, leave);
        QFETCH(QString, typed);
        const std::map<QString, std::pair<std::string, QString>> entries{
            {"note", {NoteId, "noteDetails"}}, {"photo", {PhotoId, "imageDetails"}},
            {"plane", {test::idOf(0xd0), "pointDetails"}}};
        const std::string id = entries.at(entry).first;
        // The note's neighbour is the photo; the others' is the note.
        const std::string other = entry == "note" ? PhotoId : NoteId;
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const std::shared_ptr<Data> data = project->dataById(id);
        QVERIFY(data);
        const QString expected = data->comment() + typed;
        QVERIFY(selectCell(id, entries.at(entry).second));
        QTRY_COMPARE(page->mapView()->selectedItemId(), QString::fromStdString(id));

        QQuickItem* input = findItem(findItem(notebook(), "details"), "commentInput");
        QVERIFY(input);
        TEST_STEP(typeAtEnd(input, input, typed));
        QCOMPARE(input->property("text").toString(), expected);
        QSignalSpy saves(project.get(), &Project::dataListChanged);
        const int failures = toastCount("Update failed!");
        const std::shared_ptr<Locality> locality = ModelManager::instance()->currentLocality();
        const bool left = leaveEntry(leave, id, other);
        if (leave.startsWith("filter")) {
            QTRY_COMPARE(shownId(), QString());
            QVERIFY(rowOf(id) < 0);
            QVERIFY(showAllEntries());
        }
        QVERIFY(left);

        QTRY_COMPARE(data->comment(), expected);
        QCOMPARE(storedComment(id), expected);
        QCOMPARE(saves.count(), typed.isEmpty() ? 0 : 1);
        QCOMPARE(toastCount("Update failed!"), failures);
        if (leave == "locality picked") {
            QTRY_COMPARE(shownId(), QString::fromStdString(id));
            QVERIFY(ModelManager::instance()->currentLocality() != locality);
            ModelManager::instance()->setCurrentLocality(locality);
        }
        if (leave == "another row")
            QTRY_COMPARE(shownId(), QString::fromStdString(other));
        if (leave == "Move")
            QTRY_COMPARE(shownId(), QString::fromStdString(id));
        if (leave == "same row" || leave == "map") {
            QTRY_COMPARE(shownId(), QString());
            QTRY_VERIFY(mapSelectsNothing());
        }
        QCOMPARE(saves.count(), typed.isEmpty() ? 0 : 1);
    }

    // Text typed into the project's fields is saved once, with the other
    // fields as they were, however the field is left; a field left as it
    // was saves nothing.
    void projectSavesTheTypedText_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("typed");
        const char* names[] = {"name", "prefix", "description"};
        for (int field = 0; field < 3; ++field) {
            for (const char* leave : {"Return", "map", "another tool", "closing the window"}) {
                // Return breaks the description's line.
                if (field < 2 || QString(leave) != "Return")
                    QTest::newRow(qPrintable(QString("%1, %2").arg(names[field], leave))) << field << leave << " é'\"<b>&";
            }
        }
        QTest::newRow("description, map, nothing typed") << 2 << "map" << "";
        QTest::newRow("name, another tool, nothing typed") << 0 << "another tool" << "";
    }

    void projectSavesTheTypedText()
    {
        QFETCH(int, field);
        QFETCH(QString, leave);
        QFETCH(QString, typed);
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const QStringList before{project->name(), project->localityBaseName(), project->description()};
        QStringList expected = before;
        expected[field] += typed;
        TEST_STEP(openTool("Project", "projectTool"));
        QQuickItem* tool = findItem(root(), "projectTool");
        QObject* manager = tool->property("manager").value<QObject*>();
        QSignalSpy saves(manager, SIGNAL(saveSuccessful(bool)));
        const char* fields[] = {"nameField", "prefixField", "descriptionField"};
        QQuickItem* box = findItem(tool, fields[field]);
        QQuickItem* input = findItem(box, field == 2 ? "textEdit" : "input");
        QVERIFY(input);
        TEST_STEP(typeAtEnd(field == 2 ? input : box, input, typed));
        QCOMPARE(input->property("text").toString(), expected[field]);
        if (leave == "Return")
            QTest::keyClick(window(), Qt::Key_Return);
        else
            QVERIFY(leaveEntry(leave, std::string(), std::string()));

        QTRY_COMPARE(QStringList({project->name(), project->localityBaseName(), project->description()}), expected);
        QCOMPARE(storedProjectTexts(), expected);
        QTRY_COMPARE(saves.count(), typed.isEmpty() ? 0 : 1);
        QVERIFY(!toasted("Failed to save project"));
        // Shown as stored when the screen comes back.
        TEST_STEP(openTool("Project", "projectTool"));
        QCOMPARE(box->property("text").toString(), expected[field]);
        QCOMPARE(saves.count(), typed.isEmpty() ? 0 : 1);
    }

    // Texts typed into the other screens' fields are kept when the field is
    // left: a new symbol's name is saved by Return or Save alone, a picture's comment waits for its Save.
    void otherTextsAreKept_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("leave");
        QTest::newRow("new symbol name, Return") << "symbol name" << "Return";
        QTest::newRow("new symbol name, closing the window") << "symbol name" << "closing the window";
        QTest::newRow("stereonet comment, another tool") << "stereonet comment" << "another tool";
        QTest::newRow("stereonet comment, map") << "stereonet comment" << "map";
        // Saved with its picture, as Save does.
        QTest::newRow("stereonet comment, closing the window") << "stereonet comment" << "closing the window";
        QTest::newRow("new note, closing the window") << "new note" << "closing the window";
        // The statistics line the comment comes with is not the user's text.
        QTest::newRow("prefilled, nothing typed, window closed: no new datum")
            << "prefilled stereonet comment" << "closing the window";
        // The position bar's altitude, typed and still focused, then a save.
        for (const char* save : {"sketch", "note", "clino", "closing the window"})
            QTest::newRow(qPrintable(QString("altitude, %1").arg(save))) << "altitude" << save;
        // A typed latitude: whole, it is where the entry goes; half typed, refused.
        for (const char* save : {"sketch", "note", "clino"})
            QTest::newRow(qPrintable(QString("latitude typed, %1").arg(save))) << "latitude typed" << save;
        QTest::newRow("latitude half typed, sketch") << "latitude half typed" << "sketch";
        // A key the field refuses is said at once; the entry takes what the field shows.
        QTest::newRow("latitude 47,5 in decimal degrees, a comma, note") << "latitude 47,5" << "note";
        QTest::newRow("latitude 479 in decimal degrees, out of range, note") << "latitude 479" << "note";
        QTest::newRow("latitude 47, in decimal degrees, only the comma refused, note") << "latitude 47," << "note";
    }

    void otherTextsAreKept()
    {
        QFETCH(QString, field);
        QFETCH(QString, leave);
        if (field == "altitude" || field.startsWith("latitude")) {
            TEST_STEP(typedIsTakenBy(field, leave));
            return;
        }
        const bool prefilled = field.startsWith("prefilled");
        const QString typed = prefilled ? QString() : QString("%1 é'\"<b>&").arg(leave);
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const auto dataCount = [&] {
            std::size_t count = 0;
            for (const auto& locality : project->localities())
                count += locality->data().size();
            return count;
        };
        DialogController* dialogs = page->application()->dialogController().get();
        QQuickItem* tool = nullptr;
        QQuickItem* input = nullptr;
        if (field == "symbol name") {
            TEST_STEP(selectEntry(test::idOf(0xc0)));
            TEST_STEP(tap(findItem(notebook(), "symbolButton")));
            QTRY_COMPARE(dialogs->customDialogType(), QString("SymbolSelectionDialog.qml"));
            tool = qobject_cast<QQuickItem*>(dialogs->customDialog());
            QTRY_VERIFY(tool && tool->opacity() == 1.0);
            TEST_STEP(tap(findItem(tool, "createButton")));
            input = findItem(findItem(tool, "nameField"), "input");
        } else if (field == "new note") {
            TEST_STEP(openTool("Notebook", "dataTool"));
            tool = notebook();
            findItem(tool, "dataList")->setProperty("currentIndex", -1);
            TEST_STEP(tap(findItem(tool, "toolBarButton_addPhoto")));
            QVERIFY(screen().tapShown("add_Note"));
            QTRY_VERIFY(reticle()->isVisible());
            TEST_STEP(longPress(QPoint(1000, 450)));
            input = findItem(tool, "entryText");
        } else {
            TEST_STEP(openTool("Stereonet", "stereoNetTool"));
            tool = findItem(root(), "stereoNetTool");
            if (prefilled)
                TEST_STEP(switchStatistics(tool));
            // Pictures are named by the second they are saved in.
            QTRY_VERIFY(QDateTime::currentSecsSinceEpoch() > lastPicture);
            TEST_STEP(tap(findItem(tool, "addImageButton")));
            QTRY_COMPARE(tool->state(), QString("NEWITEM"));
            lastPicture = QDateTime::currentSecsSinceEpoch();
            input = findItem(findItem(tool, "commentField"), "textEdit");
        }
        QVERIFY(input);
        TEST_STEP(typeAtEnd(input, input, typed));
        const QString expected = input->property("text").toString();
        QVERIFY(expected.endsWith(typed));
        QCOMPARE(expected.startsWith("Mean Resultant Plane: "), prefilled);
        const std::size_t before = dataCount();
        const std::vector<std::string> records = storedRecords();
        if (leave == "Return")
            QTest::keyClick(window(), Qt::Key_Return);
        else
            QVERIFY(leaveEntry(leave, std::string(), std::string()));

        if (field == "symbol name" && leave == "closing the window") {
            // Only Save stores the name: the closing took nothing, the name is still there.
            QVERIFY(storedRecords() == records);
            QCOMPARE(input->property("text").toString(), expected);
            TEST_STEP(tap(findItem(tool, "saveButton")));
        }
        if (field == "symbol name") {
            // Saved once.
            QTRY_COMPARE(int(std::count_if(project->symbols().begin(), project->symbols().end(),
                                           [&](const Project::Symbol& symbol) { return symbol.name == typed; })),
                         1);
            // Back in the list, where the newest symbol of its kind is last, it is chosen for the entry.
            TEST_STEP(tap(findItem(tool, "dialogCancelButton")));
            QTRY_COMPARE(tool->state(), QString("default"));
            QVERIFY(QMetaObject::invokeMethod(findItem(tool, "symbolList"), "positionViewAtEnd"));
            QQuickItem* row = nullptr;
            for (QQuickItem* item : test::findItems(tool, QString())) {
                if (item->property("symbolName").toString() == typed)
                    row = item;
            }
            TEST_STEP(tap(row));
            QTRY_VERIFY(!dialogs->customDialogActive());
            QTRY_COMPARE(project->symbolName(project->dataById(test::idOf(0xc0))->symbolId()), typed);
        } else if (prefilled) {
            // Nothing saved; the picture still waits for Save or Discard.
            QCOMPARE(dataCount(), before);
            QCOMPARE(tool->state(), QString("NEWITEM"));
            TEST_STEP(tap(findItem(tool, "discardButton")));
            QTRY_COMPARE(tool->state(), QString());
            TEST_STEP(switchStatistics(tool));
        } else if (leave == "closing the window") {
            QTRY_VERIFY(dataWith(expected) != nullptr);
            QTRY_VERIFY(!reticle()->isVisible());
        } else {
            TEST_STEP(openTool("Stereonet", "stereoNetTool"));
            QCOMPARE(tool->state(), QString("NEWITEM"));
            QCOMPARE(input->property("text").toString(), expected);
            QTRY_VERIFY(reticle()->isVisible());
            TEST_STEP(tap(findItem(tool, "discardButton")));
            QTRY_COMPARE(tool->state(), QString());
        }
    }

    // Closing the window asks before it drops work that only a save stores:
    // "No" keeps the program and the work, "Yes" lets that one close go on.
    // With nothing unsaved, or a note the closing stores, it goes on at once.
    // Leaving for the projects asks the same way.
    void windowCloseAsksBeforeDroppingWork_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("question");
        const QString sketch = "This sketch has unsaved changes.";
        const QString line = "This line has unsaved changes.";
        const QString reading = "This reading has unsaved changes.";
        const QString note = "This note has unsaved changes.";
        QTest::newRow("nothing unsaved") << "" << "window" << "" << "";
        QTest::newRow("note placed, stored on closing") << "placed note" << "window" << "" << "";
        // A note the closing cannot store keeps the program open with it.
        QTest::newRow("note placed, storage locked") << "placed note" << "window" << "locked" << "";
        QTest::newRow("sketch stroke, No") << "sketch" << "window" << "No" << sketch;
        QTest::newRow("sketch stroke, Yes") << "sketch" << "window" << "Yes" << sketch;
        QTest::newRow("line point by point, No") << "line" << "window" << "No" << line;
        QTest::newRow("line point by point, Yes") << "line" << "window" << "Yes" << line;
        // Leaving the line tool drops the line being placed.
        QTest::newRow("line point by point, another tool, No") << "line" << "tool" << "No" << line;
        QTest::newRow("line point by point, another tool, Yes") << "line" << "tool" << "Yes" << line;
        // Another dialog's answer is not taken for this one.
        QTest::newRow("line, a dialog showing") << "line" << "window" << "dialog" << line;
        QTest::newRow("clino comment, No") << "clino comment" << "window" << "No" << reading;
        QTest::newRow("clino dip typed, Yes") << "clino dip" << "window" << "Yes" << reading;
        // Closing stores a new note only while its panel shows.
        QTest::newRow("note behind another panel, No") << "hidden note" << "window" << "No" << note;
        QTest::newRow("note behind another panel, Yes") << "hidden note" << "window" << "Yes" << note;
        // The system's file dialog waits for its answer as the program's own dialogs do.
        QTest::newRow("note behind another panel, a file dialog showing") << "hidden note" << "window" << "file dialog"
                                                                          << note;
        QTest::newRow("clino comment, Projects, No") << "clino comment" << "Projects" << "No" << reading;
        // A dialog holding typed input only Save or done takes keeps the window, storing
        // nothing; the dialogs that hold nothing typed go with it.
        QTest::newRow("clino's symbol dialog, a name typed") << "" << "window" << "symbol name" << "";
        QTest::newRow("clino comment, its symbol dialog, a name typed") << "clino comment" << "window"
                                                                        << "symbol name" << reading;
        QTest::newRow("strat column's colour dialog, a colour typed") << "" << "window" << "unit colour" << "";
        for (const char* dialog : {"LocalityDialog.qml", "ExportProjectDialog.qml", "SettingsDialog.qml"})
            QTest::newRow(dialog) << "" << "window" << dialog << "";
        // A unit name the strat column refuses, left by a tap on the map or still being typed.
        const QString unit = "This unit name has unsaved changes.";
        QTest::newRow("taken unit name, No") << "unit name" << "window" << "No" << unit;
        QTest::newRow("taken unit name typed, Yes") << "unit name typed" << "window" << "Yes" << unit;
        // "+" in the clino panel's editor, named as another unit: another tool asks.
        QTest::newRow("added unit named as another, another tool, No") << "added unit" << "tool" << "No" << unit;
        QTest::newRow("added unit named as another, another tool, Yes") << "added unit" << "tool" << "Yes" << unit;
        // The opacity the map shows is stored as the slider settles: nothing to ask.
        QTest::newRow("layer opacity dragged") << "layer opacity" << "window" << "" << "";
        QTest::newRow("layer opacity dragged, Cancel") << "layer opacity" << "window" << "Cancel" << "";
        QTest::newRow("layer opacity dragged, storage locked") << "layer opacity" << "window" << "storage locked" << "";
        QTest::newRow("layer opacity dragged, wheel and a tap beside") << "layer opacity" << "window" << "beside" << "";
        // Leaving the project stores no new note.
        QTest::newRow("note placed, Projects, No") << "placed note" << "Projects" << "No" << note;
        // The question takes the press of a stroke under way: its release
        // stores nothing; "No" finishes the stroke as drawn, "Yes" drops it.
        QTest::newRow("stroke under way, No") << "stroke" << "window" << "No" << line;
        QTest::newRow("stroke under way, Yes") << "stroke" << "window" << "Yes" << line;
    }

    void windowCloseAsksBeforeDroppingWork()
    {
        QFETCH(QString, work);
        QFETCH(QString, leave);
        QFETCH(QString, answer);
        QFETCH(QString, question);
        const bool closing = leave == "window";
        DialogController* dialogs = page->application()->dialogController().get();
        QQuickItem* sketchTool = findItem(root(), "sketchTool");
        QQuickItem* clino = findItem(root(), "clinoTool");
        QCOMPARE(unsavedWork(), QString());
        const QString typed = QString("%1 %2").arg(work, answer);
        QQuickItem* input = nullptr;
        QPointer<QQuickItem> strat;
        const QStringList units = storedUnits();
        const size_t entries = storedDataUnits().size();
        QPoint finger(700, 400);
        double opacity = 1.0;
        if (work.startsWith("unit name")) {
            TEST_STEP(openStratColumn("line", strat));
            QString taken;
            TEST_STEP(typeTakenName(strat, taken, input));
            if (work == "unit name")
                QVERIFY(tapEmptyMap());
        } else if (work == "layer opacity") {
            TEST_STEP(dragLayerOpacity(opacity, answer));
        } else if (work == "added unit") {
            TEST_STEP(openStratColumn("clino", strat));
            TEST_STEP(addedUnitTakesAName(strat, input));
        } else if (work == "sketch") {
            TEST_STEP(startSketch());
        } else if (work == "line") {
            TEST_STEP(openTool("Line", "lineTool"));
            QQuickItem* modes = findItem(lineTool(), "penModes");
            TEST_STEP(tap(modes, QPointF(modes->width() * 5 / 6, modes->height() / 2)));
            QTRY_VERIFY(reticle()->isVisible() && reticle()->opacity() == 1.0);
            QVERIFY(page->cameraAtRest());
            TEST_STEP(tap(findItem(root(), "addPointButton")));
            QTRY_VERIFY(lineManager()->property("numPoints").toInt() > 0);
        } else if (work == "stroke") {
            TEST_STEP(openTool("Line", "lineTool"));
            lineManager()->setProperty("editModeEnabled", false);
            lineManager()->setProperty("penMode", 0);
            page->mapView()->setSelectedItemId(QString());
            QVERIFY(page->cameraAtRest());
            QTest::mousePress(window(), Qt::LeftButton, {}, finger);
            for (int i = 0; i < 10; ++i)
                QTest::mouseMove(window(), finger += QPoint(10, i % 2 == 0 ? 10 : -10));
            QTRY_VERIFY(lineManager()->property("numPoints").toInt() > 2);
        } else if (work.startsWith("clino")) {
            TEST_STEP(openTool("Clino", "clinoTool"));
            QQuickItem* mode = findItem(clino, "modeButton");
            TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
            QTRY_VERIFY(clino->property("clinoMode").toBool());
            input = findItem(findItem(clino, work == "clino dip" ? "dipField" : "commentField"), "input");
            TEST_STEP(typeAtEnd(input, input, work == "clino dip" ? "1" : typed));
        } else if (work.endsWith("note")) {
            TEST_STEP(startNote(typed, input));
            if (work == "hidden note")
                TEST_STEP(openTool("Layers", "layerTool"));
        }
        const QString held = input ? input->property("text").toString() : QString();
        // A name still being typed joins the edit when the close is asked for.
        QCOMPARE(unsavedWork(closing), work == "unit name typed" ? QString() : question);

        const std::unique_ptr<QObject> veto = closeVeto();
        QVERIFY(veto);
        const auto leavePage = [&] {
            if (closing)
                return closeWindow();
            if (leave == "tool")
                return screen().tapToolButton("Notebook");
            QQuickItem* bar = findItem(root(), "toolBar");
            QQuickItem* header = findItem(bar, "headerButton");
            return screen().tap(header, QPointF(header->height() / 2, header->height() / 2))
                   && QTest::qWaitFor([&] { return bar->state() == "WIDE"; })
                   && screen().tapAtRest(findItem(bar, "projectsButton"), 0.1);
        };
        clearToasts();
        QQuickItem* fileDialog = findItem(findItem(root(), "layerTool"), "fileDialog");
        if (answer == "dialog")
            dialogs->launchCustomDialog("LocalityDialog.qml");
        if (answer.endsWith(".qml"))
            dialogs->launchCustomDialog(answer);
        const std::vector<std::string> records = storedRecords();
        QQuickItem* typedInDialog = nullptr;
        if (answer == "symbol name" || answer == "unit colour")
            TEST_STEP(typeIntoDialog(answer, strat, typedInDialog));
        const QString typedText = typedInDialog ? typedInDialog->property("text").toString() : QString();
        if (answer == "file dialog") {
            TEST_STEP(tap(findItem(findItem(root(), "layerTool"), "importButton")));
            QTRY_VERIFY(fileDialog->property("dialog").value<QObject*>()
                        && fileDialog->property("dialog").value<QObject*>()->property("visible").toBool());
        }
        std::unique_ptr<test::DatabaseLock> lock;
        if (answer == "locked")
            lock = std::make_unique<test::DatabaseLock>(
                ModelManager::instance()->currentProject()->folder().absoluteFilePath("main.db"), "EXCLUSIVE");
        QVERIFY(leavePage());
        if (work == "stroke") {
            QTRY_VERIFY(dialogs->messageBoxActive());
            QTest::mouseMove(window(), finger += QPoint(30, 0));
            QTest::mouseRelease(window(), Qt::LeftButton, {}, finger);
            QCOMPARE(storedDataUnits().size(), entries);
        }
        if (lock) {
            QTRY_VERIFY_WITH_TIMEOUT(toasted("Failed to save note"), 20000);
            QCOMPARE(veto->property("refusals").toInt(), 1);
            QCOMPARE(veto->property("closings").toInt(), 0);
            QCOMPARE(input->property("text").toString(), held);
            lock.reset();
            QVERIFY(leavePage());
        }
        if (typedInDialog) {
            // Nothing stored, the dialog still there with its text; once it is closed the window goes.
            QCOMPARE(veto->property("closings").toInt(), 0);
            QVERIFY(toasted(question.isEmpty() ? "Close the dialog first" : "Unsaved changes: close the dialog first"));
            QVERIFY(!dialogs->messageBoxActive());
            QVERIFY(dialogs->customDialogActive());
            QCOMPARE(typedInDialog->property("text").toString(), typedText);
            QVERIFY(storedRecords() == records);
            dialogs->dismissDialog(1);
            if (question.isEmpty()) {
                QVERIFY(leavePage());
                QCOMPARE(veto->property("closings").toInt(), 1);
                QTRY_VERIFY(!strat || strat->state() == "DEFAULT");
                QVERIFY(storedRecords() == records);
                return;
            }
        }
        if (question.isEmpty()) {
            QCOMPARE(veto->property("closings").toInt(), 1);
            QCOMPARE(dialogs->dialogActive(), answer.endsWith(".qml"));
            if (answer.endsWith(".qml"))
                dialogs->dismissDialog(1);
            if (work == "placed note")
                QTRY_VERIFY(dataWith(typed) != nullptr);
            if (work == "layer opacity") {
                const auto project = ModelManager::instance()->currentProject();
                QCOMPARE(test::storedProjectRecord(project->folder().absoluteFilePath("main.db")).basemap(0).opacity(),
                         opacity);
                // Put away as the user would: the popup left open covers the map.
                QQuickItem* popup = findItem(root(), "opacityPopup");
                if (popup->isVisible())
                    QVERIFY(screen().tapAtRest(screen().shownWith("label", QString("OK"), popup)));
                QTRY_VERIFY(!popup->isVisible());
                QObject* manager = findItem(root(), "layerTool")->property("manager").value<QObject*>();
                QVERIFY(QMetaObject::invokeMethod(manager, "removeLayer", Q_ARG(int, 0)));
                QTRY_VERIFY(project->baseMaps().empty());
            }
            return;
        }
        QCOMPARE(veto->property("closings").toInt(), 0);
        if (answer == "dialog" || answer == "file dialog") {
            QVERIFY(toasted("Unsaved changes: close the dialog first"));
            QVERIFY(!dialogs->messageBoxActive());
            if (answer == "file dialog") {
                QVERIFY(QMetaObject::invokeMethod(fileDialog, "close"));
                QTRY_VERIFY(!fileDialog->property("dialog").value<QObject*>()->property("visible").toBool());
            } else {
                QVERIFY(dialogs->customDialogActive());
                dialogs->dismissDialog(1);
            }
        } else if (!typedInDialog) {
            QTRY_VERIFY(dialogs->messageBoxActive());
            QCOMPARE(dialogs->messageBoxTitle(), QString("Exit with unsaved changes?"));
            QCOMPARE(dialogs->messageBoxMessage(), question + " Are you sure you want to exit?");
            QQuickItem* button = nullptr;
            QTRY_VERIFY((button = screen().shownWith("label", answer)) != nullptr);
            QVERIFY(screen().tapAtRest(button));
            QTRY_VERIFY(!dialogs->dialogActive());
            if (leave == "tool" && answer == "Yes") {
                QTRY_VERIFY(notebook()->property("shown").toBool());
                QTRY_COMPARE(lineManager()->property("numPoints").toInt(), 0);
                if (!strat) {
                    QCOMPARE(unsavedWork(), QString());
                    return;
                }
            }
            QTRY_COMPARE(veto->property("closings").toInt(), answer == "Yes" && closing ? 1 : 0);
        }
        if (work == "stroke") {
            QTRY_COMPARE(storedDataUnits().size(), entries + (answer == "No" ? 1 : 0));
            // Kept by the veto after "Yes" (the program would have ended): dropped for the next rows.
            lineManager()->setProperty("penMode", 1);
            QTRY_COMPARE(unsavedWork(), QString());
            QCOMPARE(storedDataUnits().size(), entries + (answer == "No" ? 1 : 0));
            // The other rows and tests find the project's lines as they were.
            if (answer == "No")
                page->application()->undo();
            QTRY_COMPARE(storedDataUnits().size(), entries);
            return;
        }
        if (strat && answer == "Yes") {
            // The close went on and dropped the edit, storing nothing.
            QTRY_VERIFY(toasted("Unit names must be unique"));
            QVERIFY(!ModelManager::instance()->currentProject()->stratColumnModel()->isEditing());
            QCOMPARE(storedUnits(), units);
            QCOMPARE(int(ModelManager::instance()->currentProject()->rockUnits().size()), units.size());
            QCOMPARE(unsavedWork(), QString());
            return;
        }
        // The program, the project and the work are still there, and the next close asks again.
        QVERIFY(window()->isVisible());
        QVERIFY(ModelManager::instance()->currentProject());
        QCOMPARE(unsavedWork(closing), question);
        if (input)
            QCOMPARE(input->property("text").toString(), held);
        if (work == "added unit") {
            QVERIFY(clino->property("shown").toBool());
            QCOMPARE(strat->state(), QString("EDITING"));
            const auto model = ModelManager::instance()->currentProject()->stratColumnModel();
            QCOMPARE(int(model->workingCopy().size()), units.size() + 1);
            QCOMPARE(storedUnits(), units);
        }
        QVERIFY(leavePage());
        QTRY_VERIFY(dialogs->messageBoxActive());
        dialogs->dismissDialog(1);
        QCOMPARE(veto->property("closings").toInt(), answer == "Yes" ? 1 : 0);
        // The tool bar folded away, off the panels it covered.
        QTRY_VERIFY(!findItem(findItem(root(), "toolBar"), "veil")->isVisible());

        // Put away as the user would, for the next rows.
        if (strat) {
            QCOMPARE(storedUnits(), units);
            QVERIFY(screen().tapAtRest(findItem(strat, "restoreButton")));
            QQuickItem* done = screen().shownWith("label", QString("Done"), strat);
            QVERIFY(done && screen().tapAtRest(done));
            QTRY_COMPARE(strat->state(), QString("DEFAULT"));
        } else if (work == "sketch") {
            TEST_STEP(tap(findItem(sketchTool, "backButton")));
            QTRY_VERIFY(dialogs->messageBoxActive());
            QQuickItem* yes = nullptr;
            QTRY_VERIFY((yes = screen().shownWith("label", QString("Yes"))) != nullptr);
            QVERIFY(screen().tapAtRest(yes));
            QTRY_VERIFY(!sketchTool->property("shown").toBool());
        } else if (work == "line") {
            QQuickItem* modes = findItem(lineTool(), "penModes");
            TEST_STEP(tap(modes, QPointF(modes->width() / 6, modes->height() / 2)));
            QTRY_COMPARE(lineManager()->property("numPoints").toInt(), 0);
        } else if (work == "clino comment") {
            input->setProperty("text", QString());
        } else if (work == "clino dip") {
            QVERIFY(QMetaObject::invokeMethod(clino, "setMeasuring", Q_ARG(QVariant, true)));
        } else {
            TEST_STEP(openTool("Notebook", "dataTool"));
            QVERIFY(screen().tapShown("entry_Discard"));
            QTRY_VERIFY(!reticle()->isVisible());
        }
        QTRY_COMPARE(unsavedWork(), QString());
    }

    // Keys typed while a dialog shows over a field being typed into reach
    // neither the field nor main.db; once the dialog is cancelled, typing
    // goes on in the field, which is stored as typed when left.
    void dialogKeepsTheKeysFromTheField_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QSize>("size");
        const QSize wide(1280, 800);
        QTest::newRow("export, from the menu") << "export" << "notebook" << wide;
        QTest::newRow("export, from the menu, 1024x768") << "export" << "notebook" << QSize(1024, 768);
        // The wide menu covers the notebook.
        QTest::newRow("menu") << "menu" << "notebook" << wide;
        QTest::newRow("symbol picker, notebook") << "symbol" << "notebook" << wide;
        QTest::newRow("symbol picker, clino") << "symbol" << "clino" << wide;
        // The dialog's own field takes the keys, and gives the focus back.
        QTest::newRow("symbol picker, clino, a new name typed") << "symbol name" << "clino" << wide;
        // Only Home opens it; native code may raise it anywhere.
        QTest::newRow("settings") << "settings" << "notebook" << wide;
        QTest::newRow("message box from native code") << "message" << "notebook" << wide;
        QTest::newRow("working overlay") << "working" << "clino" << wide;
        QTest::newRow("working overlay, notebook") << "working" << "notebook" << wide;
        // It blocks the whole screen out, without a dialog.
        QTest::newRow("help viewer") << "help" << "notebook" << wide;
        QTest::newRow("help viewer, clino") << "help" << "clino" << wide;
        // Menus and popups hold them as dialogs do.
        QTest::newRow("add menu") << "add menu" << "notebook" << wide;
        QTest::newRow("add menu, 1024x768") << "add menu" << "notebook" << QSize(1024, 768);
        QTest::newRow("picture preview") << "preview" << "photo" << wide;
        QTest::newRow("drop-down over the settings") << "drop-down" << "notebook" << wide;
    }

    void dialogKeepsTheKeysFromTheField()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, field);
        QFETCH(QSize, size);
        // The other rows, and the tests after them, take the window as it was.
        const QSize before = window()->size();
        const auto restore = qScopeGuard([&] { window()->resize(before); });
        if (size != before) {
            window()->resize(size);
            QTRY_COMPARE(page->mapView()->size(), QSizeF(size));
        }
        DialogController* dialogs = page->application()->dialogController().get();
        const std::string id = field == "photo" ? PhotoId : test::idOf(0xd0);
        // A save of the keys would make the form anew.
        QPointer<QQuickItem> input;
        QQuickItem* clino = findItem(root(), "clinoTool");
        if (field == "notebook") {
            TEST_STEP(selectEntry(id));
            input = findItem(findItem(notebook(), "details"), "commentInput");
        } else if (field == "photo") {
            QVERIFY(selectCell(id, "imageDetails"));
            input = findItem(findItem(notebook(), "details"), "commentInput");
        } else {
            TEST_STEP(openTool("Clino", "clinoTool"));
            // The symbol picker shows in the clino's mode.
            QQuickItem* mode = findItem(clino, "modeButton");
            if (!clino->property("clinoMode").toBool())
                TEST_STEP(tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)));
            QTRY_VERIFY(clino->property("clinoMode").toBool());
            input = findItem(findItem(clino, "commentField"), "input");
        }
        QVERIFY(input);
        const QString stored = storedComment(id);
        TEST_STEP(typeAtEnd(input, input, " a"));
        const QString typed = input->property("text").toString();

        QQuickItem* bar = findItem(root(), "toolBar");
        if (dialog == "export" || dialog == "menu") {
            QQuickItem* header = findItem(bar, "headerButton");
            const QPointF onButton(header->height() / 2, header->height() / 2);
            TEST_STEP(tap(header, onButton));
            QTRY_COMPARE(bar->state(), QString("WIDE"));
            QTRY_COMPARE(findItem(bar, "veil")->opacity(), 0.7);
            if (dialog == "export")
                QVERIFY(screen().tapAtRest(findItem(bar, "exportButton"), 0.1));
        } else if (dialog == "symbol") {
            TEST_STEP(tap(field == "clino" ? findItem(clino, "symbolPicker") : findItem(notebook(), "symbolButton")));
        } else if (dialog == "symbol name") {
            TEST_STEP(tap(findItem(clino, "symbolPicker")));
            QQuickItem* shown = nullptr;
            QTRY_VERIFY((shown = qobject_cast<QQuickItem*>(dialogs->customDialog())) && shown->opacity() == 1.0);
            TEST_STEP(tap(findItem(shown, "createButton")));
            QQuickItem* name = findItem(findItem(shown, "nameField"), "input");
            TEST_STEP(typeAtEnd(name, name, "qq"));
            QCOMPARE(name->property("text").toString(), QString("qq"));
        } else if (dialog == "settings" || dialog == "drop-down") {
            dialogs->launchCustomDialog("SettingsDialog.qml");
        } else if (dialog == "add menu") {
            TEST_STEP(tap(findItem(notebook(), "toolBarButton_addPhoto")));
        } else if (dialog == "preview") {
            TEST_STEP(tap(findItem(findItem(notebook(), "details"), "picture")));
        } else if (dialog == "message") {
            dialogs->messageBox("Replace the layer?", "It is in use.", dialogs->yesNoButtons());
        } else if (dialog == "help") {
            // The built-in viewer of systems without a browser.
            dialogs->rootItem()->setProperty("helpShown", true);
        } else {
            dialogs->modalWait(true);
        }
        QQuickItem* dimmer = findItem(root(), "dimmer");
        const QStringList overField{"menu", "add menu", "preview"};
        QTRY_VERIFY(overField.contains(dialog) || (dialogs->dialogActive() && dimmer->opacity() == 0.75)
                    || (dialog == "help" && dimmer->opacity() == 1.0));
        if (dialogs->customDialogActive())
            QTRY_VERIFY(dialogs->customDialog() && dialogs->customDialog()->property("opacity").toReal() == 1.0);
        const char* const popups[] = {"addMenu", "preview", "menuList"};
        const int popup = QStringList{"add menu", "preview", "drop-down"}.indexOf(dialog);
        if (dialog == "drop-down")
            TEST_STEP(tap(findItem(qobject_cast<QQuickItem*>(dialogs->customDialog()), "precision")));
        if (popup >= 0)
            QTRY_VERIFY(findItem(root(), popups[popup])->isVisible());
        // Nor does the wheel beside it reach the map, then or once it has gone.
        const QPoint beside(window()->width() - 10, window()->height() / 2);
        QVERIFY(page->cameraAtRest());
        const double altitude = camera().altitude();
        screen().spinWheel(beside, 3);
        QVERIFY(!camera().isAnimating());
        QCOMPARE(camera().targetAltitude(), altitude);
        // Typed text of input methods goes nowhere either.
        QVERIFY(window()->focusObject() != input);
        if (dialog != "symbol name") {
            for (const QChar c : QString("qq"))
                QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
            for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backspace})
                QTest::keyClick(window(), key);
            QTest::keyClick(window(), Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(window(), Qt::Key_Return);
        }
        QVERIFY(input);
        QCOMPARE(input->property("text").toString(), typed);

        if (dialog == "working") {
            dialogs->modalWait(false);
        } else if (dialog == "help") {
            TEST_STEP(tap(screen().shownWith("label", QString("Close"), findItem(root(), "helpViewer"))));
            QTRY_VERIFY(!findItem(root(), "helpViewer"));
        } else if (dialog == "export" || overField.contains(dialog)) {
            // A tap beside it cancels it, or folds the menu.
            QTest::mouseClick(window(), Qt::LeftButton, {}, beside);
        } else {
            if (popup >= 0) {
                QTest::mouseClick(window(), Qt::LeftButton, {}, beside);
                QTRY_VERIFY(!findItem(root(), popups[popup])->isVisible());
            }
            dialogs->dismissDialog(1);
        }
        QTRY_VERIFY(!dialogs->dialogActive());
        QTRY_VERIFY(!dimmer->isVisible());
        QTRY_COMPARE(bar->state(), QString("THIN"));
        // Its buttons reach over the notebook until the bar has slid back.
        QTRY_VERIFY(!findItem(bar, "veil")->isVisible());
        QVERIFY(page->cameraAtRest());
        QCOMPARE(camera().altitude(), altitude);
        QCOMPARE(input->property("text").toString(), typed);
        QTRY_VERIFY(input->hasActiveFocus());
        QVERIFY(!storedComment(id).contains("qq"));
        QVERIFY(!ModelManager::instance()->currentProject()->dataById(id)->comment().contains("qq"));
        for (const QChar c : QString(" b"))
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(input->property("text").toString(), typed + " b");

        if (field != "clino") {
            QVERIFY(leaveEntry("another row", id, NoteId));
            QTRY_COMPARE(storedComment(id), typed + " b");
        } else {
            QCOMPARE(storedComment(id), stored);
            QQuickItem* comment = findItem(clino, "commentField");
            comment->setProperty("text", QString());
            TEST_STEP(openTool("Notebook", "dataTool"));
        }
        if (size != before) {
            window()->resize(before);
            QTRY_COMPARE(page->mapView()->size(), QSizeF(before));
        }
    }

    // A new note goes where the finger holds on the map.
    void newNoteGoesWhereTheFingerHolds()
    {
        TEST_STEP(openTool("Notebook", "dataTool"));
        TEST_STEP(tap(findItem(notebook(), "toolBarButton_addPhoto")));
        QVERIFY(screen().tapShown("add_Note"));
        QTRY_VERIFY(reticle()->isVisible());
        TEST_STEP(longPress(QPoint(1000, 450)));
        QQuickItem* input = findItem(notebook(), "entryText");
        TEST_STEP(typeAtEnd(input, input, "a"));
        TEST_STEP(tap(findItem(notebook(), "entry_Discard")));
        QTRY_VERIFY(!reticle()->isVisible());

        // Typing with no field shown goes nowhere: the next note starts empty.
        for (const QChar c : QString("Unit 1"))
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(input->property("text").toString(), QString());
        QVERIFY(!findItem(notebook(), "entryPanel")->isVisible());
    }

    // A drag across the map and a wheel step, as the user moves it, until
    // the camera rests.
    void panAndZoom()
    {
        QVERIFY(page->cameraAtRest());
        QTest::mousePress(window(), Qt::LeftButton, {}, QPoint(1000, 550));
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(window(), QPoint(1000 - 12 * step, 550 - 6 * step));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, QPoint(880, 490));
        QVERIFY(page->cameraAtRest());
        screen().spinWheel(QPoint(1000, 550));
        QVERIFY(page->cameraAtRest());
    }

    // The clino in its clino mode with a reading typed and a comment.
    QQuickItem* typedClinoReading(const QString& comment)
    {
        QQuickItem* clino = findItem(root(), "clinoTool");
        // Opened afresh: its marker as the clino puts it.
        if (!screen().openTool("Notebook", "dataTool") || !screen().openTool("Clino", "clinoTool"))
            return nullptr;
        QQuickItem* mode = findItem(clino, "modeButton");
        if (!clino->property("clinoMode").toBool() && !screen().tap(mode, QPointF(mode->width() * 0.75, mode->height() / 2)))
            return nullptr;
        if (!QTest::qWaitFor([&] { return clino->property("clinoMode").toBool(); }))
            return nullptr;
        findItem(clino, "dipField")->setProperty("text", "35");
        findItem(clino, "azimuthField")->setProperty("text", "210");
        QMetaObject::invokeMethod(clino, "setMeasuring", Q_ARG(QVariant, false));
        findItem(clino, "commentField")->setProperty("text", comment);
        return clino;
    }

    // The entry stored with `comment` lies where the marker stands: in main.db
    // and on the map.
    void storedUnderTheMarker(const QString& comment, const QPointF& marker)
    {
        const QPointF under = geoOf(marker);
        std::shared_ptr<Data> saved;
        QTRY_VERIFY((saved = dataWith(comment)) != nullptr);
        QVERIFY2(qAbs(saved->longitude() - under.x()) < 1e-9, qPrintable(QString::number(saved->longitude())));
        QVERIFY2(qAbs(saved->latitude() - under.y()) < 1e-9, qPrintable(QString::number(saved->latitude())));
        QCOMPARE(storedPosition(saved->id()).first, saved->latitude());
        const QPointF drawn = page->screenOf(saved->longitude(), saved->latitude());
        QVERIFY2(QLineF(drawn, marker).length() < 1.0, qPrintable(QString("%1,%2").arg(drawn.x()).arg(drawn.y())));
    }

    // A save stores the point under the marker at the moment it saves, and
    // Save waits only while the marker stands on no place (the first view's
    // centre, the "none" point): through pans, zooms, a fix that goes and
    // the position bar borrowing the marker.
    void savesGoWhereTheMarkerStands_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QSize>("resized"); // the window, once the marker stands; empty: not
        QTest::newRow("plane, a long press, the map moved") << "plane" << "long press" << QSize();
        QTest::newRow("note, a long press, the map moved") << "note" << "long press" << QSize();
        QTest::newRow("plane, the first view, the map moved") << "plane" << "first view" << QSize();
        QTest::newRow("note, the first view, the map moved") << "note" << "first view" << QSize();
        QTest::newRow("plane, the fix cleared, the map moved") << "plane" << "fix cleared" << QSize();
        QTest::newRow("plane, a long press, a position typed in the bar, Done") << "plane" << "typed" << QSize();
        // The typed position's marker stays on it; one pressed near the right
        // edge stays on the smaller map and stands for the point under it.
        QTest::newRow("plane, a position typed in the bar, the window smaller")
            << "plane" << "typed" << QSize(1024, 768);
        QTest::newRow("note, a long press near the right edge, the window smaller")
            << "note" << "right edge" << QSize(1024, 768);
    }

    void savesGoWhereTheMarkerStands()
    {
        QFETCH(QString, save);
        QFETCH(QString, start);
        QFETCH(QSize, resized);
        const QSize before = window()->size();
        const auto restore = qScopeGuard([&] { QVERIFY(resizeTo(before)); });
        AbstractLocationManager* location = page->application()->locationManager();
        location->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
        QVERIFY(start == "first view" ? page->lookAt(0.0, 0.0, 3000.0) : page->lookAt(Lon, Lat, 3000.0));
        const QPointF fix(Lon + 0.003, start == "typed" ? Lat + 1.0 / 60.0 : Lat + 0.002);
        if (start == "fix cleared" || start == "typed")
            location->setLastKnownCoordinate(QPointF(fix.x(), Lat + 0.002));
        const QString comment = "under the marker, " + start + ", " + save;
        QQuickItem* clino = nullptr;
        QQuickItem* input = nullptr;
        if (save == "note")
            TEST_STEP(startNote(comment, input, start != "first view"));
        else
            QVERIFY((clino = typedClinoReading(comment)) != nullptr);
        if (start == "long press") {
            const QPoint pressed(1000, 450);
            if (clino)
                TEST_STEP(longPress(pressed));
            const QPointF before = geoOf(pressed);
            TEST_STEP(panAndZoom());
            TEST_STEP(reticleShownAt(pressed));
            QVERIFY(QLineF(geoOf(pressed), before).length() > 1e-4);
        } else if (start == "first view") {
            QTRY_VERIFY(QLineF(reticleCentre(), page->screenOf(0.0, 0.0)).length() < 1.0);
            QQuickItem* hint = findItem(clino ? clino : notebook(), "saveHint");
            QTRY_COMPARE(hint->property("text").toString(), QString("Set a position to save"));
            QVERIFY(hint->isVisible());
            if (clino) {
                QVERIFY(!clino->property("canSave").toBool());
            } else {
                // Save waits: a tap stores nothing and says nothing.
                QQuickItem* saveButton = findItem(notebook(), "entry_Save");
                QVERIFY(!saveButton->property("isEnabled").toBool());
                clearToasts();
                QTest::mouseClick(window(), Qt::LeftButton, {}, sceneRect(saveButton).center().toPoint());
                QVERIFY(!dataWith(comment));
                QVERIFY(page->application()->dialogController()->toasts().isEmpty());
            }
            TEST_STEP(panAndZoom());
            QTRY_VERIFY(!hint->isVisible());
        } else if (start == "fix cleared") {
            QTRY_VERIFY(QLineF(reticleCentre(), page->screenOf(fix.x(), fix.y())).length() < 1.0);
            const QPointF shown = reticleCentre();
            location->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
            // The marker stays, and now stands for the point under it.
            TEST_STEP(panAndZoom());
            QCOMPARE(reticleCentre(), shown);
        } else if (start == "right edge") {
            TEST_STEP(longPress(QPoint(1250, 450)));
        } else {
            // A place pressed first: the typed position takes over from it.
            TEST_STEP(longPress(QPoint(1000, 450)));
            QQuickItem* latitude = findItem(findItem(root(), "latitudeField"), "coordinateInput");
            TEST_STEP(tap(latitude));
            QTRY_VERIFY(latitude->hasActiveFocus());
            QVERIFY(QMetaObject::invokeMethod(latitude, "selectAll"));
            QTest::keyClick(window(), Qt::Key_Backspace);
            for (const QChar c : QString("46010"))
                QTest::keyClick(window(), c.toLatin1());
            TEST_STEP(tap(findItem(root(), "actionButton")));
            QTRY_COMPARE(location->lastKnownCoordinate(), fix);
            // The bar gives the marker back as the clino shows it, on the typed position.
            QVERIFY(page->lookAt(fix.x(), fix.y(), 3000.0));
            QTRY_VERIFY(reticle()->isVisible() && reticle()->opacity() == 1.0);
            QVERIFY(findItem(reticle(), "symbol")->isVisible());
            QTRY_VERIFY(QLineF(reticleCentre(), page->screenOf(fix.x(), fix.y())).length() < 1.0);
        }
        if (resized.isValid())
            TEST_STEP(markerFollowsTheWindow(resized, start == "typed" ? fix : QPointF()));
        const QPointF marker = reticleCentre();
        if (clino) {
            QTRY_COMPARE(findItem(clino, "saveHint")->property("text").toString(), QString());
            TEST_STEP(tap(findItem(clino, "saveButton")));
        } else {
            TEST_STEP(tap(findItem(notebook(), "entry_Save")));
        }
        TEST_STEP(storedUnderTheMarker(comment, marker));
        // A place read off the map has no accuracy of a fix.
        if (start != "typed")
            QCOMPARE(dataWith(comment)->horizontalAccuracy(), 0.0);
        else
            QCOMPARE(QPointF(dataWith(comment)->longitude(), dataWith(comment)->latitude()), fix);
    }

    // The window resized under a shown marker: one on a held point stays on
    // it at once and wherever the camera then comes to rest; any other stays
    // on the smaller map. The reticle is drawn where the marker stands.
    void markerFollowsTheWindow(const QSize& size, const QPointF& held)
    {
        // Moved by hand first: no earlier snap is left to move the camera
        // when the window changes.
        TEST_STEP(panAndZoom());
        QVERIFY(resizeTo(size));
        const QRectF map(0, 0, size.width(), size.height());
        const auto placed = [&] {
            return held.isNull() ? map.contains(reticleCentre())
                                 : QLineF(reticleCentre(), page->screenOf(held.x(), held.y())).length() < 1.0;
        };
        QVERIFY2(placed(), qPrintable(QString("%1,%2").arg(reticleCentre().x()).arg(reticleCentre().y())));
        QVERIFY(page->cameraAtRest());
        QVERIFY(placed());
        const QPointF centre(reticle()->width() / 2, reticle()->height() / 2);
        QTRY_VERIFY(QLineF(reticle()->mapToScene(centre), reticleCentre()).length() < 0.5);
    }

    void toolClickClosesTheWideBar()
    {
        QQuickItem* bar = findItem(root(), "toolBar");
        QQuickItem* header = findItem(bar, "headerButton");
        QVERIFY(header);
        TEST_STEP(tap(header, QPointF(header->height() / 2, header->height() / 2)));
        QTRY_COMPARE(bar->state(), QString("WIDE"));
        QTRY_COMPARE(findItem(bar, "veil")->opacity(), 0.7);
        QVERIFY(screen().tapToolButton("Project"));
        QTRY_VERIFY(findItem(root(), "projectTool")->property("shown").toBool());
        QCOMPARE(bar->state(), QString("THIN"));
        QTRY_VERIFY(!findItem(bar, "veil")->isVisible());
        test::ProgramScreen::shoot("toolbar-after-tool-click");
    }

    void declinationWaitEndsWithoutAPosition()
    {
        TEST_STEP(openTool("Project", "projectTool"));
        test::ScriptedLocationManager location;
        location.interval = 300;
        page->application()->setSensors(&location, page->application()->compassClino());
        QQuickItem* button = findItem(findItem(root(), "projectTool"), "compassButton");
        QVERIFY(button);
        TEST_STEP(tap(button));
        QVERIFY(location.updating());
        QTRY_VERIFY(!button->isEnabled());
        QTRY_VERIFY(button->isEnabled());
        QVERIFY(toasted("No position for the declination."));
        page->application()->setSensors(nullptr, page->application()->compassClino());
    }

    void attributionStripShowsTheOnlineNotice()
    {
        TEST_STEP(openTool("Notebook", "dataTool"));
        QQuickItem* strip = findItem(root(), "attribution");
        QQuickItem* notice = findItem(strip, "attributionNotice");
        QVERIFY(strip && notice);
        QTRY_VERIFY(strip->isVisible() && notice->isVisible() && findItem(strip, "improveLink")->isVisible());
        QCOMPARE(notice->property("text").toString(), Attribution);
        // Drawn as stored, markup included.
        QCOMPARE(notice->property("textFormat").toInt(), int(Qt::PlainText));
        QCOMPARE(page->mapView()->improveUrl(), QString("http://127.0.0.1/improve"));
        // Beside the panel, the notice cut to fit.
        const QRectF shown = strip->mapRectToScene(QRectF(0, 0, strip->width(), strip->height()));
        QTRY_VERIFY2(page->mapView()->visibleArea().adjusted(-0.5, 0, 0.5, 0).contains(shown),
                     qPrintable(QString("strip from %1 to %2").arg(shown.left()).arg(shown.right())));
    }

    void pickedEntryStaysInTheFreeArea_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QString>("after");
        // Where the details, once open, would cover it.
        QTest::newRow("pick, notebook open") << 0xd1 << "open" << QPointF(500, 400) << "";
        // Far west of the one selected before, which the map must not centre again.
        QTest::newRow("pick, another entry selected") << 0xc0 << "selected" << QPointF(900, 400) << "";
        QTest::newRow("pick near the top") << 0xd1 << "open" << QPointF(1000, 30) << "";
        QTest::newRow("pick, then the notebook opens") << 0xd1 << "closed" << QPointF(300, 400) << "open";
        QTest::newRow("pick at the right edge, then a move") << 0xd1 << "open" << QPointF(1200, 600) << "move";
        QTest::newRow("pick at the right edge, no panel open") << 0xd1 << "closed" << QPointF(1255, 400) << "";
        // Panned by hand under the details: no balloon over them, their Delete above all.
        QTest::newRow("pick, then panned under the details") << 0xd1 << "open" << QPointF(900, 400) << "under";
        // Entry 0: the line tool's line, framed rather than centred.
        QTest::newRow("line selected in the notebook") << 0 << "notebook" << QPointF(200, 400) << "";
    }

    // Whenever a pick happens or the notebook's width changes.
    void pickedEntryStaysInTheFreeArea()
    {
        QFETCH(int, entry);
        QFETCH(QString, before);
        QFETCH(QPointF, at);
        QFETCH(QString, after);
        if (before == "notebook") {
            const std::shared_ptr<LineData2D> line = firstLine();
            QVERIFY2(line, "the line tool's line is saved first");
            std::vector<QPointF> points;
            for (const LineData2D::Point& point : line->points())
                points.emplace_back(point.second, point.first);
            TEST_STEP(openTool("Notebook", "dataTool"));
            findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
            QTRY_COMPARE(page->mapView()->selectedItemId(), QString());
            // Zoomed in: the line reaches out of the window until the map frames it.
            QVERIFY(showEntryAt(points.front(), at, 15.0));
            TEST_STEP(tap(screen().notebookCell(QString::fromStdString(line->id()))));
            QTRY_COMPARE(shownId(), QString::fromStdString(line->id()));
            QCOMPARE(page->mapView()->selectedItemId(), QString::fromStdString(line->id()));
            QVERIFY(shownInFreeArea(points));
            // The balloon points at the line.
            QPolygonF shown;
            for (const QPointF& point : points)
                shown << page->screenOf(point.x(), point.y());
            const QPointF anchor = page->mapView()->pickedScreenPos();
            QVERIFY2(shown.boundingRect().adjusted(-2, -2, 2, 2).contains(anchor),
                     qPrintable(QString("anchor at %1, %2").arg(anchor.x()).arg(anchor.y())));
            return;
        }
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const std::shared_ptr<Data> data = project->dataById(test::idOf(entry));
        QVERIFY(data);
        if (before == "closed") {
            if (notebook()->property("shown").toBool())
                QVERIFY(screen().tapToolButton("Notebook"));
            QTRY_VERIFY(!notebook()->property("shown").toBool());
            page->mapView()->setSelectedItemId(QString());
        } else if (before == "selected") {
            TEST_STEP(selectEntry(test::idOf(0xd1)));
        } else {
            TEST_STEP(openTool("Notebook", "dataTool"));
            QVERIFY(findItem(notebook(), "dataList"));
            findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
        }
        QTRY_VERIFY(page->mapView()->selectedItemId() != QString::fromStdString(data->id()));
        QVERIFY(showEntryAt(*data, at));
        QVERIFY(page->tapOnMap(data->longitude(), data->latitude()));
        QTRY_COMPARE(page->mapView()->selectedItemId(), QString::fromStdString(data->id()));
        QVERIFY(shownInFreeArea(*data));
        if (after == "open") {
            TEST_STEP(openTool("Notebook", "dataTool"));
            QTRY_COMPARE(shownId(), QString::fromStdString(data->id()));
            QVERIFY(shownInFreeArea(*data));
        } else if (after == "move") {
            TEST_STEP(tap(detailButton("Move")));
            QTRY_COMPARE(notebook()->state(), QString("DETAIL_SMALL"));
            QVERIFY(shownInFreeArea(*data));
            TEST_STEP(tap(detailButton("Done")));
            QTRY_COMPARE(notebook()->state(), QString("DETAIL"));
            QVERIFY(shownInFreeArea(*data));
        } else if (after == "under") {
            TEST_STEP(calloutKeptOffTheDetails(*data));
        }
        test::ProgramScreen::shoot("free-area-" + QString(QTest::currentDataTag()).replace(' ', '-'));
    }

    // The entry dragged under the details and back: its balloon never
    // covers them, and shows again beside them.
    void calloutKeptOffTheDetails(const Data& data)
    {
        const QRectF details = sceneRect(notebook());
        const QPoint start = page->screenOf(data.longitude(), data.latitude()).toPoint();
        const QPoint under(int(details.center().x()), start.y());
        QVERIFY(page->cameraAtRest());
        drag(start, under);
        QVERIFY(page->cameraAtRest());
        QCOMPARE(page->mapView()->selectedItemId(), QString::fromStdString(data.id()));
        QVERIFY(details.contains(page->screenOf(data.longitude(), data.latitude())));
        QTRY_VERIFY(!findItem(root(), "callout")->isVisible());
        // Back from beside the details: a press on them is theirs.
        const QPoint beside(int(details.right()) + 10, start.y());
        drag(beside, beside + start - under);
        QVERIFY(shownInFreeArea(data));
    }

    void mapFollowsTheWindowSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("selected"); // where an entry is selected before
        QTest::newRow("smaller") << QSize(1024, 768) << "";
        QTest::newRow("back, picked on the map") << QSize(1280, 800) << "map";
        QTest::newRow("smaller, selected in the notebook") << QSize(1024, 768) << "notebook";
        QTest::newRow("back, selected in the notebook") << QSize(1280, 800) << "notebook";
        QTest::newRow("smaller, picked at the right edge") << QSize(1024, 768) << "map";
        QTest::newRow("back, sketch") << QSize(1280, 800) << "sketch";
        // At the free area's edge beside the details: whole, never over them.
        QTest::newRow("smaller, a lineation at the free area's right edge") << QSize(1024, 768) << "lineation";
        QTest::newRow("back, a lineation at the free area's right edge") << QSize(1280, 800) << "lineation";
        // A long text beside the details: cut at its own maximum or the free area.
        QTest::newRow("narrow, a long text at the free area's right edge") << QSize(800, 600) << "long text";
        QTest::newRow("back, a sketch open as the window gets smaller") << QSize(1280, 800) << "sketch, smaller";
        QTest::newRow("smaller, sketch") << QSize(1024, 768) << "sketch";
    }

    void mapFollowsTheWindowSize()
    {
        QFETCH(QSize, size);
        QFETCH(QString, selected);
        const std::shared_ptr<Data> data = ModelManager::instance()->currentProject()->dataById(test::idOf(0xd0));
        QVERIFY(data);
        if (selected == "notebook") {
            TEST_STEP(selectEntry(data->id()));
        } else if (selected == "map") {
            TEST_STEP(openTool("Notebook", "dataTool"));
            QVERIFY(findItem(notebook(), "dataList"));
            findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
            QTRY_COMPARE(page->mapView()->selectedItemId(), QString());
            // Near the right edge, where a wider window leaves it.
            QVERIFY(showEntryAt(*data, QPointF(window()->width() - 60, 300)));
            QVERIFY(page->tapOnMap(data->longitude(), data->latitude()));
            QTRY_COMPARE(page->mapView()->selectedItemId(), QString::fromStdString(data->id()));
        }
        const bool entry = selected == "map" || selected == "notebook";
        if (entry)
            QVERIFY(shownInFreeArea(*data));
        QSignalSpy frames(window(), &QQuickWindow::frameSwapped);
        window()->resize(size);
        QTRY_VERIFY(frames.count() > 0);
        GLRender* scene = page->mapView()->scene();
        // A frame already under way when the window changed may come first.
        QTRY_COMPARE(scene->windowSize(), size * window()->devicePixelRatio());
        // Read anew each time: the scene replaces its viewport when it takes the size.
        const auto viewportSize = [scene] {
            const osg::Viewport* viewport = scene->camera()->getViewport();
            return viewport ? QSizeF(viewport->width(), viewport->height()) : QSizeF();
        };
        QTRY_COMPARE(viewportSize(), QSizeF(scene->windowSize()));
        QCOMPARE(page->mapView()->size(), QSizeF(size));
        QCOMPARE(findItem(root(), "toolBar")->y(), 0.0);
        if (entry)
            QVERIFY(shownInFreeArea(*data));
        if (selected == "sketch")
            TEST_STEP(checkSketchScreen());
        if (selected == "sketch, smaller")
            TEST_STEP(checkSketchScreen(QSize(1024, 768)));
        if (selected == "lineation" || selected == "long text")
            TEST_STEP(checkWholeCalloutAtTheRightEdge(selected == "long text"));
        test::ProgramScreen::shoot("window-" + QString(QTest::currentDataTag()).replace(' ', '-'));
    }

    // Selected in the notebook, 40 px from the free area's right edge: the
    // balloon reads whole inside the free area. A long text is cut at the
    // balloon's own maximum, or at the free area where that is narrower.
    void checkWholeCalloutAtTheRightEdge(bool longText = false)
    {
        TEST_STEP(selectEntry(LineationId));
        const QRectF free = page->mapView()->visibleArea() & QRectF(QPointF(), QSizeF(window()->size()));
        QVERIFY(showEntryAt(*ModelManager::instance()->currentProject()->dataById(LineationId),
                            QPointF(free.right() - 40, 300)));
        QQuickItem* callout = findItem(root(), "callout");
        QTRY_VERIFY(callout->isVisible());
        if (longText)
            page->mapView()->setPickedPointLabel(QString("Quarry above the ridge north of the hut ").repeated(3));
        QCOMPARE(findItem(callout, "label")->property("truncated").toBool(), longText);
        const QRectF balloon = sceneRect(findItem(callout, "balloon"));
        if (longText) {
            const QObject* ui = qmlContext(callout)->contextProperty("_ui").value<QObject*>();
            QVERIFY(ui);
            const double widest =
                callout->property("fixedWidth").toDouble() + ui->property("maxCalloutTextWidth").toDouble();
            const double room = free.width() - 2 * ui->property("innerMargin").toDouble();
            QVERIFY2(qAbs(balloon.width() - std::min(widest, room)) < 0.5,
                     qPrintable(QString("%1 in %2").arg(balloon.width()).arg(free.width())));
        }
        QVERIFY2(balloon.left() >= free.left() - 0.5 && balloon.right() <= free.right() + 0.5,
                 qPrintable(QString("%1 to %2").arg(balloon.left()).arg(balloon.right())));
    }

    // The line panel's and the notebook's strat columns scroll with their
    // panel, yet their handles reorder; the unit list and the edit buttons
    // keep clear of "+".
    void lineStratColumnReorders_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("panel");
        QTest::newRow("1024x768") << QSize(1024, 768) << "line";
        QTest::newRow("1280x800") << QSize(1280, 800) << "line";
        QTest::newRow("notebook, 1024x768") << QSize(1024, 768) << "notebook";
        QTest::newRow("notebook, 1280x800") << QSize(1280, 800) << "notebook";
    }

    void lineStratColumnReorders()
    {
        QFETCH(QSize, size);
        QFETCH(QString, panel);
        QVERIFY(resizeTo(size));
        QPointer<QQuickItem> strat;
        if (panel == "notebook") {
            TEST_STEP(selectEntry(test::idOf(0xd0)));
            strat = findItem(findItem(notebook(), "pointDetails"), "unitChoice");
        } else {
            QVERIFY(screen().openTool("Line", "lineTool"));
            strat = findItem(lineTool(), "rockUnits");
        }
        QVERIFY(strat);
        TEST_STEP(openStratEditor(strat));
        test::ProgramScreen::shoot("strat-column-" + panel + "-" + QString(QTest::currentDataTag()).right(8));

        QList<QRectF> buttons;
        for (const char* name : {"deleteUnitButton", "restoreButton", "importButton", "addUnitButton"}) {
            QQuickItem* button = findItem(strat, name);
            QVERIFY2(button && test::ProgramScreen::onScreen(button), name);
            buttons << sceneRect(button);
            QVERIFY2(sceneRect(strat).contains(buttons.back()), name);
        }
        for (int i = 0; i < buttons.size(); ++i) {
            for (int j = i + 1; j < buttons.size(); ++j)
                QVERIFY2(!buttons[i].intersects(buttons[j]), qPrintable(QString("%1 %2").arg(i).arg(j)));
        }
        const QRectF list = sceneRect(findItem(strat, "unitList"));
        // Up to three units show whole above "+", none half under it.
        const int units = int(ModelManager::instance()->currentProject()->rockUnits().size());
        QVERIFY(units >= 2);
        QVERIFY(list.height() >= std::min(units, 3) * findItem(strat, "unitRow")->height());
        QVERIFY(list.bottom() <= buttons.back().top());
        // Whole rows: no sliver of the next one above "+".
        const qreal row = findItem(strat, "unitRow")->height();
        QVERIFY2(qFuzzyCompare(qRound(list.height() / row) * row, list.height()), qPrintable(QString::number(list.height())));

        // The second row's handle onto the first row.
        QList<QQuickItem*> handles;
        for (QQuickItem* handle : screen().named("dragHandle", strat)) {
            if (test::ProgramScreen::onScreen(handle) && list.contains(sceneRect(handle).center()))
                handles << handle;
        }
        sortByTop(handles);
        QVERIFY(handles.size() >= 2);
        const QString moved
            = handles[1]->parentItem()->findChild<QQuickItem*>("unitNameLabel")->property("text").toString();
        drag(handles[1], handles[0]);
        QQuickItem* done = nullptr;
        QTRY_VERIFY((done = screen().shownWith("label", QString("Done"), strat)) != nullptr);
        QVERIFY(screen().tapAtRest(done));
        // The notebook's details are made anew by the save.
        QTRY_VERIFY(!strat || strat->state() == "DEFAULT");
        QCOMPARE(ModelManager::instance()->currentProject()->rockUnits().front().name, moved);
        QCOMPARE(storedUnits().value(0), moved);
    }

    // A line chosen before edit mode is switched on shows its handles at once.
    void lineEditShowsHandlesAtOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("notebook's Edit") << "notebook";
        QTest::newRow("Edit line switch") << "switch";
    }

    void lineEditShowsHandlesAtOnce()
    {
        QFETCH(QString, path);
        const std::shared_ptr<LineData2D> line = firstLine();
        QVERIFY2(line, "a line is drawn first");
        lineManager()->setProperty("editModeEnabled", false);
        QVERIFY(screen().openTool("Notebook", "dataTool"));
        findItem(notebook(), "dataList")->setProperty("currentIndex", -1);
        QTRY_COMPARE(page->mapView()->selectedItemId(), QString());
        QCOMPARE(handlesShown(line->id()), 0);
        QVERIFY(screen().tap(screen().notebookCell(QString::fromStdString(line->id()))));
        QTRY_VERIFY(findItem(notebook(), "lineDetails") != nullptr);
        if (path == "notebook") {
            QVERIFY(screen().tap(detailButton("Edit")));
            QTRY_VERIFY(lineTool()->property("shown").toBool());
        } else {
            QVERIFY(screen().openTool("Line", "lineTool"));
            QVERIFY(screen().tapAtRest(findItem(lineTool(), "editSwitch")));
        }
        QTRY_VERIFY(lineManager()->property("editModeEnabled").toBool());
        QTRY_COMPARE(handlesShown(line->id()), line->pointCount());
        test::ProgramScreen::shoot("line-handles-" + path);
        lineManager()->setProperty("editModeEnabled", false);
    }

    // A held inner vertex offers "split"; a tap on it splits the line also
    // when it comes right after the finger lets go or a second later. The
    // menu shows whole in the free map area, clear of the line's balloon; a
    // tap on its disabled "split" or between its buttons reaches no map, and
    // one beside it only closes it.
    void lineSplitsAtAHeldVertex_data()
    {
        QTest::addColumn<int>("afterMenu"); // ms from the menu showing to the tap
        QTest::addColumn<QString>("chosen"); // how the line was selected
        QTest::addColumn<int>("held"); // the vertex held
        QTest::addColumn<double>("east"); // degrees east where the line is drawn; 0: where the map is
        QTest::addColumn<int>("fromRight"); // px from the held vertex to the map's right edge; -1: anywhere
        QTest::addColumn<bool>("beside"); // a tap on the map beside the menu instead of on it
        QTest::newRow("at once") << 0 << "drawn" << 2 << 0.0 << -1 << false;
        QTest::newRow("a second later") << 1000 << "drawn" << 2 << 0.0 << -1 << false;
        QTest::newRow("chosen by the notebook's Edit, at once") << 0 << "notebook" << 1 << 0.2 << -1 << false;
        QTest::newRow("chosen by a tap, at once") << 0 << "tap" << 1 << 0.4 << -1 << false;
        // No room above the line: its balloon hangs under it, and the map stays.
        QTest::newRow("chosen by a tap near the top") << 0 << "tap near the top" << 3 << 0.5 << -1 << false;
        // The line tapped below the held vertex: its balloon would lie over the menu.
        QTest::newRow("chosen by a tap below, 64 px from the right edge") << 0 << "tap" << 3 << 0.6 << 64 << false;
        QTest::newRow("end vertex, taps on the disabled split and between") << 0 << "drawn" << 0 << 0.8 << -1 << false;
        // Handles past the top of the free area and its bottom: no room above or
        // under the line. Tapped just below a handle, where a balloon would cover it.
        QTest::newRow("chosen by a tap, a line taller than the map") << 0 << "tap, tall" << 5 << 0.9 << -1 << false;
        // Handles from near the free area's top to near its bottom, all inside it:
        // the balloon goes over or under a handle between them.
        QTest::newRow("chosen by a tap, a line spanning the map") << 0 << "tap, spanning" << 3 << 1.0 << -1 << false;
        // It only closes the menu, as a tap beside a menu does: the line stays selected.
        QTest::newRow("a tap on the map beside the menu") << 0 << "drawn" << 2 << 0.3 << -1 << true;
    }

    void lineSplitsAtAHeldVertex()
    {
        QFETCH(int, afterMenu);
        QFETCH(QString, chosen);
        QFETCH(int, held);
        QFETCH(double, east);
        QFETCH(int, fromRight);
        QFETCH(bool, beside);
        QVERIFY(screen().openTool("Line", "lineTool"));
        lineManager()->setProperty("editModeEnabled", false);
        lineManager()->setProperty("penMode", 0);
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const auto lines = [&] {
            std::vector<std::shared_ptr<LineData2D>> all;
            for (const auto& locality : project->localities())
                all.insert(all.end(), locality->lines().begin(), locality->lines().end());
            return all;
        };
        const size_t before = lines().size();
        std::set<std::string> ids;
        for (const auto& earlier : lines())
            ids.insert(earlier->id());
        // A zigzag of four strokes, five vertices, apart from any selected line.
        page->mapView()->setSelectedItemId(QString());
        QVERIFY(page->cameraAtRest());
        // Apart from the earlier rows' lines, which a tap would pick too.
        if (east > 0.0)
            QVERIFY(page->lookAt(Lon + east, Lat + 0.2, 3000.0));
        const bool tall = chosen.endsWith("tall");
        const bool spanning = chosen.endsWith("spanning");
        const QRectF area = page->mapView()->visibleArea() & QRectF(QPointF(), QSizeF(window()->size()));
        QPoint at(600, tall ? 20 : spanning ? int(area.top()) + 30 : afterMenu > 0 ? 500 : 300);
        QTest::mousePress(window(), Qt::LeftButton, {}, at);
        // A finger's first move: the stroke starts with a hook whose end and
        // corner lie within one handle's reach.
        if (chosen != "drawn")
            QTest::mouseMove(window(), at + QPoint(6, 0));
        const int moves = tall ? 44 : spanning ? int(area.height() - 60) / 21 : 40;
        for (int i = 0; i < moves; ++i)
            QTest::mouseMove(window(), at += tall || spanning ? QPoint((i / 5) % 2 == 0 ? 12 : -12, 21)
                                                              : QPoint(8, (i / 10) % 2 == 0 ? 8 : -8));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(lines().size(), before + 1);
        std::shared_ptr<LineData2D> line;
        for (const auto& drawn : lines()) {
            if (ids.insert(drawn->id()).second)
                line = drawn;
        }
        QVERIFY(line && line->pointCount() >= 5);
        const int points = line->pointCount();
        // Where the held vertex shows when the line is chosen by a tap.
        const QPointF shownAt = spanning ? page->screenOf(line->longitudeAt(held), line->latitudeAt(held))
                                         : QPointF(640, chosen == "tap near the top" ? 40 : 400);

        if (chosen == "notebook") {
            QVERIFY(screen().openTool("Notebook", "dataTool"));
            QVERIFY(screen().tap(screen().notebookCell(QString::fromStdString(line->id()))));
            QTRY_VERIFY(findItem(notebook(), "lineDetails") != nullptr);
            QVERIFY(screen().tap(detailButton("Edit")));
            QTRY_VERIFY(lineTool()->property("shown").toBool());
        } else if (chosen.startsWith("tap")) {
            page->mapView()->setSelectedItemId(QString());
            lineManager()->setProperty("editModeEnabled", true);
            const QPointF place(line->longitudeAt(held), line->latitudeAt(held));
            QVERIFY(showEntryAt(place, shownAt));
            // Between the held vertex and its neighbour; nearer the lower
            // one where the balloon is to lie over the menu.
            const QPointF from = page->screenOf(place.x(), place.y());
            const auto screenOf = [&](int i) { return page->screenOf(line->longitudeAt(i), line->latitudeAt(i)); };
            const int next = fromRight < 0 ? held + 1 : screenOf(held - 1).y() > screenOf(held + 1).y() ? held - 1 : held + 1;
            const QPointF to = screenOf(next);
            const double along = tall ? 0.15 : fromRight >= 0 ? 0.625 : 0.5;
            QTest::mouseClick(window(), Qt::LeftButton, {}, (from + (to - from) * along).toPoint());
        }
        lineManager()->setProperty("editModeEnabled", true);
        if (chosen != "drawn") {
            QTRY_COMPARE(page->mapView()->selectedItemId(), QString::fromStdString(line->id()));
            QTRY_COMPARE(handlesShown(line->id()), points);
        }
        if (chosen.startsWith("tap")) {
            // A line in the free area stays where it was, and its balloon covers no handle.
            QVERIFY(page->cameraAtRest());
            const QPointF at = page->screenOf(line->longitudeAt(held), line->latitudeAt(held));
            QVERIFY2(QLineF(at, shownAt).length() < 1.0, qPrintable(QString("%1, %2").arg(at.x()).arg(at.y())));
            if (!tall && !spanning)
                QCOMPARE(page->mapView()->calloutBelow(), chosen == "tap near the top");
            const QRectF drawn = page->mapView()->calloutBounds().translated(page->mapView()->pickedScreenPos());
            std::vector<double> heights;
            for (int i = 0; i < points; ++i) {
                const QPointF vertex = page->screenOf(line->longitudeAt(i), line->latitudeAt(i));
                QVERIFY2(!drawn.adjusted(-8, -8, 8, 8).contains(vertex), qPrintable(QString::number(i)));
                heights.push_back(vertex.y());
            }
            if (spanning) {
                // Inside the free area, no balloon's room above the line or under it.
                const QRectF free = page->mapView()->visibleArea() & QRectF(QPointF(), QSizeF(window()->size()));
                const auto [top, bottom] = std::minmax_element(heights.begin(), heights.end());
                QVERIFY2(*top > free.top() && *top - free.top() < drawn.height() && *bottom < free.bottom()
                             && free.bottom() - *bottom < drawn.height(),
                         qPrintable(QString("%1 to %2 in %3 to %4")
                                        .arg(*top).arg(*bottom).arg(free.top()).arg(free.bottom())));
                QVERIFY(free.contains(drawn));
            }
            test::ProgramScreen::shoot("line-picked-" + QString(QTest::currentDataTag()).replace(' ', '-'));
        }
        // The selection brought into the free area first, then the vertex to the edge.
        if (fromRight >= 0) {
            const qreal right = page->mapView()->visibleArea().right();
            QVERIFY(showEntryAt(QPointF(line->longitudeAt(held), line->latitudeAt(held)), QPointF(right - fromRight, 400)));
        }
        QVERIFY(page->cameraAtRest());
        const QPoint vertex = page->screenOf(line->longitudeAt(held), line->latitudeAt(held)).toPoint();
        QQuickItem* menu = findItem(root(), "vertexMenu");
        QTest::mousePress(window(), Qt::LeftButton, {}, vertex);
        QTRY_VERIFY(menu->isVisible()); 
        QTRY_VERIFY(menu->isVisible());
        if (held == 0 || beside) {
            // Only the taps below may close it, not its own timer.
            QObject* timer = findItem(root(), "vertexMenuLayer")->findChild<QObject*>("vertexMenuTimer");
            QVERIFY(timer && timer->property("running").toBool());
            timer->setProperty("running", false);
        }
        QElapsedTimer shown;
        shown.start();
        QTest::mouseRelease(window(), Qt::LeftButton, {}, vertex);
        const QRectF free = page->mapView()->visibleArea() & QRectF(QPointF(), QSizeF(window()->size()));
        QVERIFY2(free.contains(sceneRect(menu)), qPrintable(QString("%1 %2").arg(sceneRect(menu).right()).arg(free.right())));
        QQuickItem* callout = findItem(root(), "callout");
        QVERIFY(!callout->isVisible() || !sceneRect(findItem(callout, "balloon")).intersects(sceneRect(menu)));
        QTest::qWait(int(std::max<qint64>(0, afterMenu - shown.elapsed())));
        QQuickItem* button = findItem(menu, "splitLineButton");
        if (held == 0) {
            // Neither the disabled button nor the gap lets the tap through to the map.
            QVERIFY(!button->isEnabled());
            const QRectF split = sceneRect(button);
            const QRectF remove = sceneRect(findItem(menu, "deletePointButton"));
            for (const QPointF at : {split.center(), QPointF((remove.right() + split.left()) / 2, split.center().y())}) {
                QTest::mouseClick(window(), Qt::LeftButton, {}, at.toPoint());
                QVERIFY(menu->isVisible());
                QCOMPARE(page->mapView()->selectedItemId(), QString::fromStdString(line->id()));
            }
        }
        if (held == 0 || beside) {
            const QPoint away = QPointF(free.left() + 40, free.top() + free.height() * 0.75).toPoint();
            QTest::mouseClick(window(), Qt::LeftButton, {}, away);
            QTRY_VERIFY(!menu->isVisible());
            QCoreApplication::processEvents();
            QCOMPARE(page->mapView()->selectedItemId(), QString::fromStdString(line->id()));
            QCOMPARE(handlesShown(line->id()), points);
            QCOMPARE(lines().size(), before + 1);
            // The same tap with no menu open leaves the line.
            QTest::mouseClick(window(), Qt::LeftButton, {}, away);
            QTRY_COMPARE(page->mapView()->selectedItemId(), QString());
            lineManager()->setProperty("editModeEnabled", false);
            return;
        }
        QVERIFY(button->isEnabled());
        TEST_STEP(tap(button));
        QTRY_COMPARE(lines().size(), before + 2);
        // The held vertex ends one part and starts the other.
        int split = 0;
        for (const auto& part : lines())
            split += ids.count(part->id()) == 0 || part->id() == line->id() ? part->pointCount() : 0;
        QCOMPARE(split, points + 1);
        QVERIFY(!menu->isVisible());
        // The part that kept the id stays selected, with its handles.
        QTRY_COMPARE(handlesShown(line->id()), project->lineById(line->id())->pointCount());
        lineManager()->setProperty("editModeEnabled", false);
    }

    // The number pad's keys on the thickness field never leave 1 to 30.
    void lineThicknessStaysInRange_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<double>("thickness");
        QTest::newRow("erased") << QStringList{"backKey"} << 2.0;
        QTest::newRow("erased, up to the maximum") << QStringList{"backKey", "key3", "key0"} << 30.0;
    }

    void lineThicknessStaysInRange()
    {
        QFETCH(QStringList, keys);
        QFETCH(double, thickness);
        QVERIFY(screen().openTool("Line", "lineTool"));
        lineManager()->setProperty("lineThickness", 2.0);
        QQuickItem* field = findItem(lineTool(), "thicknessField");
        QVERIFY(screen().tapAtRest(field));
        QQuickItem* pad = findItem(root(), "numPad");
        QTRY_VERIFY(pad->isVisible());
        for (const QString& key : keys) {
            QVERIFY(screen().tap(findItem(pad, key)));
            const double now = lineManager()->property("lineThickness").toDouble();
            QVERIFY2(now >= 1.0 && now <= 30.0, qPrintable(key));
            QCOMPARE(field->property("text").toString(), QString::number(now));
        }
        QVERIFY(screen().tap(findItem(pad, "doneKey")));
        QTRY_VERIFY(!pad->isVisible());
        QCOMPARE(lineManager()->property("lineThickness").toDouble(), thickness);
        QCOMPARE(field->property("text").toString(), QString::number(thickness));
    }

    // Panel work that once logged QML warnings or errors.
    void panelsKeepTheQmlLogQuiet_data()
    {
        QTest::addColumn<QString>("work");
        QTest::newRow("layers reordered by their handles") << "layers";
        QTest::newRow("line sliders pressed, thin and wide") << "sliders";
        QTest::newRow("layers of one name, listed by their files") << "names";
    }

    void panelsKeepTheQmlLogQuiet()
    {
        QFETCH(QString, work);
        test::recordLogLines();
        test::takeWarnings();
        if (work == "layers") {
            QVERIFY(screen().openTool("Layers", "layerTool"));
            QQuickItem* layers = findItem(root(), "layerTool");
            QObject* manager = layers->property("manager").value<QObject*>();
            const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
            for (const QString name : {"west", "east"}) {
                const double west = name == "west" ? Lon - 0.02 : Lon;
                const QString path = documents.filePath(name + ".tif");
                QVERIFY(test::writeRaster(path, test::colouredRaster(west, Lat - 0.01, west + 0.02, Lat + 0.01,
                                                                     Qt::gray)));
                const size_t before = project->baseMaps().size();
                QVERIFY(QMetaObject::invokeMethod(manager, "addLayer", Q_ARG(QUrl, QUrl::fromLocalFile(path)),
                                                  Q_ARG(int, 0)));
                QTRY_COMPARE(project->baseMaps().size(), before + 1);
            }
            // Presses reach the panel once the wait has ended.
            QTRY_VERIFY(!findItem(root(), "inputBlocker")->isVisible());
            const QString first = project->baseMaps().front().location.fileName();
            QList<QQuickItem*> handles;
            // The rows of the list as it stands after both adds.
            QTRY_COMPARE(findItem(layers, "layerList")->property("count").toInt(), 2);
            QTRY_COMPARE((handles = screen().named("dragHandle", layers)).size(), 2);
            sortByTop(handles);
            drag(handles[0], handles[1]);
            QTRY_COMPARE(project->baseMaps().at(1).location.fileName(), first);
            QTRY_COMPARE(layers->property("currentRow").toInt(), 1);
        } else if (work == "names") {
            QVERIFY(screen().openTool("Layers", "layerTool"));
            QQuickItem* layers = findItem(root(), "layerTool");
            QObject* manager = layers->property("manager").value<QObject*>();
            const QString tiff = documents.filePath("base.tif");
            const QString package = documents.filePath("base.mbtiles");
            // Fine enough that the package's one level is finer than a view
            // of its whole extent.
            QVERIFY(test::writeRaster(tiff,
                                      test::colouredRaster(Lon, Lat, Lon + 0.005, Lat + 0.005, Qt::gray, 1024)));
            QCOMPARE(QProcess::execute("gdal_translate", {"-q", "-of", "MBTILES", tiff, package}), 0);
            const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
            for (const QString& path : {tiff, package}) {
                const size_t before = project->baseMaps().size();
                QVERIFY(QMetaObject::invokeMethod(manager, "addLayer", Q_ARG(QUrl, QUrl::fromLocalFile(path)),
                                                  Q_ARG(int, 0)));
                QTRY_COMPARE(project->baseMaps().size(), before + 1);
            }
            // The records keep the names the files give them.
            QCOMPARE(std::count_if(project->baseMaps().begin(), project->baseMaps().end(),
                                   [](const Project::BaseMap& map) { return map.name == "base"; }),
                     2L);
            QQuickItem* tiffRow = nullptr;
            QQuickItem* packageRow = nullptr;
            QTRY_VERIFY(tiffRow = screen().shownWith("text", "base.tif", layers));
            QTRY_VERIFY(packageRow = screen().shownWith("text", "base.mbtiles", layers));
            // After a view of the raster's whole extent, the package's snap
            // comes nearer, to the level it holds.
            GLRender* scene = page->mapView()->scene();
            QVERIFY(screen().tapAtRest(findItem(tiffRow->parentItem(), "snapButton")));
            QVERIFY(page->cameraAtRest());
            QVERIFY(screen().tapAtRest(findItem(packageRow->parentItem(), "snapButton")));
            QVERIFY(page->cameraAtRest());
            const auto stored =
                std::find_if(project->baseMaps().begin(), project->baseMaps().end(),
                             [](const Project::BaseMap& map) { return map.location.fileName() == "base.mbtiles"; });
            QVERIFY(stored != project->baseMaps().end() && scene->baseMapLayer(stored->location));
            QTRY_COMPARE(scene->mapNode()->getLevel(), scene->baseMapLayer(stored->location)->getMinLevel());
        } else {
            QVERIFY(screen().openTool("Line", "lineTool"));
            QVERIFY(screen().tapAtRest(findItem(lineTool(), "collapseButton")));
            // The opacity slider shows the units and hides them again.
            for (const char* name : {"sizeDial", "thinOpacity", "thinOpacity"})
                QVERIFY2(screen().tapAtRest(findItem(lineTool(), name)), name);
            QVERIFY(screen().tapAtRest(findItem(lineTool(), "expandButton")));
            for (const char* name : {"thicknessSlider", "opacitySlider"})
                QVERIFY2(screen().tapAtRest(findItem(lineTool(), name)), name);
        }
        QStringList qml;
        for (const QString& line : test::takeWarnings()) {
            if (line.contains("qrc:/qml"))
                qml << line;
        }
        QVERIFY2(qml.isEmpty(), qPrintable(qml.join('\n')));
    }

    // A unit's name typed in a strat column's editor is stored once however
    // the editor is left; a "+" whose save fails says so and leaves the
    // list as stored.
    void stratColumnKeepsTypedNames_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("leave");
        for (const char* panel : {"line", "clino"}) {
            for (const char* leave : {"Done", "map", "another tool", "closing the window"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(panel, leave))) << panel << leave;
        }
        // The notebook's details go with the entry a tap on the map unselects.
        QTest::newRow("notebook, map") << "notebook" << "map";
        QTest::newRow("notebook, another tool") << "notebook" << "another tool";
        QTest::newRow("line, + on locked storage") << "line" << "add, locked";
        // A stroke while the line panel's column edits waits for "Done".
        for (const char* change : {"unit deleted", "unit renamed", "unit added"})
            QTest::newRow(qPrintable(QString("line, %1, a line drawn").arg(change))) << "line" << change;
        // "Done" settles on the unit the editor outlines.
        for (const char* panel : {"clino", "notebook"}) {
            for (const char* change : {"unit deleted", "unit added"})
                QTest::newRow(qPrintable(QString("%1, %2, Done").arg(panel, change))) << panel << change;
        }
        // A name another unit has is refused however the editor is left;
        // "+" afterwards adds a stored unit, and nothing takes an unstored one.
        for (const char* leave : {"another row", "map", "filter Lines", "add menu, Note", "another tool", "Done"})
            QTest::newRow(qPrintable(QString("notebook, taken name, %1, +").arg(leave))) << "notebook" << leave;
        for (const char* leave : {"another tool", "Done"})
            QTest::newRow(qPrintable(QString("line, taken name, %1, +").arg(leave))) << "line" << leave;
    }

    void stratColumnKeepsTypedNames()
    {
        QFETCH(QString, panel);
        QFETCH(QString, leave);
        if (QString(QTest::currentDataTag()).contains("taken name")) {
            TEST_STEP(takenNameThenAdd(panel, leave));
            return;
        }
        if (leave.startsWith("unit ") && panel == "line") {
            TEST_STEP(drawWhileEditing(leave));
            return;
        }
        if (leave.startsWith("unit ")) {
            QPointer<QQuickItem> strat;
            TEST_STEP(openStratColumn(panel, strat));
            TEST_STEP(settleEdit(panel, strat, leave));
            return;
        }
        QPointer<QQuickItem> strat;
        TEST_STEP(openStratColumn(panel, strat));
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        const QStringList stored = storedUnits();
        QSignalSpy saves(project.get(), &Project::stratColumnChanged);
        const int failures = toastCount("Could not save the strat column.");
        if (leave == "add, locked") {
            QQuickItem* list = findItem(strat, "unitList");
            const int rows = list->property("count").toInt();
            {
                const test::DatabaseLock lock(project->folder().absoluteFilePath("main.db"), "EXCLUSIVE");
                QVERIFY(lock.isLocked());
                QVERIFY(screen().tapAtRest(findItem(strat, "addUnitButton")));
                QTRY_VERIFY_WITH_TIMEOUT(toasted("Could not add unit"), 20000);
            }
            QCOMPARE(list->property("count").toInt(), rows);
            QCOMPARE(int(project->rockUnits().size()), rows);
            QCOMPARE(storedUnits(), stored);
            QCOMPARE(saves.count(), 0);
            return;
        }

        TEST_STEP(openStratEditor(strat));
        QList<QQuickItem*> fields = screen().named("unitNameField", strat);
        sortByTop(fields);
        QVERIFY(!fields.isEmpty());
        QQuickItem* field = fields.front();
        QVERIFY(screen().tapAtRest(field));
        QQuickItem* input = field->findChild<QQuickItem*>("input");
        QTRY_VERIFY(input->hasActiveFocus());
        static int typings = 0;
        const QString typed = QString(" %1\u00e9'").arg(++typings);
        const QString expected = project->rockUnits().front().name + typed;
        QTest::keyClick(window(), Qt::Key_End);
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(input->property("text").toString(), expected);

        if (leave == "map" && panel == "notebook") {
            QVERIFY(tapEmptyMap());
        } else if (leave == "map") {
            QVERIFY(tapEmptyMap());
            QTRY_VERIFY(!field->property("editing").toBool());
            QCOMPARE(field->property("text").toString(), expected);
            QCOMPARE(strat->state(), QString("EDITING"));
        } else if (leave == "another tool" && panel == "notebook") {
            TEST_STEP(openTool("Line", "lineTool"));
        } else if (leave == "another tool") {
            TEST_STEP(openTool("Notebook", "dataTool"));
        } else if (leave == "closing the window") {
            QObject* noEvent = nullptr;
            QVERIFY(QMetaObject::invokeMethod(window(), "closing", Qt::DirectConnection,
                                              QGenericArgument("QQuickCloseEvent*", &noEvent)));
        }
        if (leave == "Done" || (leave == "map" && panel != "notebook")) {
            QQuickItem* done = nullptr;
            QTRY_VERIFY((done = screen().shownWith("label", QString("Done"), strat)) != nullptr);
            QVERIFY(screen().tapAtRest(done));
        }
        QTRY_VERIFY(!strat || strat->state() == "DEFAULT");
        QTRY_COMPARE(project->rockUnits().front().name, expected);
        QCOMPARE(storedUnits().value(0), expected);
        QCOMPARE(saves.count(), 1);
        QCOMPARE(toastCount("Could not save the strat column."), failures);
    }

    // Last, after the strat column's save ended the undo history, so the
    // line it draws stays out of the other rows' taps. The bar's back button
    // returns to the map; its undo button takes back the newest line edit and
    // the notebook lists what is stored.
    void toolBarBackAndUndo()
    {
        QQuickItem* bar = findItem(root(), "toolBar");
        QQuickItem* undo = findItem(bar, "undoButton");
        QVERIFY(undo);
        TEST_STEP(openTool("Stereonet", "stereoNetTool"));
        QQuickItem* back = findItem(bar, "backButton");
        // The thin bar shows the buttons' left squares only.
        const QPointF square(back->height() / 2, back->height() / 2);
        TEST_STEP(tap(back, square));
        QTRY_VERIFY(findItem(root(), "toolManager")->property("activeTool").value<QObject*>()
                    == findItem(root(), "viewTool"));
        QVERIFY(!findItem(root(), "stereoNetTool")->property("shown").toBool());

        QVERIFY(!undo->isEnabled());
        const int lines = storedLines();
        QPointF centre;
        TEST_STEP(drawPointToPointLine(centre));
        QTRY_COMPARE(storedLines(), lines + 1);
        QTRY_VERIFY(undo->isEnabled());
        const QString id = QString::fromStdString(firstLine()->id());
        TEST_STEP(openTool("Notebook", "dataTool"));
        QTRY_VERIFY(screen().notebookRow(id) >= 0);

        QSignalSpy rebuilt(notebook()->property("dataModel").value<QObject*>(), SIGNAL(modelReset()));
        TEST_STEP(tap(undo, square));
        QTRY_COMPARE(storedLines(), lines);
        QVERIFY(!firstLine() || QString::fromStdString(firstLine()->id()) != id);
        QVERIFY(rebuilt.count() > 0);
        QCOMPARE(screen().notebookRow(id), -1);
        QTRY_VERIFY(!undo->isEnabled());
        test::ProgramScreen::shoot("toolbar-after-undo");
    }
};

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestFieldDay test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fieldday_gl.moc"
