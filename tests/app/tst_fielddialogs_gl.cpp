#include "app/DialogController.h"
#include "app/MainView.h"
#include "drawing/RasterSketcher.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/MapPageStart.h"
#include "support/MessageLog.h"
#include "support/ProgramScreen.h"
#include "support/ScriptedLocationManager.h"
#include "support/TestStep.h"

#include <QQuickItem>
#include <QScreen>
#include <QtTest>

using namespace kiv;
using test::centreOf;
using test::findItem;
using test::findItemWith;
using test::ProgramScreen;

namespace {
const double Lon = 7.0;
const double Lat = 46.0;
const char* LineationId = "lineation";

// A text item of the dialog's own QML, which has no object names.
QQuickItem* findText(QQuickItem* under, const QString& text)
{
    for (QQuickItem* child : under->childItems()) {
        if (child->inherits("QQuickText") && child->isVisible() && child->property("text").toString() == text)
            return child;
        if (QQuickItem* found = findText(child, text))
            return found;
    }
    return nullptr;
}

QRectF sceneRectOf(const QQuickItem* item)
{
    return QRectF(item->mapToScene(QPointF(0, 0)), item->size());
}

// Pixels dark enough for text and light enough for a list's background.
void countShades(const QImage& image, int& dark, int& light)
{
    dark = light = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            if (grey < 110)
                ++dark;
            else if (grey > 200)
                ++light;
        }
    }
}
// The screens of small field tablets and laptops.
void addWindowSizes()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1024x768") << QSize(1024, 768);
    QTest::newRow("1280x800") << QSize(1280, 800);
}
} // namespace

// The program in this process: its dialogs, panels and sketch controls as a
// user reaches them, at the window sizes of small field tablets.
class TestFieldDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::MapPageStart> page;

    QQuickWindow* window() const { return page->window(); }
    ProgramScreen screen() const { return page->screen(); }
    QQuickItem* root() const { return window()->contentItem(); }
    QQuickItem* notebook() const { return screen().notebook(); }
    MapCameraManipulator& camera() const { return page->mapView()->scene()->cameraManipulator(); }

    void storeProject()
    {
        test::resetModelManager();
        std::shared_ptr<Project> project = page->storeProject("Field", "field.qz", {{1, "Granite", QColor("#cc3333")}});
        QVERIFY(project);
        int lineSymbol = -1;
        for (const Project::Symbol& symbol : project->symbols()) {
            if (symbol.symbolType == Project::Line && lineSymbol < 0)
                lineSymbol = symbol.id;
        }
        QVERIFY(lineSymbol >= 0);
        auto locality = test::MapPageStart::storeLocality(*project, 0xa0, Lon, Lat);
        QVERIFY(locality);
        QVERIFY(project->syncDataDetails(
            locality->addPlane(test::idOf(0xc0), Lat, Lon + 0.002, 30.0f, 120.0f, 1, 1, "")));
        // The longest angle text a row shows, with a note mark beside it.
        QVERIFY(project->syncDataDetails(locality->addLineation(LineationId, Lat, Lon + 0.004, 88.0f, 359.0f, 1,
                                                                lineSymbol, "striae")));
        test::MapPageStart::openOnStart(std::move(project), std::move(locality));
    }

    void resizeWindow(const QSize& size)
    {
        if (window()->size() == size)
            return;
        QSignalSpy frames(window(), &QQuickWindow::frameSwapped);
        window()->resize(size);
        QTRY_VERIFY(frames.count() > 0);
        QTRY_COMPARE(page->mapView()->size(), QSizeF(size));
    }

    QQuickItem* notebookCell(const QString& id) const { return screen().notebookCell(id); }

    QString toastMessages() const
    {
        QStringList messages;
        for (const DialogController::Toast& toast : page->application()->dialogController()->toasts())
            messages << toast.message;
        return messages.join(", ");
    }

    QQuickWindow* dialogWindow(const QString& title) const
    {
        for (QWindow* candidate : QGuiApplication::topLevelWindows()) {
            auto* quick = qobject_cast<QQuickWindow*>(candidate);
            if (quick && quick != window() && quick->isVisible() && quick->title() == title)
                return quick;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        // What the dialogs list besides the project folder.
        for (const char* name : {"ridge.mbtiles", "outcrop.jpg"}) {
            QFile file(documents.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QImage basalt(64, 48, QImage::Format_RGB32);
        basalt.fill(QColor("#334455"));
        QVERIFY(basalt.save(documents.filePath("basalt.png")));
        page = std::make_unique<test::MapPageStart>(documents.path());
        TEST_STEP(storeProject());
        QVERIFY(page->start(1280, 800));
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
    }

    void lineationRowShowsItsWholeText_data()
    {
        addWindowSizes();
    }

    void lineationRowShowsItsWholeText()
    {
        QFETCH(QSize, size);
        TEST_STEP(resizeWindow(size));
        QVERIFY(screen().openTool("Notebook", "dataTool"));
        QQuickItem* cell = nullptr;
        QTRY_VERIFY((cell = notebookCell(LineationId)) != nullptr);
        QQuickItem* angles = findItem(cell, "angles");
        QVERIFY(angles);
        QCOMPARE(angles->property("text").toString(), QString("Plunge: 88°  Azimuth: 359°"));
        // The drawn text ends before the note mark, inside the list.
        const qreal textRight = angles->mapToScene(QPointF(angles->property("contentWidth").toReal(), 0)).x();
        QQuickItem* mark = findItem(cell, "noteMark");
        QVERIFY(mark && mark->isVisible());
        QVERIFY2(textRight <= mark->mapToScene(QPointF(0, 0)).x(), qPrintable(QString::number(textRight)));
        QVERIFY(angles->property("truncated").toBool() == false);
    }

    void scaleBarStaysBesideTheNotebookDetails_data()
    {
        addWindowSizes();
    }

    void scaleBarStaysBesideTheNotebookDetails()
    {
        QFETCH(QSize, size);
        TEST_STEP(resizeWindow(size));
        QVERIFY(screen().openTool("Notebook", "dataTool"));
        QQuickItem* list = findItem(notebook(), "dataList");
        QVERIFY(list);
        list->setProperty("currentIndex", -1);
        QVERIFY(screen().tap(notebookCell(LineationId)));
        QTRY_COMPARE(notebook()->state(), QString("DETAIL"));
        const qreal panelRight = notebook()->property("uiExtent").toReal();
        QTRY_COMPARE(page->mapView()->visibleArea().x(), panelRight);
        QQuickItem* scaleBar = findItem(root(), "scaleBar");
        QVERIFY(scaleBar);
        const QRectF bar = sceneRectOf(scaleBar);
        QVERIFY2(bar.left() >= panelRight && bar.right() <= size.width(),
                 qPrintable(QString("scale bar %1..%2, panel to %3").arg(bar.left()).arg(bar.right()).arg(panelRight)));
        list->setProperty("currentIndex", -1);
        QTRY_COMPARE(notebook()->state(), QString("DEFAULT"));
    }

    void wheelOverAPanelLeavesTheMapAlone_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("under");
        QTest::addColumn<int>("steps");
        QTest::newRow("notebook list, past its end") << "Notebook" << "dataTool" << "dataList" << -3;
        QTest::newRow("notebook list, past its start") << "Notebook" << "dataTool" << "dataList" << 3;
        QTest::newRow("stereonet filter lists") << "Stereonet" << "stereoNetTool" << "filterPage" << -3;
        QTest::newRow("tool bar") << "" << "" << "toolBar" << -3;
        // Nor once a tap on the veil has folded the menu.
        QTest::newRow("wide menu's veil") << "" << "" << "veil" << 3;
    }

    void wheelOverAPanelLeavesTheMapAlone()
    {
        QFETCH(QString, label);
        QFETCH(QString, panel);
        QFETCH(QString, under);
        QFETCH(int, steps);
        TEST_STEP(resizeWindow(QSize(1280, 800)));
        QQuickItem* area = nullptr;
        if (panel.isEmpty()) {
            QQuickItem* viewTool = findItem(root(), "viewTool");
            QVERIFY(QMetaObject::invokeMethod(findItem(root(), "toolManager"), "activate",
                                              Q_ARG(QVariant, QVariant::fromValue(viewTool))));
            area = screen().toolButton("Layers");
            if (under == "veil") {
                QQuickItem* bar = findItem(root(), "toolBar");
                QQuickItem* header = findItem(bar, "headerButton");
                QVERIFY(screen().tap(header, QPointF(header->height() / 2, header->height() / 2)));
                area = findItem(bar, "veil");
                QTRY_COMPARE(area->opacity(), 0.7);
            }
        } else {
            QVERIFY(screen().openTool(label, panel));
            QQuickItem* tool = findItem(root(), panel.toUtf8().constData());
            QVERIFY(tool);
            if (panel == "stereoNetTool") {
                QVERIFY(screen().tap(findItem(tool, "configureButton")));
                QTRY_COMPARE(tool->state(), QString("FILTERING"));
            }
            area = findItem(tool, under);
        }
        QVERIFY(area);
        QTRY_VERIFY(area->isVisible());
        QVERIFY(page->cameraAtRest());
        const double altitude = camera().altitude();
        // The thin tool bar shows only the left end of its buttons.
        const QPoint at = under == "toolBar"
                              ? area->mapToScene(QPointF(area->height() / 2, area->height() / 2)).toPoint()
                              : centreOf(area);
        for (int turn = 0; turn < 4; ++turn) {
            screen().spinWheel(at, steps);
            QTest::qWait(50);
        }
        // A zoom starts with the turn that asks for it.
        QVERIFY(!camera().isAnimating());
        QCOMPARE(camera().targetAltitude(), altitude);
        if (under == "veil") {
            QTest::mouseClick(window(), Qt::LeftButton, {}, at);
            QTRY_VERIFY(!area->isVisible());
        }
        QVERIFY(page->cameraAtRest());
        QCOMPARE(camera().altitude(), altitude);

        // Over the free map the wheel still zooms.
        const QRectF free = page->mapView()->visibleArea();
        screen().spinWheel(free.center().toPoint(), steps);
        QTRY_VERIFY(camera().altitude() != altitude);
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
        if (panel == "stereoNetTool")
            QVERIFY(screen().tap(findItem(findItem(root(), "stereoNetTool"), "configureButton")));
    }

    void sketchControlsAnswerATap_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("createdLocality");
        QTest::newRow("1024x768") << QSize(1024, 768) << false;
        QTest::newRow("1280x800") << QSize(1280, 800) << false;
        QTest::newRow("locality created, then the tick") << QSize(1280, 800) << true;
    }

    void sketchControlsAnswerATap()
    {
        QFETCH(QSize, size);
        QFETCH(bool, createdLocality);
        TEST_STEP(resizeWindow(size));
        test::DocumentsApplication* application = page->application();
        if (!application->locationManager())
            application->setSensors(new test::ScriptedLocationManager(application), application->compassClino());
        QVERIFY(screen().openTool("Notebook", "dataTool"));
        ModelManager* models = ModelManager::instance();
        const std::shared_ptr<Project> project = models->currentProject();
        QVERIFY(project);
        if (createdLocality) {
            // As in a fresh home: none current, one made in "Select a locality"
            // and left with the tick instead of a tap on its row.
            models->setCurrentLocality(std::shared_ptr<Locality>());
            const std::shared_ptr<DialogController> dialogs = application->dialogController();
            QVERIFY(screen().tap(findItem(findItem(notebook(), "dataToolBar"), "toolBarButton_Locality")));
            QTRY_COMPARE(dialogs->customDialogType(), QString("LocalityDialog.qml"));
            QQuickItem* dialog = nullptr;
            QTRY_VERIFY((dialog = qobject_cast<QQuickItem*>(dialogs->customDialog())) != nullptr
                        && dialog->property("opacity").toReal() == 1.0);
            const int before = project->numberOfLocalities();
            QVERIFY(screen().tap(findItem(dialog, "createLocalityButton")));
            QTRY_COMPARE(project->numberOfLocalities(), before + 1);
            QVERIFY(screen().tap(findItem(dialog, "dialogDoneButton")));
            QTRY_VERIFY(!dialogs->dialogActive());
            QVERIFY(!models->currentLocality());
        }
        QVERIFY(screen().tap(findItem(notebook(), "toolBarButton_addPhoto")));
        QVERIFY(screen().tap(findItem(root(), "add_Sketch")));
        QQuickItem* sketchTool = findItem(root(), "sketchTool");
        QVERIFY(sketchTool);
        QTRY_VERIFY(sketchTool->property("shown").toBool());
        auto* sketcher = qobject_cast<RasterSketcher*>(findItem(sketchTool, "sketcher"));
        QVERIFY(sketcher);
        QTRY_VERIFY(sketcher->width() > 0);
        ProgramScreen::shoot(QString("sketch-%1x%2").arg(size.width()).arg(size.height()));

        // Every control lies wholly in the window and is the item a tap reaches.
        for (const char* name : {"backButton", "paintButton", "eraseButton", "textButton", "sizeSlider",
                                 "colorSquare", "saveButton"}) {
            QQuickItem* control = findItem(sketchTool, name);
            QVERIFY2(control, name);
            const QRectF rect = sceneRectOf(control);
            QVERIFY2(QRectF(QPointF(0, 0), QSizeF(size)).contains(rect), name);
        }

        const struct
        {
            const char* button;
            RasterSketcher::Mode mode;
        } modes[] = {{"eraseButton", RasterSketcher::Erase},
                     {"textButton", RasterSketcher::Text},
                     {"paintButton", RasterSketcher::Paint}};
        for (const auto& entry : modes) {
            QVERIFY(screen().tap(findItem(sketchTool, entry.button)));
            QTRY_COMPARE(sketcher->mode(), entry.mode);
        }

        // The top of the ring is half way round, its right end five sixths.
        QQuickItem* slider = findItem(sketchTool, "sizeSlider");
        QVERIFY(slider);
        const qreal inset = slider->property("handleSize").toReal() / 2;
        QVERIFY(screen().tap(slider, QPointF(slider->width() / 2, inset)));
        QTRY_VERIFY(qAbs(slider->property("position").toReal() - 0.5) < 0.05);
        const double half = sketcher->lineThickness();
        QCOMPARE(half, slider->property("value").toReal() * 30);
        QVERIFY(screen().tap(slider, QPointF(slider->width() - inset, slider->height() / 2)));
        QTRY_VERIFY(sketcher->lineThickness() > half);

        const std::shared_ptr<DialogController> dialogs = page->application()->dialogController();
        QVERIFY(screen().tap(findItem(sketchTool, "colorSquare")));
        QTRY_COMPARE(dialogs->customDialogType(), QString("ColorPickerDialog.qml"));
        dialogs->dismissDialog(1);
        QTRY_VERIFY(!dialogs->dialogActive());

        // A stroke, then Save.
        const QPointF from = sketcher->mapToScene(QPointF(sketcher->width() / 3, sketcher->height() / 3));
        QTest::mousePress(window(), Qt::LeftButton, {}, from.toPoint());
        for (int step = 1; step <= 8; ++step)
            QTest::mouseMove(window(), (from + QPointF(15 * step, 10 * step)).toPoint());
        QTest::mouseRelease(window(), Qt::LeftButton, {}, (from + QPointF(120, 80)).toPoint());
        QTRY_VERIFY(sketcher->hasUnsavedChanges());
        // Sketch files are named by the second they are saved in.
        static qint64 lastSave = 0;
        QTRY_VERIFY(QDateTime::currentSecsSinceEpoch() > lastSave);
        QQuickItem* save = findItem(sketchTool, "saveButton");
        QVERIFY(save);
        // Without a known position a new sketch waits, saying why, and stays to be saved.
        AbstractLocationManager* location = page->application()->locationManager();
        QVERIFY(location);
        if (!AbstractLocationManager::isValidCoordinate(location->lastKnownCoordinate())) {
            QTRY_VERIFY(findItem(sketchTool, "saveHint")->isVisible());
            QVERIFY(!save->isEnabled());
            QVERIFY(sketcher->hasUnsavedChanges());
            location->setLastKnownCoordinate(QPointF(Lon, Lat));
        }
        QTRY_VERIFY(save->isEnabled());
        QVERIFY(!findItem(sketchTool, "saveHint")->isVisible());
        QVERIFY(screen().tap(save));
        lastSave = QDateTime::currentSecsSinceEpoch();
        QTRY_VERIFY2(!sketcher->hasUnsavedChanges(), qPrintable(toastMessages()));
        QTRY_VERIFY(!sketcher->itemId().isEmpty());
        const std::shared_ptr<Data> saved = project->dataById(sketcher->itemId().toStdString());
        QVERIFY(saved && models->currentLocality());
        QCOMPARE(saved->localityId(), models->currentLocality()->id());
        if (createdLocality)
            QCOMPARE(saved->localityId(), project->localities().front()->id());

        // Nothing left unsaved: back leaves at once, to the notebook.
        QVERIFY(screen().tap(findItem(sketchTool, "backButton")));
        QTRY_VERIFY(!sketchTool->property("shown").toBool());
        QTRY_VERIFY(notebook()->property("shown").toBool());
    }

    // A dialog opened from the wide menu shows over the map with the menu
    // folded, not over the open menu.
    void menuFoldsForItsExportDialog()
    {
        TEST_STEP(resizeWindow(QSize(1280, 800)));
        QQuickItem* bar = findItem(root(), "toolBar");
        QQuickItem* header = findItem(bar, "headerButton");
        QVERIFY(header);
        const QPointF onButton(header->height() / 2, header->height() / 2);
        QVERIFY(screen().tap(header, onButton));
        QTRY_COMPARE(bar->state(), QString("WIDE"));
        QTRY_COMPARE(findItem(bar, "panel")->x(), 0.0);
        QVERIFY(screen().tap(findItem(bar, "exportButton"), onButton));
        const std::shared_ptr<DialogController> dialogs = page->application()->dialogController();
        QTRY_COMPARE(dialogs->customDialogType(), QString("ExportProjectDialog.qml"));
        QTRY_VERIFY(dialogs->customDialog() && dialogs->customDialog()->property("opacity").toReal() == 1.0);
        const QString state = bar->state();
        const bool veiled = !QTest::qWaitFor([&] { return !findItem(bar, "veil")->isVisible(); }, 2000);
        ProgramScreen::shoot("export-dialog-from-menu");
        // The rows after this one start from the map either way.
        dialogs->dismissDialog(0);
        QMetaObject::invokeMethod(bar, "collapse");
        QTRY_VERIFY(!dialogs->dialogActive());
        QCOMPARE(state, QString("THIN"));
        QVERIFY(!veiled);
    }

    // The built-in gallery, opened again after each answer: it lists only
    // pictures, and closing it gives the screen back.
    void galleryGivesTheScreenBack_data()
    {
        QTest::addColumn<bool>("pick");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<QString>("choice");
        QTest::newRow("cancelled") << false << false << "Gallery";
        QTest::newRow("picked") << true << false << "Gallery";
        QTest::newRow("left by Escape") << false << true << "Gallery";
        // No camera service on the test machine: the tap is answered all the same.
        QTest::newRow("photo without a camera") << false << false << "Photo";
    }

    void galleryGivesTheScreenBack()
    {
        QFETCH(bool, pick);
        QFETCH(bool, escape);
        QFETCH(QString, choice);
        TEST_STEP(resizeWindow(QSize(1280, 800)));
        page->application()->setUseQmlImageGallery(true);
        test::recordLogLines();
        test::takeWarnings();
        QVERIFY(screen().openTool("Notebook", "dataTool"));
        QQuickItem* add = findItem(notebook(), "toolBarButton_addPhoto");
        QVERIFY(screen().tap(add));
        const std::shared_ptr<DialogController> dialogs = page->application()->dialogController();
        while (!dialogs->toasts().isEmpty())
            dialogs->dismissToast();
        QVERIFY(screen().tap(findItem(root(), "add_" + choice)));
        if (choice == "Photo") {
            // Shown on the screen, and the screen given back.
            QQuickItem* toast = findItem(root(), "toast");
            QTRY_VERIFY(findItem(toast, "toastText")->property("text") == "Camera is not available"
                        && toast->opacity() == 1.0);
            QVERIFY(!findItem(root(), "camera")->isVisible() && !findItem(root(), "addMenu")->isVisible());
            QVERIFY(!findItem(notebook(), "entryPanel")->isVisible());
            page->application()->setUseQmlImageGallery(false);
            return;
        }
        QTRY_COMPARE(dialogs->customDialogType(), QString("QMLImageGallery.qml"));
        auto* gallery = qobject_cast<QQuickItem*>(dialogs->customDialog());
        QVERIFY(gallery);
        QQuickItem* basalt = nullptr;
        QTRY_VERIFY((basalt = findItemWith(gallery, "entry", "entryName", "basalt.png")) != nullptr);
        QStringList names;
        for (QQuickItem* entry : test::findItems(gallery, "entry")) {
            names << entry->property("entryName").toString();
            const QObject* picture = entry->property("picture").value<QObject*>();
            QTRY_VERIFY(picture->property("status").toInt() != 2); // loading
        }
        QVERIFY2(!names.contains("ridge.mbtiles"), qPrintable(names.join(", ")));
        QVERIFY(names.contains("outcrop.jpg"));
        ProgramScreen::shoot(QString("gallery-") + QTest::currentDataTag());

        if (escape)
            QTest::keyClick(page->window(), Qt::Key_Escape);
        else
            QVERIFY(screen().tap(pick ? basalt : findItem(gallery, "cancelButton")));
        QTRY_VERIFY(!dialogs->dialogActive());
        QTRY_VERIFY(!findItem(root(), "dimmer")->isVisible());
        QQuickItem* entryPanel = findItem(notebook(), "entryPanel");
        if (pick) {
            QTRY_VERIFY(entryPanel->isVisible());
            QVERIFY(screen().tap(findItem(notebook(), "entry_Discard")));
            QTRY_VERIFY(!entryPanel->isVisible());
        } else {
            QVERIFY(!entryPanel->isVisible());
            QVERIFY(screen().tap(add));
            QQuickItem* menu = findItem(root(), "addMenu");
            QTRY_VERIFY(menu->isVisible());
            // A tap on an entry on the map beside the menu only closes it.
            const QString selected = page->mapView()->selectedItemId();
            const QVariant row = findItem(notebook(), "dataList")->property("currentIndex");
            QVERIFY(page->tapOnMap(Lon + 0.002, Lat));
            QTRY_VERIFY(!menu->isVisible());
            QCOMPARE(page->mapView()->selectedItemId(), selected);
            QCOMPARE(findItem(notebook(), "dataList")->property("currentIndex"), row);
        }
        page->application()->setUseQmlImageGallery(false);
        const QStringList warnings = test::takeWarnings().filter("Failed to get image from provider");
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join("\n")));
    }

    void fileDialogDrawsTheDocumentsFolder_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("entry");
        QTest::newRow("layer file, from the map") << "layer" << "Please choose a layer file" << "ridge.mbtiles";
        QTest::newRow("photo, from the notebook") << "photo" << "Please choose an image file" << "outcrop.jpg";
        // Leaves the map: last.
        QTest::newRow("project import, from the home screen")
            << "import" << "Select a project folder (*.qz)" << "field.qz";
    }

    void fileDialogDrawsTheDocumentsFolder()
    {
        QFETCH(QString, opener);
        QFETCH(QString, title);
        QFETCH(QString, entry);
        TEST_STEP(resizeWindow(QSize(1280, 800)));
        if (opener == "layer") {
            QVERIFY(screen().openTool("Layers", "layerTool"));
            QVERIFY(screen().tap(findItem(findItem(root(), "layerTool"), "importButton")));
        } else if (opener == "photo") {
            QVERIFY(screen().openTool("Notebook", "dataTool"));
            QVERIFY(screen().tap(findItem(notebook(), "toolBarButton_addPhoto")));
            QVERIFY(screen().tap(findItem(root(), "add_Gallery")));
        } else {
            QQuickItem* bar = findItem(root(), "toolBar");
            QQuickItem* header = findItem(bar, "headerButton");
            QVERIFY(header);
            QVERIFY(screen().tap(header, QPointF(header->height() / 2, header->height() / 2)));
            QTRY_COMPARE(bar->state(), QString("WIDE"));
            QVERIFY(screen().tap(findItem(bar, "projectsButton"), QPointF(header->height() / 2, header->height() / 2)));
            QQuickItem* importButton = nullptr;
            QTRY_VERIFY((importButton = findItemWith(root(), "importButton", "label", "Import Project")) != nullptr);
            QVERIFY(screen().tap(importButton));
        }
        QQuickItem* loader = findItemWith(root(), "fileDialog", "title", title);
        QVERIFY(loader);
        QQuickWindow* dialog = nullptr;
        QTRY_VERIFY((dialog = dialogWindow(title)) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QObject* fileDialog = loader->property("dialog").value<QObject*>();
        QVERIFY(fileDialog);
        QCOMPARE(fileDialog->property("folder").toUrl(), QUrl::fromLocalFile(documents.path()));
        // The window's close reaches the program, not kept from it by a modal
        // dialog, and waits for the dialog with a word.
        QVERIFY(!QGuiApplication::modalWindow());
        QCloseEvent close;
        QCoreApplication::sendEvent(window(), &close);
        QVERIFY(!close.isAccepted());
        QVERIFY2(toastMessages().contains("Close the dialog first"), qPrintable(toastMessages()));
        QVERIFY(window()->isVisible() && dialog->isVisible());

        // What the screen shows where the dialog lists the entry.
        QQuickItem* name = nullptr;
        QTRY_VERIFY((name = findText(dialog->contentItem(), entry)) != nullptr);
        const QRect onDialog = sceneRectOf(name).toAlignedRect() & QRect(QPoint(0, 0), dialog->size());
        QVERIFY(!onDialog.isEmpty());
        const QRect onScreen = onDialog.translated(dialog->position());
        int dark = 0, light = 0;
        QTRY_VERIFY_WITH_TIMEOUT((countShades(QGuiApplication::primaryScreen()
                                                  ->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(),
                                                               onScreen.height())
                                                  .toImage(),
                                              dark, light),
                                  dark > 10 && light > onScreen.width()),
                                 10000);
        ProgramScreen::shoot("dialog-" + opener);

        QVERIFY(QMetaObject::invokeMethod(loader, "close"));
        QTRY_VERIFY(!dialog->isVisible());
    }
};

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestFieldDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fielddialogs_gl.moc"
