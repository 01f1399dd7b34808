#include "drawing/RasterSketcher.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/Project.h"
#include "tools/ImageTool.h"
#include "tools/SketchTool.h"
#include "support/ProjectFixture.h"

#include <QtTest>

using namespace kiv;

// The sketch tool binds the panel's sketcher and pauses the map while shown.
class TestSketchTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<RasterSketcher> sketcher;
    std::unique_ptr<SketchTool> tool;

    // The id of a new photograph datum of the current locality.
    QString addPhoto() const
    {
        const QString path = fixture->project->folder().absoluteFilePath("photo.jpg");
        QImage photo(200, 150, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        if (!photo.save(path) || !ImageTool::saveImageFile(QUrl::fromLocalFile(path), 0.0, "", {1, 2}, false))
            return QString();
        QZProtoBuffers::Data row;
        row.ParseFromString(fixture->messages("data").back());
        return QString::fromStdString(row.dataid());
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        sketcher = std::make_unique<RasterSketcher>();
        sketcher->setSize(QSizeF(400, 300));
        tool = std::make_unique<SketchTool>();
    }

    void cleanup()
    {
        tool.reset();
        sketcher.reset();
        fixture.reset();
    }

    void setupOpensPhotoOrBlankPage()
    {
        const QString id = addPhoto();
        QVERIFY(!id.isEmpty());
        // Without a sketcher there is nothing to set up.
        tool->setup(id);
        QSignalSpy bound(tool.get(), &SketchTool::rasterSketcherChanged);
        tool->setRasterSketcher(sketcher.get());
        tool->setRasterSketcher(sketcher.get());
        QCOMPARE(bound.count(), 1);
        QCOMPARE(sketcher->itemId(), QString());

        tool->setup(id);
        QCOMPARE(sketcher->itemId(), id);
        sketcher->setHasUnsavedChanges(true);
        tool->setup("");
        QCOMPARE(sketcher->itemId(), QString());
        QVERIFY(!sketcher->hasUnsavedChanges());
        QCOMPARE(sketcher->background().pixelColor(10, 10), QColor(Qt::white));
    }

    void sceneIsPausedWhileActive()
    {
        MapViewController map;
        map.viewDidLoad();
        tool->setMapView(&map);
        QSignalSpy enabled(map.scene(), &GLRender::enabledChanged);
        tool->setActive(true);
        QCOMPARE(map.scene()->enabled(), false);
        tool->setActive(false);
        QCOMPARE(map.scene()->enabled(), true);
        QCOMPARE(enabled.count(), 2);
        tool->setMapView(nullptr);
        // Without a map the tool still switches.
        tool->setActive(true);
        QVERIFY(tool->active());
        tool->setActive(false);
    }
};

QTEST_MAIN(TestSketchTool)

#include "tst_sketchtool.moc"
