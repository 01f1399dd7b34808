#include "app/MainView.h"
#include "map/MapViewController.h"
#include "model/Project.h"
#include "tools/ImageTool.h"
#include "support/ProjectFixture.h"

#include <QImageReader>
#include <QQmlEngine>
#include <QtTest>

using namespace kiv;

// Map screenshots are JPEGs of the window named by the second they were taken.
class TestImageToolScreenShot : public QObject
{
    Q_OBJECT

private slots:
    void screenShotIsAJpegInImages()
    {
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        MainView view;
        view.setSource(QUrl("data:text/plain,import QtQuick 2.4; Rectangle { color: 'green' }"));
        view.resize(320, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ApplicationManager::instance()->setMainView(&view);
        MapViewController map;
        ImageTool tool;
        tool.setMapView(&map);
        QSignalSpy source(&tool, &ImageTool::imageSourceChanged);

        // Names go by the second: a shot within the second of the last one is
        // refused. Shots go on while the clock turns between them (a busy disk
        // makes a shot slow); a refusal may come at any of them.
        QVERIFY(tool.takeMapScreenShot());
        bool refused = false;
        for (int attempt = 0; attempt < 10 && !refused; ++attempt)
            refused = !tool.takeMapScreenShot();
        QVERIFY(refused);
        QVERIFY(source.count() >= 1);
        const QFileInfo shot(tool.imageSource().toLocalFile());
        QCOMPARE(shot.absolutePath(), fixture.project->folder().absoluteFilePath("images"));
        QVERIFY2(QRegularExpression("^MAP_\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}\\.jpg$")
                     .match(shot.fileName())
                     .hasMatch(),
                 qPrintable(shot.fileName()));
        QImageReader reader(shot.absoluteFilePath());
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.read().size(), view.size() * view.devicePixelRatio());
        ApplicationManager::instance()->setMainView(nullptr);
    }
};

QTEST_MAIN(TestImageToolScreenShot)

#include "tst_imagetool_gl.moc"
